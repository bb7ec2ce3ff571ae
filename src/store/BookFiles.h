#pragma once

#include <QString>

// The address book's file as SQLite reaches it, and the files SQLite keeps
// beside it while it works.
namespace Larkspan::BookFiles {

// The address book the program works on: Tessmoor.mdb in the current
// directory.
QString inCurrentDirectory();

// The file a book's path leads to: a link stays a link, and the file it
// points to is the one read and replaced.
QString realPath(const QString &path);

// The rollback journal of a write in progress, and the write-ahead log.
QString rollbackJournal(const QString &path);
QString writeAheadLog(const QString &path);

// Whether the file at `path` says in its header that SQLite writes it with a
// write-ahead log beside it.
bool inWalMode(const QString &path);

enum class Access {
    Look, // read only, and leave no file behind
    Work, // read and write; read only where the folder cannot be written
};

// The URI (SQLITE_OPEN_URI) under which a connection opens the book at
// `path`. One that can only read makes no file beside the book: a book in
// WAL mode without its log is whole in its one file (nobody has it open to
// write), and is read as it lies, which needs neither -wal nor -shm; any
// other book is opened read-only.
QString uri(const QString &path, Access access);

// The URI of a connection that reads the book at `path`, as it is in its
// rollback journal's mode, without a look at the file first (which would
// open and close it, dropping the locks this process holds on it).
QString readOnlyUri(const QString &path);

} // namespace Larkspan::BookFiles
