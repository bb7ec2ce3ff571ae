#include "store/AddressTable.h"

#include "store/Schema.h"

#include <QAtomicInt>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

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
        return {};
    }

    // Look before writing anything: a file that is no address book of ours
    // must come out of this exactly as it went in.
    if (auto failure = openConnection(path, true))
        return failure;
    if (auto failure = checkUsable()) {
        close();
        return failure;
    }
    if (auto failure = openConnection(path, false))
        return failure;
    // The lookup indexes are a help, not a need: a read-only file still opens.
    QSqlQuery query(m_db);
    query.exec(QString::fromUtf16(Schema::createTypeIndex));
    query.exec(QString::fromUtf16(Schema::createAddressIndex));
    return {};
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
        if (query.lastError().isValid())
            return Outcome<std::optional<Row>>::failure(queryMessage(query));
        return std::optional<Row>();
    }
    Row row;
    row.rowid = query.value(0).toLongLong();
    row.record.type = query.value(1).toString();
    row.record.address = query.value(2).toString();
    row.record.about = query.value(3).toString();
    return std::optional<Row>(std::move(row));
}

Outcome<std::optional<Row>> AddressTable::next(qint64 rowid)
{
    QSqlQuery query(m_db);
    query.prepare(u"SELECT rowid, Type, address, About FROM Informaiton"
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
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!query.exec(u"SELECT Type FROM Informaiton GROUP BY Type ORDER BY MIN(rowid)"_s))
        return Outcome<QStringList>::failure(queryMessage(query));
    QStringList types;
    while (query.next())
        types << query.value(0).toString();
    if (query.lastError().isValid())
        return Outcome<QStringList>::failure(queryMessage(query));
    return types;
}

Outcome<QStringList> AddressTable::addressesOf(const QString &type)
{
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    query.prepare(u"SELECT address FROM Informaiton WHERE Type = ? ORDER BY rowid"_s);
    query.addBindValue(text(type));
    if (!query.exec())
        return Outcome<QStringList>::failure(queryMessage(query));
    QStringList addresses;
    while (query.next())
        addresses << query.value(0).toString();
    if (query.lastError().isValid())
        return Outcome<QStringList>::failure(queryMessage(query));
    return addresses;
}

Outcome<std::optional<Row>> AddressTable::firstWithAddress(const QString &address,
                                                           const std::optional<QString> &type)
{
    QSqlQuery query(m_db);
    if (type) {
        query.prepare(u"SELECT rowid, Type, address, About FROM Informaiton"
                      u" WHERE address = ? AND Type = ? ORDER BY rowid LIMIT 1"_s);
        query.addBindValue(text(address));
        query.addBindValue(text(*type));
    } else {
        query.prepare(u"SELECT rowid, Type, address, About FROM Informaiton"
                      u" WHERE address = ? ORDER BY rowid LIMIT 1"_s);
        query.addBindValue(text(address));
    }
    return singleRow(query);
}

qint64 AddressTable::count()
{
    QSqlQuery query(m_db);
    if (!query.exec(u"SELECT COUNT(*) FROM Informaiton"_s) || !query.next())
        return -1;
    return query.value(0).toLongLong();
}

} // namespace Larkspan
