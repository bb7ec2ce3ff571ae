#pragma once

#include "platform/Outcome.h"

#include <QString>
#include <QtGlobal>

#include <optional>

namespace Larkspan {

// The shell's two services on a Linux desktop, as the Platform seam asks
// for them: opening a file argument with the desktop's default handler (as
// ShellUrl makes it safe to hand over), and starting a program.
class DesktopShell
{
public:
    // Results of shellExecute, after the shell's convention.
    static constexpr qintptr handedOver = 42; // greater than 32: success
    static constexpr qintptr nothingOpened = 2; // "file not found"

    // Opens `file` with the desktop's default handler. Owner, operation,
    // directory and show command mean nothing on Linux and are ignored;
    // parameters are never passed on. Returns handedOver when the opener
    // was started, nothingOpened otherwise; whatever the opener then does is
    // not seen.
    static qintptr shellExecute(qintptr owner, const std::optional<QString> &operation,
                                const QString &file, const std::optional<QString> &parameters,
                                const QString &directory, int showCommand);

    // Starts the executable at the absolute `path`, with no arguments,
    // without a shell and without waiting. A path that is not absolute
    // (such as a Windows path) or holds a NUL is not started and nothing is
    // looked up on PATH. The window style means nothing on X11. Returns the
    // process id, or a failure when the program cannot be started.
    static Outcome<qint64> startProgram(const QString &path, int windowStyle);
};

} // namespace Larkspan
