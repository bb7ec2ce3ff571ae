#include "ModalCloser.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDateTime>
#include <QMessageBox>

ModalCloser::ModalCloser(int deadlineMs, QObject *parent)
    : QObject(parent)
    , m_deadlineMs(deadlineMs)
{
    m_timer.setInterval(5);
    connect(&m_timer, &QTimer::timeout, this, &ModalCloser::poll);
}

void ModalCloser::arm()
{
    m_armedAt = QDateTime::currentMSecsSinceEpoch();
    m_timer.start();
}

void ModalCloser::disarm()
{
    m_timer.stop();
}

void ModalCloser::poll()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (auto *box = qobject_cast<QMessageBox *>(modal); box && box->isVisible()) {
        m_texts << box->text();
        box->buttons().first()->click();
        return;
    }
    if (QDateTime::currentMSecsSinceEpoch() - m_armedAt > m_deadlineMs) {
        if (modal)
            modal->close();
        m_timer.stop();
    }
}
