#pragma once

#include "platform/Outcome.h"

#include <QString>

namespace Larkspan {

class SqliteConnection;

// Two copies of the address book merged entry by entry, by identity, with no
// common ancestor needed:
//  - an entry that either copy holds is kept, unless either copy remembers
//    it as deleted: a deletion always stands;
//  - an entry both hold takes the fields of the later change;
//  - the entries stand in the order of when they were made (then of their
//    identities), in both copies alike.
// The merge is symmetric: merging A into B and B into A give the same
// entries in the same order.
struct MergeOutcome
{
    bool oursChanged = false; // the copy merged into took something
    bool theirsLacks = false; // the other copy lacks something this one has
};

// Merges the book in the file at `theirs` (checked, and with identities for
// every entry) into the database open on `ours`, in one transaction. With
// `takeTheRest`, what other programs keep in it besides the entries is
// taken as it is there (see ForeignObjects).
Outcome<MergeOutcome> mergeBook(SqliteConnection &ours, const QString &theirs,
                                bool takeTheRest = false);

} // namespace Larkspan
