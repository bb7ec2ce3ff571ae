// The address table's whole-book operations: reading every entry for an
// export and adding a batch of entries for an import. Both go straight to
// SQLite on the connection Qt opened, a million rows being too many for a
// QVariant each.
#include "store/AddressTable.h"

#include <QSqlDriver>
#include <QVariant>

#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace Larkspan {

namespace {

QString errorOf(sqlite3 *db)
{
    return QString::fromUtf8(sqlite3_errmsg(db));
}

// A statement for the length of one call.
class OneCallStatement
{
public:
    OneCallStatement(sqlite3 *db, const char *sql) { sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr); }
    ~OneCallStatement() { sqlite3_finalize(m_statement); }
    OneCallStatement(const OneCallStatement &) = delete;
    OneCallStatement &operator=(const OneCallStatement &) = delete;

    bool ok() const { return m_statement != nullptr; }
    operator sqlite3_stmt *() const { return m_statement; }

    void bind(int index, const QByteArray &utf8)
    {
        // A null text binds as "" all the same: no column takes NULL.
        sqlite3_bind_text(m_statement, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }
    QString text(int column) const
    {
        const auto *bytes = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
        return QString::fromUtf8(bytes, sqlite3_column_bytes(m_statement, column));
    }
    void rewind()
    {
        sqlite3_reset(m_statement);
        sqlite3_clear_bindings(m_statement);
    }

private:
    sqlite3_stmt *m_statement = nullptr;
};

// Categories in order of their first entry, each category's entries in
// record order: the category index gives both without sorting the table.
constexpr char byCategorySql[] =
    "SELECT i.Type, i.address, i.About"
    " FROM (SELECT Type, MIN(rowid) AS firstRow FROM Informaiton GROUP BY Type) AS c"
    " JOIN Informaiton AS i ON i.Type = c.Type"
    " ORDER BY c.firstRow, i.rowid";
constexpr char byRecordSql[] = "SELECT Type, address, About FROM Informaiton ORDER BY rowid";

} // namespace

sqlite3 *AddressTable::sqliteHandle() const
{
    if (!m_db.isValid() || !m_db.driver())
        return nullptr;
    const QVariant handle = m_db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3 *const *>(handle.constData());
}

Failure AddressTable::forEach(Order order, const std::function<bool(const Record &)> &each)
{
    sqlite3 *db = sqliteHandle();
    if (!db)
        return u"the address book is not open"_s;
    OneCallStatement rows(db, order == Order::ByCategory ? byCategorySql : byRecordSql);
    if (!rows.ok())
        return errorOf(db);
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(rows)) == SQLITE_ROW) {
        if (!each(Record{rows.text(0), rows.text(1), rows.text(2)}))
            return {};
    }
    if (rc != SQLITE_DONE)
        return errorOf(db);
    return {};
}

Outcome<qsizetype> AddressTable::addMissing(const QList<Record> &records)
{
    sqlite3 *db = sqliteHandle();
    if (!db)
        return Outcome<qsizetype>::failure(u"the address book is not open"_s);
    // Taking the write lock first makes "held before" one fixed moment, even
    // with another Larkspan writing to the same file.
    // Every insert fires the companion tables' triggers, so SQLite keeps a
    // journal of each statement to undo it alone; kept on disk, that is a
    // dozen writes per entry.
    sqlite3_exec(db, "PRAGMA temp_store=MEMORY", nullptr, nullptr, nullptr);
    if (sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        return Outcome<qsizetype>::failure(errorOf(db));
    auto giveUp = [db](const QString &message) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        return Outcome<qsizetype>::failure(message);
    };

    OneCallStatement last(db, "SELECT IFNULL(MAX(rowid), 0) FROM Informaiton");
    if (!last.ok() || sqlite3_step(last) != SQLITE_ROW)
        return giveUp(errorOf(db));
    const sqlite3_int64 lastBefore = sqlite3_column_int64(last, 0);

    // Rows are added after every row there was, so "held before" is every
    // rowid up to the last one.
    OneCallStatement held(db, "SELECT 1 FROM Informaiton WHERE address = ?2 AND Type = ?1"
                       " AND About = ?3 AND rowid <= ?4 LIMIT 1");
    OneCallStatement insert(db, "INSERT INTO Informaiton (Type, address, About) VALUES (?1, ?2, ?3)");
    if (!held.ok() || !insert.ok())
        return giveUp(errorOf(db));

    qsizetype added = 0;
    for (const Record &record : records) {
        const QByteArray fields[3] = {record.type.toUtf8(), record.address.toUtf8(),
                                      record.about.toUtf8()};
        for (int i = 0; i < 3; ++i) {
            held.bind(i + 1, fields[i]);
            insert.bind(i + 1, fields[i]);
        }
        sqlite3_bind_int64(held, 4, lastBefore);
        const int found = sqlite3_step(held);
        held.rewind();
        if (found == SQLITE_DONE) {
            if (sqlite3_step(insert) != SQLITE_DONE)
                return giveUp(errorOf(db));
            ++added;
        } else if (found != SQLITE_ROW) {
            return giveUp(errorOf(db));
        }
        insert.rewind();
    }
    if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        return giveUp(errorOf(db));
    return added;
}

} // namespace Larkspan
