#pragma once

#include "platform/RegistryTable.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace Larkspan {

// What stands in for the registry on Linux, which has none. It holds the one
// value the program reads: below the local-machine root, the key
// "SOFTWARE\Microsoft\Shared Tools\MSINFO" with the string value "PATH",
// the full path of a system information tool installed on this machine,
// NUL-terminated 8-bit text. The tool is the first of the candidates that is
// an executable file; when none is, that key does not exist. The key
// "SOFTWARE\Microsoft\Shared Tools Location" never exists, so the folder
// lookup of the System Info command always finds nothing here.
//
// The tool is looked for afresh at every open, so a tool installed or removed
// while the program runs is noticed at the next System Info command.
//
// The stand-in is read-only: it offers no call that writes, so the write
// rights within the mask 0x2003F that the System Info command asks for are
// granted without giving anything away.
class LinuxRegistry
{
public:
    // The usual system information tools of Linux desktops, best first, at
    // their absolute install locations: nothing is looked up on PATH.
    static QStringList defaultCandidates();

    explicit LinuxRegistry(QStringList candidates = defaultCandidates());

    // The first candidate that is an executable regular file.
    std::optional<QString> installedTool() const;

    long regOpenKeyEx(quint32 root, const QString &subKey, quint32 options, quint32 samDesired,
                      quint32 *key);
    long regQueryValueEx(quint32 key, const QString &valueName, quint32 *type, QByteArray *data,
                         quint32 *dataSize);
    long regCloseKey(quint32 key);

private:
    void refresh();

    QStringList m_candidates;
    RegistryTable m_table;
};

} // namespace Larkspan
