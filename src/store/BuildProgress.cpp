#include "store/BuildProgress.h"

namespace Larkspan {

namespace {

BuildProgress *listening = nullptr;

} // namespace

BuildProgress::BuildProgress(Listener listener)
    : m_listener(std::move(listener))
    , m_outer(listening)
{
    listening = this;
}

BuildProgress::~BuildProgress()
{
    listening = m_outer;
}

void BuildProgress::report(double done)
{
    if (listening && listening->m_listener)
        listening->m_listener(done);
}

} // namespace Larkspan
