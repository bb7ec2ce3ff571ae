#include "platform/Platform.h"

#include <cstdlib>

namespace Larkspan {

namespace {
Platform *current = nullptr;
}

Platform &platform()
{
    Q_ASSERT_X(current, "platform()", "no platform installed");
    if (!current)
        std::abort();
    return *current;
}

void setPlatform(Platform *platform)
{
    current = platform;
}

void raiseUnhandled(const QString &description)
{
    platform().unhandledFailure(description);
    // An implementation that comes back has broken its promise.
    std::abort();
}

} // namespace Larkspan
