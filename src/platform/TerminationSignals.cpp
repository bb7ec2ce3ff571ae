#include "platform/TerminationSignals.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace Larkspan {

namespace {

constexpr std::array<int, 3> endingSignals = {SIGTERM, SIGINT, SIGHUP};
int pipeEnds[2] = {-1, -1};

extern "C" void onEndingSignal(int signal)
{
    const int saved = errno;
    const char number = char(signal);
    // A full pipe already holds a request to end: nothing is lost.
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &number, 1);
    errno = saved;
}

} // namespace

TerminationSignals::TerminationSignals(std::function<void(int)> end, QObject *parent)
    : QObject(parent)
    , m_end(std::move(end))
{
    if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_notifier = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::deliver);
    for (const int signal : endingSignals) {
        struct sigaction action = {};
        if (::sigaction(signal, nullptr, &action) != 0
            || (signal != SIGTERM && action.sa_handler == SIG_IGN))
            continue;
        action = {};
        action.sa_handler = &onEndingSignal;
        action.sa_flags = SA_RESTART;
        sigemptyset(&action.sa_mask);
        ::sigaction(signal, &action, nullptr);
    }
}

TerminationSignals::~TerminationSignals()
{
    for (const int signal : endingSignals) {
        struct sigaction current = {};
        if (::sigaction(signal, nullptr, &current) == 0 && current.sa_handler == &onEndingSignal)
            ::signal(signal, SIG_DFL);
    }
    delete m_notifier;
    for (int &end : pipeEnds) {
        if (end >= 0)
            ::close(end);
        end = -1;
    }
}

void TerminationSignals::deliver()
{
    char numbers[16];
    const ssize_t got = ::read(pipeEnds[0], numbers, sizeof numbers);
    if (got > 0)
        m_end(numbers[0]);
}

} // namespace Larkspan
