#include "store/EntryPlacement.h"

#include "store/IdentitySchema.h"
#include "store/SqliteConnection.h"

#include <algorithm>
#include <limits>

using namespace Qt::StringLiterals;

namespace Larkspan {

namespace {

using namespace Schema;

// clang-format off
constexpr auto before = join(
    u"SELECT ", rowColumn, u" FROM main.", entryTable, u" WHERE (", madeColumn, u", ", idColumn,
    u") < (?1, ?2) ORDER BY ", madeColumn, u" DESC, ", idColumn, u" DESC LIMIT 1");
constexpr auto after = join(
    u"SELECT ", rowColumn, u", ", madeColumn, u", ", idColumn, u" FROM main.", entryTable,
    u" WHERE (", madeColumn, u", ", idColumn, u") > (?1, ?2) ORDER BY ", madeColumn, u", ", idColumn,
    u" LIMIT 1");
constexpr auto fromOn = join(
    u"SELECT ", rowColumn, u" FROM main.", entryTable, u" WHERE (", madeColumn, u", ", idColumn,
    u") >= (?1, ?2) ORDER BY ", madeColumn, u", ", idColumn);
constexpr auto isTaken = join(u"SELECT 1 FROM main.", table, u" WHERE rowid = ?1");
constexpr auto lastRow = join(u"SELECT IFNULL(MAX(rowid), 0) FROM main.", table);
constexpr auto moveRow = join(u"UPDATE main.", table, u" SET rowid = ?2 WHERE rowid = ?1");
constexpr auto insertAt = join(
    u"INSERT INTO main.", table, u" (rowid, ", typeColumn, u", ", addressColumn, u", ", aboutColumn,
    u") SELECT ?1, ", typeText, u", ", addressText, u", ", aboutText, u" FROM theirs.", table,
    u" WHERE rowid = ?2");
// The insert's trigger gave the entry an identity of its own.
constexpr auto setIdentity = join(
    u"UPDATE main.", entryTable, u" SET ", idColumn, u" = ?2, ", madeColumn, u" = ?3, ",
    changedColumn, u" = ?4 WHERE ", rowColumn, u" = ?1");
// clang-format on

constexpr qint64 noRow = std::numeric_limits<qint64>::max();

} // namespace

Outcome<void> EntryPlacement::insert(std::vector<Incoming> entries)
{
    std::sort(entries.begin(), entries.end(), [](const Incoming &a, const Incoming &b) {
        return a.made != b.made ? a.made < b.made : a.id < b.id;
    });
    SqliteStatement add(m_connection.handle(), insertAt.view());
    SqliteStatement identify(m_connection.handle(), setIdentity.view());
    if (!add.prepared() || !identify.prepared())
        return m_connection.failure();
    for (const Incoming &entry : entries) {
        const Outcome<qint64> row = freeRowFor(entry);
        if (!row.ok())
            return row.failure();
        add.bind(1, row.value());
        add.bind(2, entry.row);
        identify.bind(1, row.value());
        identify.bindBlob(2, entry.id);
        identify.bind(3, entry.made);
        identify.bind(4, entry.changed);
        if (!add.run() || !identify.run())
            return m_connection.failure();
    }
    return {};
}

Outcome<bool> EntryPlacement::taken(qint64 row)
{
    SqliteStatement statement(m_connection.handle(), isTaken.view());
    statement.bind(1, row);
    const int rc = statement.step();
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        return statement.failure();
    return rc == SQLITE_ROW;
}

Outcome<qint64> EntryPlacement::freeRowFor(const Incoming &entry)
{
    SqliteStatement previous(m_connection.handle(), before.view());
    SqliteStatement following(m_connection.handle(), after.view());
    if (!previous.prepared() || !following.prepared())
        return m_connection.failure();
    for (SqliteStatement *statement : {&previous, &following}) {
        statement->bind(1, entry.made);
        statement->bindBlob(2, entry.id);
    }
    const int hasPrevious = previous.step();
    const int hasFollowing = following.step();
    if ((hasPrevious != SQLITE_ROW && hasPrevious != SQLITE_DONE)
        || (hasFollowing != SQLITE_ROW && hasFollowing != SQLITE_DONE))
        return m_connection.failure();
    const qint64 low = hasPrevious == SQLITE_ROW ? previous.integer(0) : 0;
    if (hasFollowing != SQLITE_ROW) {
        // Last in the order: after every row there is.
        const Outcome<qint64> last = m_connection.integer(lastRow.view());
        if (!last.ok())
            return last;
        const qint64 wanted = entry.row > std::max(low, last.value()) ? entry.row : 0;
        return wanted ? wanted : std::max(low, last.value()) + 1;
    }
    const qint64 high = following.integer(0);
    for (const qint64 candidate : {entry.row, low + 1}) {
        if (candidate <= low || candidate >= high)
            continue;
        const Outcome<bool> used = taken(candidate);
        if (!used.ok())
            return used.failure();
        if (!used.value())
            return candidate;
    }
    // No room between the two: everything from the following entry on moves
    // to new rows after the last, and the following entry's row is free.
    const qint64 made = following.integer(1);
    const QByteArray id = following.blob(2);
    following.reset();
    if (Outcome<void> moved = moveOn(made, id); !moved.ok())
        return moved.failure();
    return high;
}

Outcome<void> EntryPlacement::moveOn(qint64 made, const QByteArray &id)
{
    std::vector<qint64> rows;
    {
        SqliteStatement tail(m_connection.handle(), fromOn.view());
        tail.bind(1, made);
        tail.bindBlob(2, id);
        int rc = SQLITE_ROW;
        while ((rc = tail.step()) == SQLITE_ROW)
            rows.push_back(tail.integer(0));
        if (rc != SQLITE_DONE)
            return tail.failure();
    }
    const Outcome<qint64> last = m_connection.integer(lastRow.view());
    if (!last.ok())
        return last.failure();
    SqliteStatement move(m_connection.handle(), moveRow.view());
    qint64 next = last.value();
    for (const qint64 row : rows) {
        move.bind(1, row);
        move.bind(2, ++next);
        if (!move.run())
            return move.failure();
    }
    return {};
}

} // namespace Larkspan
