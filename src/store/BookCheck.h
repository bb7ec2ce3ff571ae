#pragma once

#include "platform/Outcome.h"
#include "store/FileStamp.h"
#include "store/StateFolder.h"

#include <QString>

#include <memory>
#include <optional>

// The look at an address book that comes before anything of ours writes
// to it or takes it for a working copy.
//
// First SQLite's own recovery of a write that a crash cut short: a hot
// rollback journal is rolled back by the first read through a connection
// that may write, and that is the one write allowed before the verdict.
// Then, reading only and leaving no file behind: the file is an SQLite
// database, its table Informaiton is an ordinary table with a rowid and the
// three columns (the statement that stores a change compiles), and its pages
// pass SQLite's quick check. A missing or empty file passes: it becomes a new
// address book.
namespace Larkspan::BookCheck {

// The verdict on the database at `path`: success when it may be opened for
// writing, otherwise the engine's message that says why not.
Outcome<void> run(const QString &path);

// SQLite's own recovery of the book at `path`: a read through a connection
// that may write rolls a hot journal back, and as the last connection closes
// a write-ahead log is folded into the file and removed with its index.
Outcome<void> recover(const QString &path);

// A book read into this run's working copy, and checked there.
struct Copy
{
    std::unique_ptr<StateFolder> folder; // holds the working copy
    std::optional<FileStamp> stamp; // the book's version it holds
    bool fromBook = false; // false: there was no book, or an empty file
};

// Reads the book at `path` (its real path) into a new working copy and
// checks the copy. A log that another run of SQLite left beside the book is
// folded in once the copy passed, so that nothing lies beside the book.
Outcome<Copy> copyBook(const QString &path);

// Starts copyBook() of the book at `book` (a link followed) on a thread of
// its own, so that its cost falls within the splash screen's second;
// verdict() of the same path waits for it.
void start(const QString &book);

// What copyBook() that start() began on `path` made, when the book is still
// the one it read; otherwise copyBook(path) now.
Outcome<Copy> verdict(const QString &path);

} // namespace Larkspan::BookCheck
