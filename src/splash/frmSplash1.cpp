#include "splash/frmSplash1.h"

#include "main_window/Form1.h"
#include "window/Accessibility.h"
#include "window/FormInstance.h"
#include "window/Twips.h"
#include "window/WindowServices.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace Larkspan {

namespace {

// Keys that type a character: letters, digits, the space bar, Enter, Esc,
// Backspace. Arrows, function keys and modifiers alone type nothing.
bool producesCharacter(const QKeyEvent *event)
{
    if (event->key() == Qt::Key_Delete)
        return false;
    return !event->text().isEmpty();
}

} // namespace

frmSplash1::frmSplash1()
{
    setObjectName(u"frmSplash1"_s);
    // A frame named after the program, as the window manager names it.
    Accessibility::presentWindow(this, QAccessible::Window);
    // No title bar, no taskbar entry, not resizable.
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    setFixedSize(Twips::size(6465, 3225, this));
    setFocusPolicy(Qt::StrongFocus);

    Image1 = new QLabel(this);
    Image1->setObjectName(u"Image1"_s);
    const QPixmap title(u":/title.jpg"_s);
    Image1->setPixmap(title);
    // At its natural size the picture is one pixel wider and taller than the
    // window, so its last column and row are cut off.
    Image1->setGeometry(QRect(QPoint(0, 0), title.isNull() ? Twips::size(6480, 3240, this)
                                                           : title.size()));
    Image1->setAccessibleName(u"Larkspan"_s);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(u"Timer1"_s);
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, &frmSplash1::Timer1_Timer);
    Timer1->start();
}

frmSplash1::~frmSplash1() = default;

void frmSplash1::Timer1_Timer()
{
    leave();
}

void frmSplash1::Form_KeyPress(QKeyEvent *)
{
    leave();
}

void frmSplash1::keyPressEvent(QKeyEvent *event)
{
    if (producesCharacter(event))
        Form_KeyPress(event);
    else
        QWidget::keyPressEvent(event);
}

void frmSplash1::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    WindowServices::centreOnScreen(this);
}

void frmSplash1::leave()
{
    // Whichever comes first, the tick or the key, wins; the other can no
    // longer occur.
    if (m_left)
        return;
    m_left = true;
    Timer1->stop();
    WindowServices::instance().showWindow(FormInstance<Form1>::get());
    FormInstance<frmSplash1>::unload();
}

} // namespace Larkspan
