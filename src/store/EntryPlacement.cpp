#include "store/EntryPlacement.h"

#include "store/IdentitySchema.h"
#include "store/SqliteConnection.h"

#include <QScopeGuard>

#include <algorithm>
#include <optional>

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
    u"SELECT ", rowColumn, u", ", madeColumn, u", ", idColumn, u" FROM main.", entryTable,
    u" WHERE (", madeColumn, u", ", idColumn, u") >= (?1, ?2) ORDER BY ", madeColumn, u", ", idColumn);
constexpr auto lastRow = join(u"SELECT IFNULL(MAX(rowid), 0) FROM main.", table);
constexpr auto isTaken = join(u"SELECT 1 FROM main.", table, u" WHERE rowid = ?1");
constexpr auto rowInTheirs = join(
    u"SELECT ", rowColumn, u" FROM theirs.", entryTable, u" WHERE ", idColumn, u" = ?1");
constexpr auto moveRow = join(u"UPDATE main.", table, u" SET rowid = ?2 WHERE rowid = ?1");
constexpr auto insertFromTheirs = join(
    u"INSERT INTO main.", table, u" (rowid, ", typeColumn, u", ", addressColumn, u", ", aboutColumn,
    u") SELECT ?1, ", typeText, u", ", addressText, u", ", aboutText, u" FROM theirs.", table,
    u" WHERE rowid = ?2");
constexpr auto insertValues = join(
    u"INSERT INTO main.", table, u" (rowid, ", typeColumn, u", ", addressColumn, u", ", aboutColumn,
    u") VALUES (?1, ?2, ?3, ?4)");
// The insert's trigger gave the entry an identity of its own.
constexpr auto setIdentity = join(
    u"UPDATE main.", entryTable, u" SET ", idColumn, u" = ?2, ", madeColumn, u" = ?3, ",
    changedColumn, u" = ?4 WHERE ", rowColumn, u" = ?1");
// clang-format on

struct Key
{
    qint64 made;
    QByteArray id;

    friend bool operator<(const Key &a, const Key &b)
    {
        return a.made != b.made ? a.made < b.made : a.id < b.id;
    }
};

struct Ours
{
    qint64 row;
    Key key;
};

} // namespace

struct EntryPlacement::Statements
{
    Statements(sqlite3 *db, bool fromTheirs)
        : previous(db, before.view())
        , following(db, after.view())
        , move(db, moveRow.view())
        , add(db, fromTheirs ? insertFromTheirs.view() : insertValues.view())
        , identify(db, setIdentity.view())
    {}
    bool prepared() const
    {
        return previous.prepared() && following.prepared() && move.prepared() && add.prepared()
            && identify.prepared();
    }

    SqliteStatement previous, following, move, add, identify;
};

Outcome<void> EntryPlacement::put(const Incoming &entry, qint64 row)
{
    Statements &s = *m_statements;
    s.add.bind(1, row);
    if (entry.fields) {
        s.add.bind(2, entry.fields->type);
        s.add.bind(3, entry.fields->address);
        s.add.bind(4, entry.fields->about);
    } else {
        s.add.bind(2, entry.row);
    }
    s.identify.bind(1, row);
    s.identify.bindBlob(2, entry.id);
    s.identify.bind(3, entry.made);
    s.identify.bind(4, entry.changed);
    if (!s.add.run() || !s.identify.run())
        return m_connection.failure();
    return {};
}

Outcome<void> EntryPlacement::insert(std::vector<Incoming> entries)
{
    std::sort(entries.begin(), entries.end(), [](const Incoming &a, const Incoming &b) {
        return Key {a.made, a.id} < Key {b.made, b.id};
    });
    if (entries.empty())
        return {};
    // Fields come all from "theirs", or all with the entries.
    Statements statements(m_connection.handle(), !entries.front().fields);
    if (!statements.prepared())
        return m_connection.failure();
    m_statements = &statements;
    const auto forget = qScopeGuard([this] { m_statements = nullptr; });

    for (size_t i = 0; i < entries.size();) {
        // The entries of ours on either side of this one.
        SqliteStatement &previous = statements.previous, &following = statements.following;
        for (SqliteStatement *neighbour : {&previous, &following}) {
            neighbour->rewind();
            neighbour->bind(1, entries[i].made);
            neighbour->bindBlob(2, entries[i].id);
        }
        const int hasPrevious = previous.step(), hasFollowing = following.step();
        if ((hasPrevious != SQLITE_ROW && hasPrevious != SQLITE_DONE)
            || (hasFollowing != SQLITE_ROW && hasFollowing != SQLITE_DONE))
            return m_connection.failure();
        const qint64 low = hasPrevious == SQLITE_ROW ? previous.integer(0) : 0;
        if (hasFollowing != SQLITE_ROW)
            return appendFrom(entries, i, low);
        const Ours next {following.integer(0), {following.integer(1), following.blob(2)}};
        following.reset();
        // The run of entries that go between the same two of ours.
        size_t end = i;
        while (end < entries.size() && Key {entries[end].made, entries[end].id} < next.key)
            ++end;
        if (next.row - low - 1 < qint64(end - i))
            return moveOnFrom(entries, i, next.key.made, next.key.id, low);
        qint64 last = low;
        for (; i < end; ++i) {
            // Its row in the other copy where that keeps the rest room.
            const qint64 wanted = entries[i].row;
            const qint64 latest = next.row - qint64(end - i);
            last = wanted > last && wanted <= latest ? wanted : last + 1;
            if (Outcome<void> done = put(entries[i], last); !done.ok())
                return done;
        }
    }
    return {};
}

