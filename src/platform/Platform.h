#pragma once

#include "platform/Outcome.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <optional>

namespace Larkspan {

// The one seam between Larkspan and the world outside it: opening addresses,
// starting programs, the registry, the file-existence test, message boxes,
// what the windowing system allows, and the end of the program after a
// failure nobody handles. The program installs a real implementation at
// start-up; tests install one that records every call and answers as they
// please, so nothing is ever launched from a test.
class Platform
{
public:
    virtual ~Platform() = default;

    // Hands `file` to the desktop, which opens it with its default handler.
    // `operation` and `parameters` are null when they hold no value. Yields
    // the shell's result, greater than 32 on success, or a failure when the
    // call itself could not be made.
    virtual Outcome<qintptr> shellExecute(qintptr owner, const std::optional<QString> &operation,
                                          const QString &file,
                                          const std::optional<QString> &parameters,
                                          const QString &directory, int showCommand)
        = 0;

    // Starts the executable at `path` without waiting for it. Yields the new
    // task's identifier, or a failure when the program cannot be started.
    virtual Outcome<qint64> startProgram(const QString &path, int windowStyle) = 0;

    // Registry. Each returns 0 on success and an error code otherwise, like
    // the calls they stand for. `data` is the caller's buffer: its size on
    // entry is the room offered, `*dataSize` is in/out in bytes.
    virtual long regOpenKeyEx(quint32 root, const QString &subKey, quint32 options,
                              quint32 samDesired, quint32 *key)
        = 0;
    virtual long regQueryValueEx(quint32 key, const QString &valueName, quint32 *type,
                                 QByteArray *data, quint32 *dataSize)
        = 0;
    virtual long regCloseKey(quint32 key) = 0;

    // The file-existence test: the file's name when a normal file exists at
    // `path`, the empty string otherwise, a failure for a malformed path.
    virtual Outcome<QString> fileName(const QString &path) = 0;

    // A message box with one OK button and no icon, captioned with the
    // application title; returns after the user has closed it.
    virtual void messageBox(const QString &text) = 0;

    // Whether a window can be raised above the others: the windowing system
    // keeps them in a stacking order.
    virtual bool canRaiseWindows() const = 0;
    // Whether a window the program shows may be made the active one although
    // the windowing system did not give it the focus. Where nobody hands the
    // focus around (no window manager, no user), it would otherwise never be.
    virtual bool activatesWithoutFocus() const = 0;

    // A failure that no handler catches: shows `description`, then ends the
    // program with a non-zero status. Never returns.
    [[noreturn]] virtual void unhandledFailure(const QString &description) = 0;
};

// The platform in force. Installed once at start-up (or by a test).
Platform &platform();
void setPlatform(Platform *platform);

// Reports a failure that no handler catches, through the platform in force.
[[noreturn]] void raiseUnhandled(const QString &description);

// The value of `outcome`; a failure is raised as one that no handler
// catches. Handlers use it where a failure is not theirs to answer.
template<typename T> T orRaiseUnhandled(Outcome<T> outcome)
{
    if (!outcome.ok())
        raiseUnhandled(outcome.error());
    return std::move(outcome.value());
}

inline void orRaiseUnhandled(Outcome<void> outcome)
{
    if (!outcome.ok())
        raiseUnhandled(outcome.error());
}

// The title that captions every message box.
inline constexpr char16_t applicationTitle[] = u"Larkspan";

} // namespace Larkspan
