#pragma once

#include <QWidget>

class QLabel;
class QTimer;

namespace Larkspan {

// The start-up window: the title picture alone, in the middle of the screen.
// One second later, or at the first key that produces a character, it shows
// the main window and unloads itself.
class frmSplash1 : public QWidget
{
    Q_OBJECT

public:
    frmSplash1();
    ~frmSplash1() override;

    QLabel *Image1 = nullptr;
    QTimer *Timer1 = nullptr;

    void Timer1_Timer();
    void Form_KeyPress(QKeyEvent *event);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void leave();

    bool m_left = false;
};

} // namespace Larkspan
