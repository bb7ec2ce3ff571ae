#pragma once

#include <functional>

namespace Larkspan {

// How far a long piece of work on the address book (building its companion
// tables) has come, for whoever wants to show it: the work reports, and the
// listener that lives at the time hears it. The splash screen listens while
// the main window opens the book; when nobody listens, reports go nowhere.
class BuildProgress
{
public:
    // From 0 to 1.
    using Listener = std::function<void(double done)>;

    explicit BuildProgress(Listener listener);
    ~BuildProgress();
    BuildProgress(const BuildProgress &) = delete;
    BuildProgress &operator=(const BuildProgress &) = delete;

    static void report(double done);

private:
    Listener m_listener;
    BuildProgress *m_outer;
};

} // namespace Larkspan
