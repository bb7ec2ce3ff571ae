#include "store/BookMerge.h"

#include "store/EntryPlacement.h"
#include "store/ForeignObjects.h"
#include "store/IdentitySchema.h"
#include "store/SqliteConnection.h"

#include <QScopeGuard>

#include <optional>
#include <vector>

using namespace Qt::StringLiterals;

namespace Larkspan {

namespace {

using namespace Schema;

// clang-format off
constexpr auto entriesById = join(
    u"SELECT ", idColumn, u", ", rowColumn, u", ", madeColumn, u", ", changedColumn,
    u" FROM %1.", entryTable, u" ORDER BY ", idColumn);
constexpr auto deletedById = join(
    u"SELECT ", idColumn, u", ", restoredColumn, u", ", addressColumn, u" IS NULL",
    u" FROM %1.", deletedTable, u" ORDER BY ", idColumn);
constexpr auto deletedColumns = join(
    idColumn, u", ", deletedColumn, u", ", madeColumn, u", ", changedColumn, u", ", rowColumn, u", ",
    typeColumn, u", ", addressColumn, u", ", aboutColumn, u", ", restoredColumn);
constexpr auto copyTombstone = join(
    u"INSERT OR REPLACE INTO main.", deletedTable, u" (", deletedColumns, u") SELECT ",
    deletedColumns, u" FROM theirs.", deletedTable, u" WHERE ", idColumn, u" = ?1");
constexpr auto markRestored = join(
    u"UPDATE main.", deletedTable, u" SET ", restoredColumn, u" = 1 WHERE ", idColumn, u" = ?1");
constexpr auto markPurged = join(
    u"UPDATE main.", deletedTable, u" SET ", typeColumn, u" = NULL, ", addressColumn, u" = NULL, ",
    aboutColumn, u" = NULL WHERE ", idColumn, u" = ?1");
constexpr auto deleteEntry = join(u"DELETE FROM main.", table, u" WHERE rowid = ?1");
constexpr auto takeFields = join(
    u"UPDATE main.", table, u" SET (", typeColumn, u", ", addressColumn, u", ", aboutColumn, u") = (",
    u"SELECT ", typeText, u", ", addressText, u", ", aboutText, u" FROM theirs.", table,
    u" WHERE rowid = ?2) WHERE rowid = ?1");
constexpr auto setChanged = join(
    u"UPDATE main.", entryTable, u" SET ", changedColumn, u" = ?2 WHERE ", rowColumn, u" = ?1");
// clang-format on

struct Entry
{
    qint64 row = 0;
    qint64 made = 0;
    qint64 changed = 0;
};

struct Tombstone
{
    bool restored = false;
    bool purged = false;
};

// One side's identities in order, read a row at a time.
template<typename Value> class Stream
{
public:
    Stream(SqliteConnection &connection, QStringView sql, QStringView schema)
        : m_statement(connection.handle(), sql.toString().arg(schema))
    {
        advance();
    }

    bool prepared() const { return m_statement.prepared(); }
    Failure failure() const { return m_statement.failure(); }
    bool failed() const { return m_rc != SQLITE_ROW && m_rc != SQLITE_DONE; }
    bool atEnd() const { return m_rc != SQLITE_ROW; }
    const QByteArray &id() const { return m_id; }
    // The current value when its identity is `id`, and the stream moves on.
    std::optional<Value> take(const QByteArray &id)
    {
        if (atEnd() || m_id != id)
            return std::nullopt;
        const Value value = m_value;
        advance();
        return value;
    }

private:
    void advance()
    {
        if (!m_statement.prepared()) {
            m_rc = SQLITE_ERROR;
            return;
        }
        m_rc = m_statement.step();
        if (m_rc != SQLITE_ROW)
            return;
        m_id = m_statement.blob(0);
        if constexpr (std::is_same_v<Value, Entry>)
            m_value = {m_statement.integer(1), m_statement.integer(2), m_statement.integer(3)};
        else
            m_value = {m_statement.integer(1) != 0, m_statement.integer(2) != 0};
    }

    SqliteStatement m_statement;
    int m_rc = SQLITE_DONE;
    QByteArray m_id;
    Value m_value;
};

// What the walk over both sides found to do to ours.
struct Plan
{
    std::vector<QByteArray> copyTombstones, markRestored, markPurged;
    std::vector<qint64> deleteRows;
    struct Take
    {
        qint64 ours, theirs, changed;
    };
    std::vector<Take> takes;
    std::vector<Incoming> incoming;
    MergeOutcome outcome;
};

void decide(Plan &plan, const QByteArray &id, const std::optional<Entry> &mine,
            const std::optional<Entry> &other, const std::optional<Tombstone> &mineGone,
            const std::optional<Tombstone> &otherGone)
{
    MergeOutcome &outcome = plan.outcome;
    if (mineGone || otherGone) {
        if (mine) {
            plan.deleteRows.push_back(mine->row);
            outcome.oursChanged = true;
        }
        if (other && !otherGone)
            outcome.theirsLacks = true;
        if (!mineGone) {
            plan.copyTombstones.push_back(id);
            outcome.oursChanged = true;
        } else if (!otherGone) {
            outcome.theirsLacks = true;
        } else {
            auto more = [](const Tombstone &a, const Tombstone &b, bool Tombstone::*flag) {
                return a.*flag && !(b.*flag);
            };
            for (bool Tombstone::*flag : {&Tombstone::restored, &Tombstone::purged}) {
                if (more(*otherGone, *mineGone, flag)) {
                    (flag == &Tombstone::restored ? plan.markRestored : plan.markPurged)
                        .push_back(id);
                    outcome.oursChanged = true;
                }
                outcome.theirsLacks = outcome.theirsLacks || more(*mineGone, *otherGone, flag);
            }
        }
        return;
    }
    if (mine && other) {
        if (other->changed > mine->changed) {
            plan.takes.push_back({mine->row, other->row, other->changed});
            outcome.oursChanged = true;
        } else if (mine->changed > other->changed) {
            outcome.theirsLacks = true;
        }
    } else if (mine) {
        outcome.theirsLacks = true;
    } else if (other) {
        plan.incoming.push_back({id, other->row, other->made, other->changed, std::nullopt});
        outcome.oursChanged = true;
    }
}

Outcome<Plan> walk(SqliteConnection &ours)
{
    Stream<Entry> mine(ours, entriesById.view(), u"main");
    Stream<Entry> other(ours, entriesById.view(), u"theirs");
    Stream<Tombstone> mineGone(ours, deletedById.view(), u"main");
    Stream<Tombstone> otherGone(ours, deletedById.view(), u"theirs");
    if (!mine.prepared() || !other.prepared() || !mineGone.prepared() || !otherGone.prepared())
        return ours.failure();
    Plan plan;
    for (;;) {
        std::optional<QByteArray> next;
        auto consider = [&next](bool atEnd, const QByteArray &id) {
            if (!atEnd && (!next || id < *next))
                next = id;
        };
        consider(mine.atEnd(), mine.id());
        consider(other.atEnd(), other.id());
        consider(mineGone.atEnd(), mineGone.id());
        consider(otherGone.atEnd(), otherGone.id());
        if (!next)
            break;
        const QByteArray id = *next;
        decide(plan, id, mine.take(id), other.take(id), mineGone.take(id), otherGone.take(id));
    }
    if (mine.failed() || other.failed() || mineGone.failed() || otherGone.failed())
        return ours.failure();
    return plan;
}

Outcome<void> runFor(SqliteConnection &ours, QStringView sql, const std::vector<QByteArray> &ids)
{
    SqliteStatement statement(ours.handle(), sql);
    if (!statement.prepared())
        return statement.failure();
    for (const QByteArray &id : ids) {
        statement.bindBlob(1, id);
        if (!statement.run())
            return statement.failure();
    }
    return {};
}

Outcome<void> apply(SqliteConnection &ours, const Plan &plan)
{
    // Their tombstones go in first: the deletion they remember, with its
    // time, is the one kept when the entry goes here too.
    if (Outcome<void> done = runFor(ours, copyTombstone.view(), plan.copyTombstones); !done.ok())
        return done;
    SqliteStatement remove(ours.handle(), deleteEntry.view());
    SqliteStatement take(ours.handle(), takeFields.view());
    SqliteStatement stamp(ours.handle(), setChanged.view());
    if (!remove.prepared() || !take.prepared() || !stamp.prepared())
        return ours.failure();
    for (const qint64 row : plan.deleteRows) {
        remove.bind(1, row);
        if (!remove.run())
            return remove.failure();
    }
    for (const Plan::Take &t : plan.takes) {
        take.bind(1, t.ours);
        take.bind(2, t.theirs);
        stamp.bind(1, t.ours);
        stamp.bind(2, t.changed);
        if (!take.run() || !stamp.run())
            return ours.failure();
    }
    if (Outcome<void> placed = EntryPlacement(ours).insert(plan.incoming); !placed.ok())
        return placed;
    if (Outcome<void> done = runFor(ours, markRestored.view(), plan.markRestored); !done.ok())
        return done;
    return runFor(ours, markPurged.view(), plan.markPurged);
}

} // namespace

Outcome<MergeOutcome> mergeBook(SqliteConnection &ours, const QString &theirs, bool takeTheRest)
{
    SqliteStatement attach(ours.handle(), u"ATTACH ?1 AS theirs");
    attach.bind(1, theirs);
    if (!attach.run())
        return attach.failure();
    const auto detach = qScopeGuard([&ours] { std::ignore = ours.exec(u"DETACH theirs"); });
    Outcome<Plan> plan = [&]() -> Outcome<Plan> {
        SqliteTransaction transaction(ours);
        if (!transaction.began().ok())
            return transaction.began().failure();
        Outcome<Plan> found = walk(ours);
        if (!found.ok())
            return found;
        if (Outcome<void> applied = apply(ours, found.value()); !applied.ok())
            return applied.failure();
        if (takeTheRest) {
            if (Outcome<void> taken = takeForeignObjects(ours); !taken.ok())
                return taken.failure();
        }
        if (Outcome<void> committed = transaction.commit(); !committed.ok())
            return committed.failure();
        return found;
    }();
    if (!plan.ok())
        return plan.failure();
    return plan.value().outcome;
}

} // namespace Larkspan
