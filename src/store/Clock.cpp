#include "store/Clock.h"

#include <QDateTime>

#include <atomic>

namespace Larkspan::Clock {

namespace {

std::atomic<qint64> setTime {0};
std::atomic<bool> isSet {false};

} // namespace

qint64 nowMs()
{
    return isSet ? setTime.load() : QDateTime::currentMSecsSinceEpoch();
}

void setForTesting(std::optional<qint64> ms)
{
    setTime = ms.value_or(0);
    isSet = ms.has_value();
}

} // namespace Larkspan::Clock
