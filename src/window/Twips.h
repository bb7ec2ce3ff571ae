#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QWidget>
#include <QtMath>

namespace Larkspan {

// Window layouts are drawn up in twips: 1/1440 inch, so 15 twips make one
// pixel at 96 dots per inch. They scale with the screen's logical DPI.
namespace Twips {

inline double pixelsPerTwip(const QWidget *widget)
{
    const double dpi = widget ? widget->logicalDpiX() : 96.0;
    return dpi / 1440.0;
}

inline int toPixels(int twips, const QWidget *widget)
{
    return qRound(twips * pixelsPerTwip(widget));
}

inline QRect rect(int left, int top, int width, int height, const QWidget *widget)
{
    return QRect(toPixels(left, widget), toPixels(top, widget), toPixels(width, widget),
                 toPixels(height, widget));
}

inline QSize size(int width, int height, const QWidget *widget)
{
    return QSize(toPixels(width, widget), toPixels(height, widget));
}

inline QPoint point(int x, int y, const QWidget *widget)
{
    return QPoint(toPixels(x, widget), toPixels(y, widget));
}

} // namespace Twips
} // namespace Larkspan
