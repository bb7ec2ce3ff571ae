#include "store/AddressTable.h"

#include "store/BookSync.h"
#include "store/Schema.h"
#include "store/SqlSupport.h"

#include <QScopeGuard>

using namespace Qt::StringLiterals;

namespace Larkspan {

namespace {

using namespace Schema;

// clang-format off
constexpr auto nextRow = join(selectRows, u" WHERE rowid > ? ORDER BY rowid LIMIT 1");
constexpr auto deleteRow = join(u"DELETE FROM ", table, u" WHERE rowid = ?");

// The first entry with the address ?1 (and, unless ?2 is NULL, the
// category ?2). Each lookup is a step into the address index, which
// keeps equal addresses in record order; the empty address also finds
// entries whose address is NULL.
constexpr auto ofCategory = join(
    u" AND (?2 IS NULL OR ", typeText, u" = ?2 COLLATE BINARY) ORDER BY rowid LIMIT 1)");
constexpr auto firstWithAddressRow = join(
    u"WITH hit(row) AS (",
    u"SELECT (SELECT rowid FROM ", table, u" WHERE ", addressColumn, u" = ?1 COLLATE BINARY",
    ofCategory,
    u" UNION ALL SELECT (SELECT rowid FROM ", table, u" WHERE ", addressColumn, u" IS NULL",
    ofCategory, u" WHERE ?1 = '')",
    u" ", selectRows, u" WHERE rowid = (SELECT MIN(row) FROM hit)");

// The lists, from the companion tables, or from the address table itself
// where the file cannot take those.
constexpr auto categoriesInOrder = join(
    u"SELECT ", typeColumn, u" FROM ", categoryTable, u" ORDER BY ", firstRowColumn);
constexpr auto categoriesByScan = join(
    u"SELECT ", typeText, u" FROM ", table, u" GROUP BY ", typeText, u" COLLATE BINARY",
    u" ORDER BY MIN(rowid)");
constexpr auto addressesInOrder = join(
    u"SELECT ", addressColumn, u" FROM ", addressTable, u" WHERE ", typeColumn, u" = ?1",
    u" ORDER BY ", rowColumn);
constexpr auto addressesByScan = join(
    u"SELECT ", addressText, u" FROM ", table, u" WHERE ", typeText, u" = ?1 COLLATE BINARY",
    u" ORDER BY rowid");
// clang-format on

QString textOf(const SqliteStatement &statement, int column)
{
    // A NULL reads as a null string and any text as a string that is not
    // null, so that a change is stored only on exactly what was read.
    return statement.isNull(column) ? QString() : Sql::storedText(statement.qtext(column));
}

// Runs a write and readies the statement for its next values.
Outcome<void> ran(SqliteStatement &statement)
{
    const bool done = statement.run();
    const Outcome<void> outcome = done ? Outcome<void>() : statement.failure();
    statement.rewind();
    return outcome;
}

} // namespace

Outcome<void> AddressTable::publish()
{
    if (!m_sync)
        return m_db.failure();
    return m_sync->publishNow();
}

void AddressTable::catchUp()
{
    if (m_sync)
        m_sync->catchUp();
}

void AddressTable::written()
{
    if (m_sync)
        m_sync->changed();
}

SqliteStatement *AddressTable::statement(Statement which, QStringView sql)
{
    // Statements asked for again and again are prepared once.
    auto &slot = m_statements[static_cast<size_t>(which)];
    if (!slot && m_db.isOpen()) {
        slot = std::make_unique<SqliteStatement>(m_db.handle(), sql, SQLITE_PREPARE_PERSISTENT);
        if (!slot->prepared())
            slot.reset();
    }
    return slot.get();
}

Outcome<std::optional<Row>> AddressTable::singleRow(SqliteStatement &statement)
{
    // A statement left open would hold a read lock on the file.
    const auto rewind = qScopeGuard([&statement] { statement.rewind(); });
    switch (statement.step()) {
    case SQLITE_ROW:
        return std::optional<Row>(
            Row {statement.integer(0),
                 {textOf(statement, 1), textOf(statement, 2), textOf(statement, 3)}});
    case SQLITE_DONE:
        return std::optional<Row>();
    default:
        return statement.failure();
    }
}

Outcome<std::optional<Row>> AddressTable::next(qint64 rowid)
{
    SqliteStatement *query = statement(Statement::Next, nextRow.view());
    if (!query)
        return m_db.failure();
    query->bind(1, rowid);
    return singleRow(*query);
}

Outcome<qint64> AddressTable::insert(const Record &record)
{
    catchUp();
    SqliteStatement *query = statement(Statement::Insert, insertRecord.view());
    if (!query)
        return m_db.failure();
    const Record stored {Sql::storedText(record.type), Sql::storedText(record.address),
                         Sql::storedText(record.about)};
    query->bind(1, stored.type);
    query->bind(2, stored.address);
    query->bind(3, stored.about);
    const Outcome<void> done = ran(*query);
    if (!done.ok())
        return done.failure();
    const qint64 row = sqlite3_last_insert_rowid(m_db.handle());
    written();
    remember(UndoHistory::Kind::Added, row, {}, stored);
    return row;
}

Outcome<bool> AddressTable::update(qint64 rowid, const Record &loaded, const Record &record,
                                   Fields which)
{
    if (!which)
        return true;
    catchUp();
    SqliteStatement *query = statement(Statement::Update, updateRecord.view());
    if (!query)
        return m_db.failure();
    const struct
    {
        Field field;
        const QString &assigned;
        const QString &read;
    } fields[] = {{Field::Type, record.type, loaded.type},
                  {Field::Address, record.address, loaded.address},
                  {Field::About, record.about, loaded.about}};
    // A field that was not assigned keeps what it holds, NULL included.
    int at = 0;
    for (const auto &field : fields) {
        ++at;
        if (which.testFlag(field.field))
            query->bind(at, Sql::storedText(field.assigned));
        else if (field.read.isNull())
            query->bindNull(at);
        else
            query->bind(at, field.read);
    }
    query->bind(++at, rowid);
    for (const auto &field : fields)
        query->bind(++at, Sql::storedText(field.read));
    const Outcome<void> done = ran(*query);
    if (!done.ok())
        return done.failure();
    const bool stored = sqlite3_changes(m_db.handle()) == 1;
    if (stored) {
        written();
        auto now = [&fields, which](int i) {
            return Sql::storedText(which.testFlag(fields[i].field) ? fields[i].assigned
                                                                   : fields[i].read);
        };
        remember(UndoHistory::Kind::Modified, rowid, loaded, {now(0), now(1), now(2)});
    }
    return stored;
}

Outcome<void> AddressTable::remove(qint64 rowid)
{
    catchUp();
    QByteArray id;
    const Outcome<std::optional<Row>> going = identifiedRow(rowid, &id);
    SqliteStatement *query = statement(Statement::Delete, deleteRow.view());
    if (!query)
        return m_db.failure();
    query->bind(1, rowid);
    const Outcome<void> done = ran(*query);
    if (!done.ok())
        return done.failure();
    written();
    if (going.ok() && going.value() && !id.isEmpty())
        m_history.record({UndoHistory::Kind::Deleted, id, going.value()->record, {}});
    return {};
}

Outcome<QStringList> AddressTable::distinctCategories()
{
    catchUp();
    return column(Statement::Categories,
                  m_companions ? categoriesInOrder.view() : categoriesByScan.view());
}

Outcome<QStringList> AddressTable::addressesOf(const QString &type)
{
    return column(Statement::Addresses,
                  m_companions ? addressesInOrder.view() : addressesByScan.view(), type.toUtf8());
}

Outcome<QStringList> AddressTable::column(Statement which, QStringView sql,
                                          const std::optional<QByteArray> &parameter)
{
    // The lists can hold a hundred thousand texts: they are read straight
    // from SQLite, without a QVariant per value.
    SqliteStatement *query = statement(which, sql);
    if (!query)
        return m_db.failure();
    // A statement left open would hold a read lock on the file.
    const auto rewind = qScopeGuard([query] { query->rewind(); });
    if (parameter)
        query->bind(1, *parameter);
    QStringList result;
    int rc = SQLITE_ROW;
    while ((rc = query->step()) == SQLITE_ROW)
        result << query->qtext(0);
    if (rc != SQLITE_DONE)
        return query->failure();
    return result;
}

Outcome<std::optional<Row>> AddressTable::firstWithAddress(const QString &address,
                                                           const std::optional<QString> &type)
{
    SqliteStatement *query = statement(Statement::FirstWithAddress, firstWithAddressRow.view());
    if (!query)
        return m_db.failure();
    query->bind(1, Sql::storedText(address));
    // No category given binds NULL, which matches any.
    if (type)
        query->bind(2, Sql::storedText(*type));
    else
        query->bindNull(2);
    return singleRow(*query);
}

} // namespace Larkspan