Outcome<void> EntryPlacement::appendFrom(const std::vector<Incoming> &entries, size_t from,
                                         qint64 low)
{
    const Outcome<qint64> lastNow = m_connection.integer(lastRow.view());
    if (!lastNow.ok())
        return lastNow.failure();
    qint64 last = std::max(low, lastNow.value());
    for (size_t i = from; i < entries.size(); ++i) {
        last = entries[i].row > last ? entries[i].row : last + 1;
        if (Outcome<void> done = put(entries[i], last); !done.ok())
            return done;
    }
    return {};
}

Outcome<void> EntryPlacement::moveOnFrom(const std::vector<Incoming> &entries, size_t from,
                                         qint64 made, const QByteArray &id, qint64 low)
{
    // No room between two of ours: everything from the following one on,
    // theirs and ours, is numbered afresh after the one before, in its
    // order, on the rows the other copy gives each where they keep the
    // order, so that the two copies come to number their entries alike.
    const Key first {made, id};
    std::vector<Ours> ours;
    {
        SqliteStatement tail(m_connection.handle(), fromOn.view());
        tail.bind(1, first.made);
        tail.bindBlob(2, first.id);
        int rc = SQLITE_ROW;
        while ((rc = tail.step()) == SQLITE_ROW)
            ours.push_back({tail.integer(0), {tail.integer(1), tail.blob(2)}});
        if (rc != SQLITE_DONE)
            return tail.failure();
    }
    Statements &s = *m_statements;
    // Out of the way first, below every row in use.
    for (Ours &entry : ours) {
        s.move.bind(1, entry.row);
        s.move.bind(2, -entry.row);
        if (!s.move.run())
            return s.move.failure();
        entry.row = -entry.row;
    }
    std::optional<SqliteStatement> theirRow;
    if (!entries[from].fields)
        theirRow.emplace(m_connection.handle(), rowInTheirs.view());
    auto wantedFor = [&theirRow](const QByteArray &identity) -> qint64 {
        if (!theirRow)
            return 0;
        theirRow->rewind();
        theirRow->bindBlob(1, identity);
        const qint64 row = theirRow->step() == SQLITE_ROW ? theirRow->integer(0) : 0;
        theirRow->reset();
        return row;
    };
    SqliteStatement used(m_connection.handle(), isTaken.view());
    qint64 last = low;
    auto nextRow = [&](qint64 wanted) -> Outcome<qint64> {
        qint64 row = std::max(wanted, last + 1);
        for (;; ++row) {
            used.rewind();
            used.bind(1, row);
            const int rc = used.step();
            if (rc == SQLITE_DONE)
                return last = row;
            if (rc != SQLITE_ROW)
                return used.failure();
        }
    };
    size_t o = 0, t = from;
    while (o < ours.size() || t < entries.size()) {
        const bool theirsFirst = o == ours.size()
            || (t < entries.size() && Key {entries[t].made, entries[t].id} < ours[o].key);
        const Outcome<qint64> row
            = nextRow(theirsFirst ? entries[t].row : wantedFor(ours[o].key.id));
        if (!row.ok())
            return row.failure();
        if (theirsFirst) {
            if (Outcome<void> done = put(entries[t++], row.value()); !done.ok())
                return done;
            continue;
        }
        s.move.bind(1, ours[o++].row);
        s.move.bind(2, row.value());
        if (!s.move.run())
            return s.move.failure();
    }
    return {};
}

} // namespace Larkspan
