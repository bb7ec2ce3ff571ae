#include "launcher/Module1.h"

#include "platform/AddressKind.h"
#include "platform/Platform.h"

#include <optional>
#include <tuple>

namespace Module1 {

QString TargetAddress;

namespace {

Larkspan::Outcome<qintptr> shellExecute(const QString &file)
{
    return Larkspan::platform().shellExecute(0, std::nullopt, file, std::nullopt,
                                             QString::fromUtf16(workingDirectory), showNormal);
}

} // namespace

qsizetype highestPieceIndex(const QString &address)
{
    if (Larkspan::addressKind(address) == Larkspan::AddressKind::Empty)
        return -1;
    return address.count(u'@');
}

void OpenAddress()
{
    if (Larkspan::addressKind(TargetAddress) == Larkspan::AddressKind::Web) {
        // Web address: the browser program first, then the address itself.
        // The address is never handed to the browser program. A step that
        // fails is skipped: neither outcome is looked at.
        std::ignore = Larkspan::platform().startProgram(QString::fromUtf16(browserProgram),
                                                        maximizedWithFocus);
        std::ignore = shellExecute(TargetAddress);
        return;
    }

    // E-mail address (or none at all): a mailto link, the address as it is.
    // The shell's result is not looked at; a failure of the call itself is
    // one that no handler here takes.
    Larkspan::orRaiseUnhandled(shellExecute(Larkspan::mailtoScheme.toString() + TargetAddress));
}

} // namespace Module1
