#pragma once

#include "platform/Outcome.h"

#include <QString>

// The look at an existing address book that comes before anything of ours
// writes to it.
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

// The verdict on the book at `path`: success when it may be opened for
// writing, otherwise the engine's message that says why not.
Outcome<void> run(const QString &path);

// Starts run(path) on a thread of its own, so that its cost falls within the
// splash screen's second; verdict() of the same path waits for it.
void start(const QString &path);

// The verdict of the check that start() began on `path`, when the file is
// still the one it looked at; otherwise run(path) now.
Outcome<void> verdict(const QString &path);

} // namespace Larkspan::BookCheck
