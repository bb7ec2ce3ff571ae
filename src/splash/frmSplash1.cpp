#include "splash/frmSplash1.h"

#include "main_window/Form1.h"
#include "store/BuildProgress.h"
#include "window/Accessibility.h"
#include "window/FormInstance.h"
#include "window/Twips.h"
#include "window/WindowServices.h"

#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace Larkspan {

namespace {

// Work that ends sooner than this shows no progress.
constexpr qint64 quietMs = 500;

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
    Image1->setGeometry(
        QRect(QPoint(0, 0), title.isNull() ? Twips::size(6480, 3240, this) : title.size()));
    Image1->setAccessibleName(u"Larkspan"_s);

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(u"ProgressBar1"_s);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setGeometry(8, height() - 12, width() - 16, 6);
    ProgressBar1->setAccessibleName(u"Opening the address book"_s);
    ProgressBar1->hide();

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
    {
        // Loading the main window opens the address book.
        QElapsedTimer opening;
        opening.start();
        const BuildProgress listening(
            [this, &opening](double done) { showProgress(opening.elapsed(), done); });
        WindowServices::instance().showWindow(FormInstance<Form1>::get());
    }
    FormInstance<frmSplash1>::unload();
}

void frmSplash1::showProgress(qint64 elapsedMs, double done)
{
    if (ProgressBar1->isHidden()) {
        if (elapsedMs < quietMs || done >= 1)
            return;
        ProgressBar1->show();
    }
    ProgressBar1->setValue(qRound(done * 100));
    // The event loop waits for the work to end: the bar is painted now.
    ProgressBar1->repaint();
}

} // namespace Larkspan
