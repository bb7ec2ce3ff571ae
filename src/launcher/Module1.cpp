#include "launcher/Module1.h"

#include "platform/Platform.h"

#include <exception>
#include <optional>

namespace Module1 {

QString TargetAddress;

namespace {

void shellExecute(const QString &file)
{
    Larkspan::platform().shellExecute(0, std::nullopt, file, std::nullopt,
                                      QString::fromUtf16(workingDirectory), showNormal);
}

// A step of the web branch: whatever goes wrong in it is skipped and the
// next step runs. Failures come back as results, which are not looked at;
// an exception is dropped here for the same reason.
template<typename Step>
void skippingFailure(Step step)
{
    try {
        step();
    } catch (const std::exception &) {
    }
}

} // namespace

qsizetype highestPieceIndex(const QString &address)
{
    if (address.isEmpty())
        return -1;
    return address.count(u'@');
}

void OpenAddress()
{
    if (highestPieceIndex(TargetAddress) == 0) {
        // Web address: the browser program first, then the address itself.
        // The address is never handed to the browser program.
        skippingFailure([] {
            Larkspan::platform().startProgram(QString::fromUtf16(browserProgram), maximizedWithFocus);
        });
        skippingFailure([] { shellExecute(TargetAddress); });
        return;
    }

    // E-mail address (or none at all): a mailto link, the address as it is.
    // The shell reports failure through its result, which nobody reads; an
    // exception from the call is a failure no handler here takes, and it
    // must not cross the event loop that called us.
    try {
        shellExecute(QString::fromUtf16(mailtoPrefix) + TargetAddress);
    } catch (const std::exception &error) {
        Larkspan::raiseUnhandled(QString::fromLocal8Bit(error.what()));
    }
}

} // namespace Module1
