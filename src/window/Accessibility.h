#pragma once

#include <QAccessible>
#include <QString>

class QLabel;
class QWidget;

// What assistive technology (a screen reader, through AT-SPI) hears of the
// windows and their controls.
namespace Larkspan::Accessibility {

// Presents a top-level window as a frame (QAccessible::Window) or a dialog
// (QAccessible::Dialog); a plain top-level QWidget would reach AT-SPI as a
// bare "filler" that no screen reader announces as a window. The window is
// named by its title without surrounding spaces or, with no title, by the
// application name that the window manager then shows. Call it first thing
// in the window's constructor: the interface is made once per object.
void presentWindow(QWidget *window, QAccessible::Role role);

// Keeps `widget` out of what assistive technology sees: it shows nothing a
// person reads (a drop shadow, say). Call it before anything asks for the
// widget's interface.
void hide(QWidget *widget);

// The words of an on-screen caption: "          Site Catagory:" is heard
// as "Site Catagory".
QString captionWords(const QString &caption);

// Names `control` after the caption that labels it on screen and makes the
// caption its label, so a screen reader hears both the name and the link.
// The caption itself is heard without its padding.
void nameAfter(QWidget *control, QLabel *caption);

// Describes `control` by the caption above it; the caption itself is heard
// without its padding.
void describeAfter(QWidget *control, QLabel *caption);

} // namespace Larkspan::Accessibility
