#include "store/jet/AddressBookWriter.h"

#include "store/Schema.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace Larkspan::JetImport {

namespace {

std::optional<QString> execute(QSqlQuery &query, const QString &statement)
{
    if (!query.exec(statement))
        return query.lastError().text();
    return std::nullopt;
}

std::optional<QString> fill(QSqlDatabase &db, const QList<Record> &records,
                            const std::function<void()> &started)
{
    QSqlQuery query(db);
    // The file is private until it is complete: no journal is needed, and
    // it is synced as a whole at the end.
    for (const QString &statement : {u"PRAGMA journal_mode=OFF"_s, u"PRAGMA synchronous=OFF"_s,
                                     QStringView(Schema::createTable).toString(),
                                     QStringView(Schema::createTypeIndex).toString(),
                                     QStringView(Schema::createAddressIndex).toString()}) {
        if (auto failure = execute(query, statement))
            return failure;
    }
    if (!db.transaction())
        return db.lastError().text();
    if (!query.prepare(u"INSERT INTO %1 (%2, %3, %4) VALUES (?, ?, ?)"_s.arg(
            QStringView(Schema::table), QStringView(Schema::typeColumn),
            QStringView(Schema::addressColumn), QStringView(Schema::aboutColumn))))
        return query.lastError().text();
    // A null QString would be bound as NULL, which the table refuses.
    const auto text = [](const QString &value) { return value.isNull() ? u""_s : value; };
    for (const Record &record : records) {
        query.bindValue(0, text(record.type));
        query.bindValue(1, text(record.address));
        query.bindValue(2, text(record.about));
        if (!query.exec())
            return query.lastError().text();
        if (started && &record == &records.first())
            started();
    }
    if (!db.commit())
        return db.lastError().text();
    return std::nullopt;
}

// Every row back, in rowid order, must equal what was written.
std::optional<QString> verify(QSqlDatabase &db, const QList<Record> &records)
{
    QSqlQuery query(db);
    if (!query.exec(u"PRAGMA integrity_check"_s) || !query.next()
        || query.value(0).toString() != u"ok"_s)
        return u"the new file fails its integrity check"_s;
    if (!query.exec(u"SELECT rowid, %1, %2, %3 FROM %4 ORDER BY rowid"_s.arg(
            QStringView(Schema::typeColumn), QStringView(Schema::addressColumn),
            QStringView(Schema::aboutColumn), QStringView(Schema::table))))
        return query.lastError().text();
    qsizetype index = 0;
    for (; query.next(); ++index) {
        if (index >= records.size())
            return u"the new file holds more rows than were written"_s;
        const Record read{query.value(1).toString(), query.value(2).toString(),
                          query.value(3).toString()};
        if (query.value(0).toLongLong() != index + 1 || read != records[index])
            return u"row %1 of the new file differs from what was written"_s.arg(index + 1);
    }
    if (index != records.size())
        return u"the new file lacks rows"_s;
    return std::nullopt;
}

std::optional<QString> syncToDisk(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    const bool synced = ::fsync(fd) == 0;
    const int syncError = errno;
    ::close(fd);
    if (!synced)
        return QString::fromLocal8Bit(std::strerror(syncError));
    return std::nullopt;
}

// Runs `work` on a connection of its own to the file at `path`.
template <typename Work>
std::optional<QString> withConnection(const QString &path, const QString &options, Work work)
{
    const QString connection = u"larkspan-jet-import-"_s + QUuid::createUuid().toString();
    std::optional<QString> failure;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, connection);
        db.setDatabaseName(path);
        db.setConnectOptions(options);
        if (!db.open())
            failure = db.lastError().text();
        else
            failure = work(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return failure;
}

} // namespace

std::optional<QString> writeAddressBook(const QString &path, const QList<Record> &records,
                                        const std::function<void()> &started)
{
    if (auto failure = withConnection(path, QString(),
                                      [&](QSqlDatabase &db) { return fill(db, records, started); }))
        return failure;
    // Read back through a fresh connection, so that what is compared comes
    // from the file and not from the writer's cache.
    if (auto failure = withConnection(path, u"QSQLITE_OPEN_READONLY"_s,
                                      [&](QSqlDatabase &db) { return verify(db, records); }))
        return failure;
    return syncToDisk(path);
}

} // namespace Larkspan::JetImport
