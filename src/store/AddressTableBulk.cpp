// The address table's whole-book operations: reading every entry for an
// export and adding a batch of entries for an import. Both go straight to
// SQLite, a million rows being too many for a QVariant each.
#include "store/AddressTable.h"

#include "store/BookSync.h"
#include "store/Schema.h"
#include "store/SqliteStatement.h"

#include <QScopeGuard>

#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace Larkspan {

namespace {

QString errorOf(sqlite3 *db)
{
    return QString::fromUtf8(sqlite3_errmsg(db));
}

using namespace Schema;

// Texts compare byte for byte whatever collation a column declares, and a
// NULL reads as the empty text. Where an index should serve, a comparison in
// the column's own collation stands beside the exact one: it lets the index
// find the candidates, the exact one picks among them.
// clang-format off
constexpr auto readFields = join(
    u"IFNULL(", typeColumn, u", ''), IFNULL(", addressColumn, u", ''), IFNULL(", aboutColumn, u", '')");
constexpr auto byRecord = join(u"SELECT ", readFields, u" FROM ", table, u" ORDER BY rowid");
// Each category by its first entry; NULL and '' come apart here and are
// both the empty category.
constexpr auto categoriesInOrder = join(
    u"SELECT IFNULL(", typeColumn, u", ''), ", typeColumn, u" IS NULL, MIN(rowid) AS firstRow FROM ", table,
    u" GROUP BY ", typeColumn, u" COLLATE BINARY ORDER BY firstRow");
// A category's entries in record order, which is the category index's
// order within one category: no sorting of the table.
constexpr auto entriesOf = join(
    u"SELECT ", readFields, u" FROM ", table, u" WHERE ", typeColumn, u" = ?1 AND ", typeColumn,
    u" = ?1 COLLATE BINARY ORDER BY rowid");
constexpr auto entriesOfNoCategory = join(
    u"SELECT ", readFields, u" FROM ", table, u" WHERE ", typeColumn, u" = '' COLLATE BINARY OR ",
    typeColumn, u" IS NULL ORDER BY rowid");
constexpr auto lastRow = join(u"SELECT IFNULL(MAX(rowid), 0) FROM ", table);
// Rows are added after every row there was, so "held before" is every
// rowid up to the last one. An empty address may be held as NULL too;
// "+rowid" keeps the planner on the address index for that lookup.
constexpr auto sameOtherFields = join(
    u" AND IFNULL(", typeColumn, u", '') = ?1 COLLATE BINARY AND IFNULL(", aboutColumn,
    u", '') = ?3 COLLATE BINARY AND +rowid <= ?4 LIMIT 1");
constexpr auto heldBefore = join(
    u"SELECT 1 FROM ", table, u" WHERE ", addressColumn, u" = ?2 AND ", addressColumn,
    u" = ?2 COLLATE BINARY", sameOtherFields);
constexpr auto heldBeforeAsNull = join(
    u"SELECT 1 FROM ", table, u" WHERE ", addressColumn, u" IS NULL AND ?2 = ''", sameOtherFields);
constexpr auto insertNumbered = join(
    u"INSERT INTO ", table, u" (", typeColumn, u", ", addressColumn, u", ", aboutColumn, u")",
    u" VALUES (?1, ?2, ?3)");
// clang-format on

// Hands the rows of `rows` to `each`: true when they all went, false when
// `each` stopped.
Outcome<bool> handOver(sqlite3 *db, SqliteStatement &rows,
                       const std::function<bool(const Record &)> &each)
{
    int rc = SQLITE_ROW;
    while ((rc = rows.step()) == SQLITE_ROW) {
        if (!each(Record {rows.qtext(0), rows.qtext(1), rows.qtext(2)}))
            return false;
    }
    if (rc != SQLITE_DONE)
        return Failure {errorOf(db)};
    return true;
}

// Room in the cache for a book of a few million entries, for the length of
// one whole-book operation whose reads and writes land all over the file:
// every page is then read from the file once. Memory grows only as pages
// are read.
auto wholeBookCache(sqlite3 *db)
{
    sqlite3_exec(db, "PRAGMA cache_size=-262144", nullptr, nullptr, nullptr);
    return qScopeGuard([db] {
        const QByteArray usual = "PRAGMA cache_size=-" + QByteArray::number(cacheKiB);
        sqlite3_exec(db, usual.constData(), nullptr, nullptr, nullptr);
    });
}

} // namespace

