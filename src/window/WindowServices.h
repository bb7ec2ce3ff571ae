#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>

namespace Larkspan {

// The windowing operations every window relies on: showing, hiding and
// unloading windows, giving the focus across windows, ending the program,
// and the activation rule (see ActivationHandler).
//
// The rule is kept by watching which of the program's own windows was last
// activated: a window's handler runs only when the program's active window
// changes to it. Message boxes and other windows that are not forms of the
// program are ignored, so a box closing, or the user coming back from
// another program, hands the activation back to the same window and runs
// nothing.
class WindowServices : public QObject
{
    Q_OBJECT

public:
    static WindowServices &instance();

    // Makes `window` one of the program's forms; `forget` resets whatever
    // holds its single instance, so the next reference creates it afresh.
    void registerForm(QWidget *window, std::function<void()> forget);
    bool isForm(const QWidget *window) const;

    // Displays the window non-modally and makes it the active window.
    void showWindow(QWidget *window);
    // Removes the window from the screen, keeping it and its contents.
    void hideWindow(QWidget *window);
    // Destroys the window; the next reference creates it anew.
    void unloadWindow(QWidget *window);
    // Gives the keyboard focus to `control`, activating its window first.
    void giveFocus(QWidget *control);
    // Places the window, frame and all, in the middle of the screen.
    static void centreOnScreen(QWidget *window);

    // Ends the program at once: every window goes, no handler runs after.
    void endProgram(int status);
    bool ending() const { return m_ending; }

    // Unloads every form and forgets the last active one (for a fresh start
    // between test cases).
    void reset();

    // The form that was activated last, if it still exists.
    QWidget *lastActiveForm() const { return m_lastActive; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    WindowServices();
    void repairActivation(QWidget *window);
    static void raiseWindow(QWidget *window);

    QHash<QWidget *, std::function<void()>> m_forms;
    QPointer<QWidget> m_lastActive;
    bool m_ending = false;
};

} // namespace Larkspan
