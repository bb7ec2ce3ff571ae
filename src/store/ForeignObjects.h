#pragma once

#include "platform/Outcome.h"

namespace Larkspan {

class SqliteConnection;

// What other programs keep in the book besides the entries: tables of their
// own with their rows, and their indexes, views and triggers. Entries are
// merged; all the rest follows the book as it lies in its folder, so that
// writing the book from the working copy never takes away what another
// program put into it.
//
// Makes the objects of the database open on `ours` that are neither the
// address table nor this program's own exactly those of the copy attached
// as "theirs", rows and all.
Outcome<void> takeForeignObjects(SqliteConnection &ours);

} // namespace Larkspan
