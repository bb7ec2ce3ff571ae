#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>

// Answers the program's modal message boxes for a test: armed before the
// code under test runs, it watches for a modal box, records its text and
// window title, and presses its OK button. Past its deadline it closes any
// modal window left open, so a test can never hang on one.
class ModalCloser : public QObject
{
    Q_OBJECT

public:
    explicit ModalCloser(int deadlineMs = 10000, QObject *parent = nullptr);

    void arm();
    void disarm();

    QStringList texts() const { return m_texts; }

private:
    void poll();

    QTimer m_timer;
    int m_deadlineMs;
    qint64 m_armedAt = 0;
    QStringList m_texts;
};
