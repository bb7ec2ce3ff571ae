#include "store/AddressTable.h"

#include "store/BookCheck.h"
#include "store/BookFiles.h"
#include "store/BuildProgress.h"
#include "store/CompanionTables.h"
#include "store/FileFormat.h"
#include "store/Schema.h"
#include "store/SqlSupport.h"
#include "store/SqliteStatement.h"
#include "store/jet/JetImport.h"
#include "store/jet/ReaderLocation.h"

#include <QAtomicInt>
#include <QFileInfo>
#include <QList>
#include <QScopeGuard>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QVariant>

#include <sqlite3.h>

#include <cstdlib>

using namespace Qt::StringLiterals;

namespace Larkspan {

namespace {

using namespace Schema;

// clang-format off
constexpr auto nextRow = join(selectRows, u" WHERE rowid > ? ORDER BY rowid LIMIT 1");
constexpr auto deleteRow = join(u"DELETE FROM ", table, u" WHERE rowid = ?");

// The first entry with the address :address (and, unless :type is NULL, the
// category :type). Each lookup is a step into the address index, which
// keeps equal addresses in record order; the empty address also finds
// entries whose address is NULL.
constexpr auto ofCategory = join(
    u" AND (:type IS NULL OR ", typeText, u" = :type COLLATE BINARY) ORDER BY rowid LIMIT 1)");
constexpr auto firstWithAddressRow = join(
    u"WITH hit(row) AS (",
    u"SELECT (SELECT rowid FROM ", table, u" WHERE ", addressColumn, u" = :address COLLATE BINARY",
    ofCategory,
    u" UNION ALL SELECT (SELECT rowid FROM ", table, u" WHERE ", addressColumn, u" IS NULL",
    ofCategory, u" WHERE :address = '')",
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

QAtomicInt connectionCounter;

QList<AddressTable *> &openTables()
{
    static QList<AddressTable *> tables;
    return tables;
}

} // namespace

AddressTable::AddressTable()
    : m_connection(u"larkspan-store-%1"_s.arg(connectionCounter.fetchAndAddRelaxed(1)))
{}

AddressTable::~AddressTable()
{
    close();
}

void AddressTable::close()
{
    openTables().removeAll(this);
    // A statement still alive would keep the file's log open.
    for (auto &statement : m_prepared)
        statement.reset();
    for (auto &statement : m_raw)
        statement.reset();
    if (m_db.isValid()) {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

Outcome<void> AddressTable::openConnection(const QString &path)
{
    close();
    m_db = QSqlDatabase::addDatabase(u"QSQLITE"_s, m_connection);
    if (!m_db.isValid())
        return Failure {Sql::engineMessage(m_db.lastError())};
    m_db.setDatabaseName(BookFiles::uri(path, BookFiles::Access::Work));
    m_db.setConnectOptions(u"QSQLITE_BUSY_TIMEOUT=%1;QSQLITE_OPEN_URI"_s.arg(busyTimeoutMs));
    if (!m_db.open()) {
        const QString message = Sql::engineMessage(m_db.lastError());
        close();
        return Failure {message};
    }
    openTables().append(this);
    // Registered once Qt's SQL statics exist, so that it runs before they go.
    [[maybe_unused]] static const bool closedAtExit = [] {
        std::atexit(&AddressTable::closeAll);
        std::at_quick_exit(&AddressTable::closeAll);
        return true;
    }();
    return {};
}

void AddressTable::closeAll()
{
    const QList<AddressTable *> tables = openTables();
    for (AddressTable *table : tables)
        table->close();
}

Outcome<void> AddressTable::open(const QString &path)
{
    // Whatever fails from here on leaves the table closed.
    auto closeOnFailure = qScopeGuard([this] { close(); });
    const QFileInfo info(path);
    if (info.exists() || info.isSymLink()) {
        // An address book from the older desktop database format is
        // converted first, keeping the original beside it; any other file
        // that is not ours is refused. Either way, a file that cannot be
        // used comes out of this exactly as it went in.
        switch (detectFileFormat(path)) {
        case FileFormat::Jet3:
        case FileFormat::Jet4:
        case FileFormat::Ace:
        case FileFormat::NotARegularFile:
        case FileFormat::Unreadable:
            if (Outcome<void> converted = JetImport::convertInPlace(path, jetReaderPath());
                !converted.ok())
                return converted;
            break;
        case FileFormat::Missing:
        case FileFormat::SQLite:
        case FileFormat::Unknown:
            break;
        }
        // Nothing of ours has written to the book yet, and nothing will
        // unless it passes.
        if (Outcome<void> checked = BookCheck::verdict(path); !checked.ok())
            return checked;
    }
    if (Outcome<void> opened = openConnection(path); !opened.ok())
        return opened;
    // A missing file, or the empty one that a crash while creating it
    // leaves, becomes a new address book.
    if (QFileInfo(path).size() == 0) {
        if (Outcome<void> created = createTable(); !created.ok())
            return created;
    }
    closeOnFailure.dismiss();
    // The first write to a book that was there: it has passed the check.
    prepareForSpeed();
    return {};
}

void AddressTable::prepareForSpeed()
{
    // A write-ahead log lets a write commit without waiting for the disk
    // twice; the file stays whole if the machine goes down, losing at most
    // the last moments. The address index and the companion tables are a
    // help, not a need: a file that cannot take them (read-only, say) still
    // opens, and its lists are read from the table itself.
    QSqlQuery query(m_db);
    query.exec(u"PRAGMA journal_mode=WAL"_s);
    query.exec(u"PRAGMA synchronous=NORMAL"_s);
    query.exec(u"PRAGMA cache_size=-%1"_s.arg(cacheKiB));
    sqlite3 *db = sqliteHandle();
    m_companions = db && CompanionTables(db).prepare(&BuildProgress::report).ok();
}

QSqlQuery &AddressTable::prepared(Statement which, QStringView sql)
{
    // Statements asked for again and again are prepared once.
    auto &slot = m_prepared[static_cast<size_t>(which)];
    if (!slot) {
        slot = std::make_unique<QSqlQuery>(m_db);
        slot->setForwardOnly(true);
        slot->prepare(sql.toString());
    }
    return *slot;
}

Outcome<void> AddressTable::createTable()
{
    if (!m_db.transaction())
        return Failure {Sql::engineMessage(m_db.lastError())};
    auto rollback = qScopeGuard([this] { m_db.rollback(); });
    QSqlQuery query(m_db);
    // Another Larkspan may have created it a moment ago.
    for (QStringView statement : {Schema::createTable.view(), createAddressIndex.view()}) {
        if (!query.exec(statement.toString()))
            return Failure {Sql::engineMessage(query)};
    }
    if (!m_db.commit())
        return Failure {Sql::engineMessage(m_db.lastError())};
    rollback.dismiss();
    return {};
}

Outcome<std::optional<Row>> AddressTable::singleRow(QSqlQuery &query)
{
    // A statement left open would hold a read lock on the file.
    const auto finish = qScopeGuard([&query] { query.finish(); });
    if (!query.exec())
        return Failure {Sql::engineMessage(query)};
    if (!query.next()) {
        if (query.lastError().isValid())
            return Failure {Sql::engineMessage(query)};
        return std::optional<Row>();
    }
    // A NULL reads as a null string and any text as a string that is not
    // null, so that a change is stored only on exactly what was read.
    auto text = [&query](int column) {
        return query.isNull(column) ? QString() : Sql::storedText(query.value(column).toString());
    };
    Row row;
    row.rowid = query.value(0).toLongLong();
    row.record.type = text(1);
    row.record.address = text(2);
    row.record.about = text(3);
    return std::optional<Row>(std::move(row));
}

Outcome<std::optional<Row>> AddressTable::next(qint64 rowid)
{
    QSqlQuery &query = prepared(Statement::Next, nextRow.view());
    query.addBindValue(rowid);
    return singleRow(query);
}

Outcome<qint64> AddressTable::insert(const Record &record)
{
    QSqlQuery query(m_db);
    query.prepare(insertRecord.toString());
    query.addBindValue(Sql::storedText(record.type));
    query.addBindValue(Sql::storedText(record.address));
    query.addBindValue(Sql::storedText(record.about));
    if (!query.exec())
        return Failure {Sql::engineMessage(query)};
    return query.lastInsertId().toLongLong();
}

Outcome<bool> AddressTable::update(qint64 rowid, const Record &loaded, const Record &record,
                                   const bool which[3])
{
    if (!which[0] && !which[1] && !which[2])
        return true;
    const QString *const assigned[3] = {&record.type, &record.address, &record.about};
    const QString *const read[3] = {&loaded.type, &loaded.address, &loaded.about};
    QSqlQuery &query = prepared(Statement::Update, updateRecord.view());
    // A field that was not assigned keeps what it holds, NULL included.
    for (int i = 0; i < 3; ++i)
        query.addBindValue(which[i] ? Sql::storedText(*assigned[i]) : *read[i]);
    query.addBindValue(rowid);
    for (const QString *value : read)
        query.addBindValue(*value);
    const auto finish = qScopeGuard([&query] { query.finish(); });
    if (!query.exec())
        return Failure {Sql::engineMessage(query)};
    return query.numRowsAffected() == 1;
}

Outcome<void> AddressTable::remove(qint64 rowid)
{
    QSqlQuery query(m_db);
    query.prepare(deleteRow.toString());
    query.addBindValue(rowid);
    if (!query.exec())
        return Failure {Sql::engineMessage(query)};
    return {};
}

Outcome<QStringList> AddressTable::distinctCategories()
{
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
    // from SQLite, on the connection Qt opened, without a QVariant per value.
    sqlite3 *db = sqliteHandle();
    if (!db)
        return Failure {u"the SQLite driver gives no handle"_s};
    std::unique_ptr<SqliteStatement> &statement = m_raw[static_cast<size_t>(which)];
    if (!statement) {
        statement = std::make_unique<SqliteStatement>(db, sql, SQLITE_PREPARE_PERSISTENT);
        if (!statement->prepared()) {
            const Failure failure = statement->failure();
            statement.reset();
            return failure;
        }
    }
    // A statement left open would hold a read lock on the file.
    const auto rewind = qScopeGuard([&statement] { statement->rewind(); });
    if (parameter)
        statement->bind(1, *parameter);
    QStringList result;
    int rc = SQLITE_ROW;
    while ((rc = statement->step()) == SQLITE_ROW)
        result << statement->qtext(0);
    if (rc != SQLITE_DONE)
        return statement->failure();
    return result;
}

Outcome<std::optional<Row>> AddressTable::firstWithAddress(const QString &address,
                                                           const std::optional<QString> &type)
{
    QSqlQuery &query = prepared(Statement::FirstWithAddress, firstWithAddressRow.view());
    query.bindValue(u":address"_s, Sql::storedText(address));
    // No category given binds NULL, which matches any.
    query.bindValue(u":type"_s, type ? QVariant(Sql::storedText(*type)) : QVariant());
    return singleRow(query);
}

} // namespace Larkspan
