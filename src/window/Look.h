#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QString>

class QWidget;

// The colours and fonts the windows share.
namespace Larkspan::Look {

inline const QColor peach(255, 224, 192);
inline const QColor darkBlue(0, 0, 192);
inline const QColor darkGrey(64, 64, 64);
// The grey of an active window's border in the classic desktop colours; the
// toolkit names no such colour, so it is fixed here.
inline const QColor activeBorder(212, 208, 200);

// A font by family name; fontconfig substitutes what the desktop lacks
// ("MS Sans Serif" comes out as DejaVu Sans, "Times New Roman" as
// Liberation Serif).
QFont font(const QString &family, qreal points, bool bold = false, bool underline = false);
QFont msSansSerif(qreal points, bool bold = false, bool underline = false);

void setColour(QWidget *widget, QPalette::ColorRole role, const QColor &colour);
// Fills the widget's background (and, for item views and fields, its base).
void fillBackground(QWidget *widget, const QColor &colour);

} // namespace Larkspan::Look
