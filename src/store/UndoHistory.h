#pragma once

#include "platform/Outcome.h"
#include "store/Record.h"

#include <QByteArray>

#include <vector>

namespace Larkspan {

class SqliteConnection;

// The changes made in this run, each undone and redone by the identity of
// its entry, so that what changed elsewhere meanwhile (merged in from
// another copy) is never undone: a step whose entry no longer holds what the
// step left in it is refused and stays where it is.
class UndoHistory
{
public:
    enum class Kind { Added, Modified, Deleted };
    struct Step
    {
        Kind kind;
        QByteArray id; // the entry's identity now
        Record before; // Modified, Deleted: the fields before
        Record after; // Added, Modified: the fields after
    };
    enum class Result {
        Done,
        Nothing, // nothing left to undo, or to redo
        ChangedElsewhere, // the entry changed since: left as it is
    };

    // A change made; what was undone before it can no longer be redone.
    void record(Step step);

    Outcome<Result> undo(SqliteConnection &connection);
    Outcome<Result> redo(SqliteConnection &connection);

private:
    // Takes the step back (or forward): false when its entry changed since.
    Outcome<bool> apply(SqliteConnection &connection, Step &step, bool forward);

    std::vector<Step> m_steps;
    size_t m_done = 0; // the steps before this one are done
};

} // namespace Larkspan