Outcome<void> AddressTable::forEach(Order order, const std::function<bool(const Record &)> &each)
{
    sqlite3 *db = m_db.handle();
    if (!db)
        return m_db.failure();
    // One reading, however many statements it takes.
    if (sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK)
        return Failure {errorOf(db)};
    auto end = qScopeGuard([db] { sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr); });

    if (order == Order::Records) {
        SqliteStatement rows(db, byRecord.view());
        if (!rows.prepared())
            return Failure {errorOf(db)};
        if (const Outcome<bool> read = handOver(db, rows, each); !read.ok())
            return read.failure();
        return {};
    }

    // Each category's entries lie all over the table.
    const auto usualCache = wholeBookCache(db);
    SqliteStatement categories(db, categoriesInOrder.view());
    SqliteStatement named(db, entriesOf.view());
    SqliteStatement none(db, entriesOfNoCategory.view());
    if (!categories.prepared() || !named.prepared() || !none.prepared())
        return Failure {errorOf(db)};
    QList<QByteArray> types;
    bool someNull = false;
    int rc = SQLITE_ROW;
    while ((rc = categories.step()) == SQLITE_ROW) {
        types.append(categories.qtext(0).toUtf8());
        someNull = someNull || sqlite3_column_int(categories.handle(), 1) != 0;
    }
    if (rc != SQLITE_DONE)
        return Failure {errorOf(db)};
    // NULL and '' are one category, at the first appearance of either.
    bool emptyDone = false;
    for (const QByteArray &type : std::as_const(types)) {
        if (type.isEmpty() && std::exchange(emptyDone, true))
            continue;
        SqliteStatement &rows = type.isEmpty() && someNull ? none : named;
        rows.rewind();
        if (&rows == &named)
            rows.bind(1, type);
        const Outcome<bool> read = handOver(db, rows, each);
        if (!read.ok())
            return read.failure();
        if (!read.value())
            return {};
    }
    return {};
}

struct AddressTable::Additions::State
{
    sqlite3 *db;
    BookSync *sync;
    sqlite3_int64 lastBefore = 0;
    std::unique_ptr<SqliteStatement> held;
    std::unique_ptr<SqliteStatement> heldAsNull;
    std::unique_ptr<SqliteStatement> insert;
    bool open = false;
};

AddressTable::Additions::Additions(std::unique_ptr<State> state)
    : m_state(std::move(state))
{}

AddressTable::Additions::~Additions()
{
    if (m_state->open)
        sqlite3_exec(m_state->db, "ROLLBACK", nullptr, nullptr, nullptr);
    m_state->held.reset();
    m_state->heldAsNull.reset();
    m_state->insert.reset();
    const QByteArray usual = "PRAGMA cache_size=-" + QByteArray::number(cacheKiB);
    sqlite3_exec(m_state->db, usual.constData(), nullptr, nullptr, nullptr);
}

Outcome<std::unique_ptr<AddressTable::Additions>> AddressTable::beginAdditions()
{
    sqlite3 *db = m_db.handle();
    if (!db)
        return m_db.failure();
    catchUp();
    auto state = std::make_unique<Additions::State>();
    state->db = db;
    state->sync = m_sync.get();
    // Every insert fires the companion tables' triggers, so SQLite keeps a
    // journal of each statement to undo it alone; kept on disk, that is a
    // dozen writes per entry.
    sqlite3_exec(db, "PRAGMA temp_store=MEMORY", nullptr, nullptr, nullptr);
    // A larger cache than usual, but one that keeps an import of any size
    // within about a hundred megabytes.
    sqlite3_exec(db, "PRAGMA cache_size=-65536", nullptr, nullptr, nullptr);
    std::unique_ptr<Additions> additions(new Additions(std::move(state)));
    Additions::State &s = *additions->m_state;
    // Taking the write lock first makes "held before" one fixed moment, even
    // with another Larkspan writing to the same file.
    if (sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        return Failure {errorOf(db)};
    s.open = true;
    SqliteStatement last(db, lastRow.view());
    if (!last.prepared() || last.step() != SQLITE_ROW)
        return Failure {errorOf(db)};
    s.lastBefore = sqlite3_column_int64(last.handle(), 0);
    s.held = std::make_unique<SqliteStatement>(db, heldBefore.view());
    s.heldAsNull = std::make_unique<SqliteStatement>(db, heldBeforeAsNull.view());
    s.insert = std::make_unique<SqliteStatement>(db, insertNumbered.view());
    if (!s.held->prepared() || !s.heldAsNull->prepared() || !s.insert->prepared())
        return Failure {errorOf(db)};
    return additions;
}

Outcome<bool> AddressTable::Additions::add(const Record &record)
{
    State &s = *m_state;
    if (!s.open)
        return Failure {u"the additions are over"_s};
    const QByteArray fields[3]
        = {record.type.toUtf8(), record.address.toUtf8(), record.about.toUtf8()};
    const auto lookUp = [&](SqliteStatement &statement) {
        for (int i = 0; i < 3; ++i)
            statement.bind(i + 1, fields[i]);
        statement.bind(4, qint64(s.lastBefore));
        const int found = statement.step();
        statement.rewind();
        return found;
    };
    int found = lookUp(*s.held);
    if (found == SQLITE_DONE && fields[1].isEmpty())
        found = lookUp(*s.heldAsNull);
    if (found == SQLITE_ROW)
        return false;
    if (found != SQLITE_DONE)
        return Failure {errorOf(s.db)};
    for (int i = 0; i < 3; ++i)
        s.insert->bind(i + 1, fields[i]);
    const int inserted = s.insert->step();
    s.insert->rewind();
    if (inserted != SQLITE_DONE)
        return Failure {errorOf(s.db)};
    return true;
}

Outcome<void> AddressTable::Additions::commit()
{
    State &s = *m_state;
    if (!s.open)
        return Failure {u"the additions are over"_s};
    if (sqlite3_exec(s.db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        return Failure {errorOf(s.db)};
    s.open = false;
    if (s.sync)
        s.sync->changed();
    return {};
}

} // namespace Larkspan
