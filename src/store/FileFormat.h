#pragma once

#include <QString>

namespace Larkspan {

// What lies at the address book's path, told by its first bytes alone and
// before anything else opens it.
enum class FileFormat {
    Missing, // nothing at the path
    NotARegularFile, // a directory, a device, a pipe, ...
    Unreadable, // there, but opening or reading it fails
    SQLite, // our own format
    Jet3, // Jet 3 address book (2048-byte pages)
    Jet4, // Jet 4 address book (4096-byte pages)
    Ace, // the newer Access format, which we do not read
    Unknown, // empty, too short, or anything else
};

FileFormat detectFileFormat(const QString &path);

} // namespace Larkspan
