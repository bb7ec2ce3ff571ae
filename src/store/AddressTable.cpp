#include "store/AddressTable.h"

#include "store/FileFormat.h"
#include "store/Schema.h"
#include "store/jet/JetImport.h"

#include <QCoreApplication>

#include <QAtomicInt>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlDriver>
#include <QVariant>

#include <sqlite3.h>

using namespace Qt::StringLiterals;

namespace Larkspan {

namespace {

QAtomicInt connectionCounter;

QString engineMessage(const QSqlError &error)
{
    // The engine's own words; the driver's prefix adds nothing for a person.
    const QString text = error.databaseText().trimmed();
    return text.isEmpty() ? error.text().trimmed() : text;
}

QString queryMessage(const QSqlQuery &query)
{
    return engineMessage(query.lastError());
}

// Texts are never NULL in the table: a null QString would bind as NULL,
// which no column takes and no comparison matches, so it goes in as "".
QVariant text(const QString &value)
{
    return value.isNull() ? QVariant(QString(u""_s)) : QVariant(value);
}

// The converter of old address books ships beside the program.
QString jetReaderPath()
{
    return QCoreApplication::applicationDirPath() + u"/larkspan-jet-reader"_s;
}

} // namespace

AddressTable::AddressTable()
    : m_connection(u"larkspan-store-%1"_s.arg(connectionCounter.fetchAndAddRelaxed(1)))
{
}

AddressTable::~AddressTable()
{
    close();
}

bool AddressTable::isOpen() const
{
    return m_db.isValid() && m_db.isOpen();
}

void AddressTable::close()
{
    for (auto &statement : m_prepared)
        statement.reset();
    for (auto &statement : m_raw) {
        sqlite3_finalize(statement);
        statement = nullptr;
    }
    if (m_db.isValid()) {
        m_db.close();
        m_db = QSqlDatabase();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

Failure AddressTable::openConnection(const QString &path, bool readOnly)
{
    close();
    m_db = QSqlDatabase::addDatabase(u"QSQLITE"_s, m_connection);
    if (!m_db.isValid())
        return engineMessage(m_db.lastError());
    m_db.setDatabaseName(path);
    QString options = u"QSQLITE_BUSY_TIMEOUT=%1"_s.arg(Schema::busyTimeoutMs);
    if (readOnly)
        options += u";QSQLITE_OPEN_READONLY"_s;
    m_db.setConnectOptions(options);
    if (!m_db.open()) {
        const QString message = engineMessage(m_db.lastError());
        close();
        return message;
    }
    return {};
}

Failure AddressTable::open(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        if (auto failure = openConnection(path, false))
            return failure;
        if (auto failure = createTable()) {
            close();
            return failure;
        }
        prepareForSpeed();
        return {};
    }

    // An address book from the older desktop database format is converted
    // first, keeping the original beside it; any other file that is not
    // ours is refused. Either way, a file that cannot be used comes out of
    // this exactly as it went in.
    switch (detectFileFormat(path)) {
    case FileFormat::Jet3:
    case FileFormat::Jet4:
    case FileFormat::Ace:
    case FileFormat::NotARegularFile:
    case FileFormat::Unreadable:
        if (auto failure = JetImport::convertInPlace(path, jetReaderPath()))
            return failure;
        break;
    case FileFormat::Missing:
    case FileFormat::SQLite:
    case FileFormat::Unknown:
        break;
    }
    if (auto failure = openConnection(path, true))
        return failure;
    if (auto failure = checkUsable()) {
        close();
        return failure;
    }
    if (auto failure = openConnection(path, false))
        return failure;
    prepareForSpeed();
    return {};
}

void AddressTable::prepareForSpeed()
{
    // A write-ahead log lets a write commit without waiting for the disk
    // twice; the file stays whole if the machine goes down, losing at most
    // the last moments. Indexes and the companion tables are a help, not a
    // need: a file that cannot take them (read-only, say) still opens.
    QSqlQuery query(m_db);
    query.exec(u"PRAGMA journal_mode=WAL"_s);
    query.exec(u"PRAGMA synchronous=NORMAL"_s);
    query.exec(u"PRAGMA cache_size=-%1"_s.arg(Schema::cacheKiB));
    query.exec(QString::fromUtf16(Schema::createTypeIndex));
    query.exec(QString::fromUtf16(Schema::createAddressIndex));

    m_companions = false;
    if (!m_db.transaction())
        return;
    auto exists = [&query](const char16_t *table) {
        query.prepare(u"SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?"_s);
        query.addBindValue(QString::fromUtf16(table));
        const bool found = query.exec() && query.next();
        query.finish();
        return found;
    };
    const bool haveCategories = exists(Schema::categoryTable);
    const bool haveAddresses = exists(Schema::addressTable);
    const bool ok = query.exec(QString::fromUtf16(Schema::createCategoryTable))
                    && query.exec(QString::fromUtf16(Schema::createCategoryOrderIndex))
                    && query.exec(QString::fromUtf16(Schema::createAddressTable))
                    && (haveCategories || query.exec(QString::fromUtf16(Schema::fillCategoryTable)))
                    && (haveAddresses || query.exec(QString::fromUtf16(Schema::fillAddressTable)))
                    && query.exec(QString::fromUtf16(Schema::createInsertTrigger))
                    && query.exec(QString::fromUtf16(Schema::createDeleteTrigger))
                    && query.exec(QString::fromUtf16(Schema::createUpdateTrigger));
    if (!ok || !m_db.commit()) {
        m_db.rollback();
        return;
    }
    m_companions = true;
}

QSqlQuery &AddressTable::prepared(Statement which, const QString &sql)
{
    // Statements asked for again and again are prepared once.
    auto &slot = m_prepared[static_cast<size_t>(which)];
    if (!slot) {
        slot = std::make_unique<QSqlQuery>(m_db);
        slot->setForwardOnly(true);
        slot->prepare(sql);
    }
    return *slot;
}

Failure AddressTable::checkUsable()
{
    QSqlQuery query(m_db);
    if (!query.exec(u"PRAGMA table_info(Informaiton)"_s))
        return queryMessage(query);
    bool columns[3] = {false, false, false};
    bool any = false;
    while (query.next()) {
        any = true;
        const QString name = query.value(1).toString();
        if (name == QStringView(Schema::typeColumn))
            columns[0] = true;
        else if (name == QStringView(Schema::addressColumn))
            columns[1] = true;
        else if (name == QStringView(Schema::aboutColumn))
            columns[2] = true;
    }
    if (query.lastError().isValid())
        return queryMessage(query);
    if (!any)
        return u"no such table: %1"_s.arg(QStringView(Schema::table));
    const char16_t *names[3] = {Schema::typeColumn, Schema::addressColumn, Schema::aboutColumn};
    for (int i = 0; i < 3; ++i) {
        if (!columns[i])
            return u"no such column: %1"_s.arg(QStringView(names[i]));
    }
    return {};
}

Failure AddressTable::createTable()
{
    if (!m_db.transaction())
        return engineMessage(m_db.lastError());
    QSqlQuery query(m_db);
    // Another Larkspan may have created it a moment ago.
    QString create = QString::fromUtf16(Schema::createTable);
    create.replace(u"CREATE TABLE "_s, u"CREATE TABLE IF NOT EXISTS "_s);
    for (const QString &statement : {create, QString::fromUtf16(Schema::createTypeIndex),
                                     QString::fromUtf16(Schema::createAddressIndex)}) {
        if (!query.exec(statement)) {
            const QString message = queryMessage(query);
            m_db.rollback();
            return message;
        }
    }
    if (!m_db.commit())
        return engineMessage(m_db.lastError());
    return {};
}

Outcome<std::optional<Row>> AddressTable::singleRow(QSqlQuery &query)
{
    if (!query.exec())
        return Outcome<std::optional<Row>>::failure(queryMessage(query));
    if (!query.next()) {
        const bool failed = query.lastError().isValid();
        const QString message = failed ? queryMessage(query) : QString();
        query.finish();
        if (failed)
            return Outcome<std::optional<Row>>::failure(message);
        return std::optional<Row>();
    }
    Row row;
    row.rowid = query.value(0).toLongLong();
    row.record.type = query.value(1).toString();
    row.record.address = query.value(2).toString();
    row.record.about = query.value(3).toString();
    // A statement left open would hold a read lock on the file.
    query.finish();
    return std::optional<Row>(std::move(row));
}

Outcome<std::optional<Row>> AddressTable::next(qint64 rowid)
{
    QSqlQuery &query = prepared(Statement::Next,
                                u"SELECT rowid, Type, address, About FROM Informaiton"
                                u" WHERE rowid > ? ORDER BY rowid LIMIT 1"_s);
    query.addBindValue(rowid);
    return singleRow(query);
}

Outcome<std::optional<Row>> AddressTable::row(qint64 rowid)
{
    QSqlQuery query(m_db);
    query.prepare(u"SELECT rowid, Type, address, About FROM Informaiton WHERE rowid = ?"_s);
    query.addBindValue(rowid);
    return singleRow(query);
}

Outcome<qint64> AddressTable::insert(const Record &record)
{
    QSqlQuery query(m_db);
    query.prepare(u"INSERT INTO Informaiton (Type, address, About) VALUES (?, ?, ?)"_s);
    query.addBindValue(text(record.type));
    query.addBindValue(text(record.address));
    query.addBindValue(text(record.about));
    if (!query.exec())
        return Outcome<qint64>::failure(queryMessage(query));
    return query.lastInsertId().toLongLong();
}

Failure AddressTable::update(qint64 rowid, const Record &record, const bool which[3])
{
    QStringList assignments;
    if (which[0])
        assignments << u"Type = :type"_s;
    if (which[1])
        assignments << u"address = :address"_s;
    if (which[2])
        assignments << u"About = :about"_s;
    if (assignments.isEmpty())
        return {};
    QSqlQuery query(m_db);
    query.prepare(u"UPDATE Informaiton SET %1 WHERE rowid = :rowid"_s.arg(assignments.join(u", ")));
    if (which[0])
        query.bindValue(u":type"_s, text(record.type));
    if (which[1])
        query.bindValue(u":address"_s, text(record.address));
    if (which[2])
        query.bindValue(u":about"_s, text(record.about));
    query.bindValue(u":rowid"_s, rowid);
    if (!query.exec())
        return queryMessage(query);
    return {};
}

Failure AddressTable::remove(qint64 rowid)
{
    QSqlQuery query(m_db);
    query.prepare(u"DELETE FROM Informaiton WHERE rowid = ?"_s);
    query.addBindValue(rowid);
    if (!query.exec())
        return queryMessage(query);
    return {};
}

Outcome<QStringList> AddressTable::distinctCategories()
{
    if (m_companions)
        return column(Statement::Categories, "SELECT Type FROM LarkspanCategories ORDER BY firstRow");
    return column(Statement::Categories,
                  "SELECT Type FROM Informaiton GROUP BY Type ORDER BY MIN(rowid)");
}

Outcome<QStringList> AddressTable::addressesOf(const QString &type)
{
    return column(Statement::Addresses,
                  m_companions ? "SELECT address FROM LarkspanAddresses WHERE Type = ?1 ORDER BY row"
                               : "SELECT address FROM Informaiton WHERE Type = ?1 ORDER BY rowid",
                  type.toUtf8());
}

Outcome<QStringList> AddressTable::column(Statement which, const char *sql,
                                          const std::optional<QByteArray> &parameter)
{
    // The lists can hold a hundred thousand texts: they are read straight
    // from SQLite, on the connection Qt opened, without a QVariant per value.
    sqlite3 *db = sqliteHandle();
    if (!db)
        return Outcome<QStringList>::failure(u"the SQLite driver gives no handle"_s);
    sqlite3_stmt *&statement = m_raw[static_cast<size_t>(which)];
    if (!statement
        && sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr)
               != SQLITE_OK) {
        statement = nullptr;
        return Outcome<QStringList>::failure(QString::fromUtf8(sqlite3_errmsg(db)));
    }
    if (parameter)
        sqlite3_bind_text(statement, 1, parameter->constData(), int(parameter->size()),
                          SQLITE_TRANSIENT);
    QStringList result;
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(statement, 0));
        result << QString::fromUtf8(text, sqlite3_column_bytes(statement, 0));
    }
    const QString message = rc == SQLITE_DONE ? QString() : QString::fromUtf8(sqlite3_errmsg(db));
    // A statement left open would hold a read lock on the file.
    sqlite3_reset(statement);
    sqlite3_clear_bindings(statement);
    if (!message.isNull())
        return Outcome<QStringList>::failure(message);
    return result;
}

Outcome<std::optional<Row>> AddressTable::firstWithAddress(const QString &address,
                                                           const std::optional<QString> &type)
{
    if (type) {
        QSqlQuery &query = prepared(Statement::FirstWithAddressAndType,
                                    u"SELECT rowid, Type, address, About FROM Informaiton"
                                    u" WHERE address = ? AND Type = ? ORDER BY rowid LIMIT 1"_s);
        query.addBindValue(text(address));
        query.addBindValue(text(*type));
        return singleRow(query);
    }
    QSqlQuery &query = prepared(Statement::FirstWithAddress,
                                u"SELECT rowid, Type, address, About FROM Informaiton"
                                u" WHERE address = ? ORDER BY rowid LIMIT 1"_s);
    query.addBindValue(text(address));
    return singleRow(query);
}

} // namespace Larkspan
