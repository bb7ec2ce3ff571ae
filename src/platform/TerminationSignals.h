#pragma once

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace Larkspan {

// SIGTERM, SIGINT and SIGHUP (what a desktop session, a terminal's Ctrl+C or
// `kill` send) turned into an ordinary event: the signal handler only writes
// the signal's number into a pipe, and the event loop hands it to `end`, so
// the program ends the way its Exit command does and closes what it opened.
// A signal that was ignored when the program started (nohup) stays ignored.
// One at a time.
class TerminationSignals : public QObject
{
    Q_OBJECT

public:
    explicit TerminationSignals(std::function<void(int signal)> end, QObject *parent = nullptr);
    ~TerminationSignals() override;

private:
    void deliver();

    std::function<void(int)> m_end;
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace Larkspan
