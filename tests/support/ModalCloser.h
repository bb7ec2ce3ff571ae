#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QTimer>

// Answers the program's modal message boxes for a test: armed before the
// code under test runs, it watches for a modal box and presses its OK button.
// Past ten seconds it closes any modal window left open, so a test can never
// hang on one.
class ModalCloser
{
public:
    ModalCloser()
    {
        m_timer.callOnTimeout([this] {
            QWidget *modal = QApplication::activeModalWidget();
            if (auto *box = qobject_cast<QMessageBox *>(modal); box && box->isVisible())
                box->buttons().first()->click();
            else if (m_deadline.hasExpired() && (!modal || modal->close()))
                m_timer.stop();
        });
    }

    void arm()
    {
        m_deadline.setRemainingTime(10000);
        m_timer.start(5);
    }

private:
    QTimer m_timer;
    QDeadlineTimer m_deadline;
};
