#include "window/Look.h"

#include <QWidget>

using namespace Qt::StringLiterals;

namespace Larkspan::Look {

QFont font(const QString &family, qreal points, bool bold, bool underline)
{
    QFont chosen(family);
    chosen.setPointSizeF(points);
    chosen.setBold(bold);
    chosen.setUnderline(underline);
    return chosen;
}

QFont msSansSerif(qreal points, bool bold, bool underline)
{
    return font(u"MS Sans Serif"_s, points, bold, underline);
}

void setColour(QWidget *widget, QPalette::ColorRole role, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(role, colour);
    widget->setPalette(palette);
}

void fillBackground(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    palette.setColor(QPalette::Base, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

} // namespace Larkspan::Look
