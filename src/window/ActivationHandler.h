#pragma once

namespace Larkspan {

// A window whose handler runs each time it becomes the program's active
// window: when it first shows, when the user comes back to it from another
// window of the program, and when another window's handler gives the focus
// to one of its controls. Not when one of the program's own message boxes
// closes, and not when the user comes back from another program.
class ActivationHandler
{
public:
    virtual ~ActivationHandler() = default;
    virtual void Form_Activate() = 0;
};

} // namespace Larkspan
