#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class QTimer;

namespace Larkspan {

// The start-up window: the title picture alone, in the middle of the screen.
// One second later, or at the first key that produces a character, it shows
// the main window and unloads itself. When opening the address book takes
// long (the first open of a big book builds its companion tables), a bar
// along the bottom of the picture shows how far it has come.
class frmSplash1 : public QWidget
{
    Q_OBJECT

public:
    frmSplash1();
    ~frmSplash1() override;

    QLabel *Image1 = nullptr;
    QProgressBar *ProgressBar1 = nullptr;
    QTimer *Timer1 = nullptr;

    void Timer1_Timer();
    void Form_KeyPress(QKeyEvent *event);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void leave();
    void showProgress(qint64 elapsedMs, double done);

    bool m_left = false;
};

} // namespace Larkspan
