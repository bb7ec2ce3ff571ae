#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

#include <sys/types.h>

namespace Larkspan {

// What tells one version of a file from another: the file itself (device
// and inode, which a rename over it changes), its size and its modification
// time. Taken with stat() alone: opening and closing a file of one's own
// would drop the locks SQLite holds on it in this process.
struct FileStamp
{
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    qint64 modifiedNs = 0;

    friend bool operator==(const FileStamp &, const FileStamp &) = default;

    // The stamp of what lies at `path` (following links), or nothing when
    // nothing does.
    static std::optional<FileStamp> of(const QString &path);
};

} // namespace Larkspan
