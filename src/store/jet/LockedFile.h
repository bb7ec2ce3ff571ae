#pragma once

#include "platform/Outcome.h"

#include <QString>

#include <sys/types.h>

namespace Larkspan::JetImport {

// The old file held open and locked (flock) for the length of a conversion,
// so that two Larkspans starting at once in one directory do not convert it
// twice. Locking never writes to the file.
class LockedFile
{
public:
    LockedFile() = default;
    ~LockedFile();
    LockedFile(const LockedFile &) = delete;
    LockedFile &operator=(const LockedFile &) = delete;

    // Opens and locks `path`, waiting at most `timeoutMs` for another holder.
    Outcome<void> lock(const QString &path, int timeoutMs);

    // Whether `path` still leads to the file that is locked.
    bool isStillAt(const QString &path) const;

    dev_t device() const { return m_device; }
    ino_t inode() const { return m_inode; }
    mode_t mode() const { return m_mode; }

private:
    int m_fd = -1;
    dev_t m_device = 0;
    ino_t m_inode = 0;
    mode_t m_mode = 0;
};

} // namespace Larkspan::JetImport
