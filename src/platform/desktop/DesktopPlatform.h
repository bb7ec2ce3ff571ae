#pragma once

#include "platform/Platform.h"

#include <memory>

namespace Larkspan {

class LinuxRegistry;

// The platform of a Linux desktop: addresses open through the desktop's
// default handlers, programs start detached, a read-only stand-in answers
// for the registry, message boxes are Qt's, and the window manager stacks
// windows and hands the focus around.
class DesktopPlatform : public Platform
{
public:
    DesktopPlatform();
    ~DesktopPlatform() override;

    Outcome<qintptr> shellExecute(qintptr owner, const std::optional<QString> &operation,
                                  const QString &file, const std::optional<QString> &parameters,
                                  const QString &directory, int showCommand) override;
    Outcome<qint64> startProgram(const QString &path, int windowStyle) override;
    long regOpenKeyEx(quint32 root, const QString &subKey, quint32 options, quint32 samDesired,
                      quint32 *key) override;
    long regQueryValueEx(quint32 key, const QString &valueName, quint32 *type, QByteArray *data,
                         quint32 *dataSize) override;
    long regCloseKey(quint32 key) override;
    Outcome<QString> fileName(const QString &path) override;
    void messageBox(const QString &text) override;
    bool canRaiseWindows() const override;
    bool activatesWithoutFocus() const override;
    [[noreturn]] void unhandledFailure(const QString &description) override;

private:
    std::unique_ptr<LinuxRegistry> m_registry;
};

} // namespace Larkspan
