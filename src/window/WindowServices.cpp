#include "window/WindowServices.h"

#include "platform/Platform.h"
#include "window/ActivationHandler.h"

#include <QApplication>
#include <QEvent>
#include <QScreen>
#include <QTimer>
#include <QWindow>

namespace Larkspan {

WindowServices &WindowServices::instance()
{
    static WindowServices *services = [] {
        auto *created = new WindowServices;
        qApp->installEventFilter(created);
        return created;
    }();
    return *services;
}

WindowServices::WindowServices() = default;

void WindowServices::registerForm(QWidget *window, std::function<void()> forget)
{
    m_forms.insert(window, std::move(forget));
    connect(window, &QObject::destroyed, this, [this, window] { m_forms.remove(window); });
}

bool WindowServices::isForm(const QWidget *window) const
{
    return m_forms.contains(const_cast<QWidget *>(window));
}

bool WindowServices::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::WindowActivate && watched->isWidgetType()) {
        auto *window = static_cast<QWidget *>(watched);
        if (!m_ending && window->isWindow() && isForm(window) && window != m_lastActive) {
            m_lastActive = window;
            if (auto *handler = dynamic_cast<ActivationHandler *>(window))
                handler->Form_Activate();
        }
    }
    return QObject::eventFilter(watched, event);
}

void WindowServices::raiseWindow(QWidget *window)
{
    if (platform().canRaiseWindows())
        window->raise();
}

void WindowServices::repairActivation(QWidget *window)
{
    // After a window was hidden and shown again, Qt can leave the program
    // without an active window although the window holds the focus; the
    // window then gets no activation and its shortcuts go dead.
    QPointer<QWidget> guarded(window);
    const bool withoutFocus = platform().activatesWithoutFocus();
    auto repair = [guarded, withoutFocus] {
        if (!guarded || !guarded->isVisible() || QApplication::activeWindow())
            return;
        const QWindow *handle = guarded->windowHandle();
        if (withoutFocus || (handle && QGuiApplication::focusWindow() == handle))
            QApplication::setActiveWindow(guarded);
    };
    QTimer::singleShot(0, this, repair);
    QTimer::singleShot(50, this, repair);
}

void WindowServices::showWindow(QWidget *window)
{
    window->show();
    raiseWindow(window);
    window->activateWindow();
    repairActivation(window);
}

void WindowServices::hideWindow(QWidget *window)
{
    window->hide();
}

void WindowServices::unloadWindow(QWidget *window)
{
    if (!window)
        return;
    if (auto forget = m_forms.take(window))
        forget();
    window->hide();
    window->deleteLater();
}

void WindowServices::giveFocus(QWidget *control)
{
    QWidget *window = control->window();
    if (QApplication::activeWindow() != window) {
        raiseWindow(window);
        window->activateWindow();
        repairActivation(window);
    }
    control->setFocus(Qt::OtherFocusReason);
}

void WindowServices::centreOnScreen(QWidget *window)
{
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect frame = window->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
}

void WindowServices::endProgram(int status)
{
    m_ending = true;
    const auto forms = m_forms.keys();
    for (QWidget *window : forms)
        window->hide();
    QCoreApplication::exit(status);
}

void WindowServices::reset()
{
    const auto forms = m_forms.keys();
    for (QWidget *window : forms) {
        if (auto forget = m_forms.take(window))
            forget();
        delete window;
    }
    m_lastActive = nullptr;
    m_ending = false;
}

} // namespace Larkspan
