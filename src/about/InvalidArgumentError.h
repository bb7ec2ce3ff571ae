#pragma once

#include <stdexcept>

namespace Larkspan {

// Raised when a routine is handed an argument it cannot work with, such as
// a registry value whose data is empty. Whoever armed a failure handler
// catches it; nobody else does.
class InvalidArgumentError : public std::invalid_argument
{
public:
    using std::invalid_argument::invalid_argument;
};

} // namespace Larkspan
