#pragma once

#include <QtGlobal>

#include <optional>

// The time as the program tells it, in milliseconds since 1970: the
// system's clock, or the one a test sets.
namespace Larkspan::Clock {

qint64 nowMs();
void setForTesting(std::optional<qint64> ms);

} // namespace Larkspan::Clock
