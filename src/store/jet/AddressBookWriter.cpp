#include "store/jet/AddressBookWriter.h"

#include "store/Schema.h"
#include "store/SqlSupport.h"
#include "store/jet/FileSystem.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>

using namespace Qt::StringLiterals;

namespace Larkspan::JetImport {

namespace {

// clang-format off
constexpr auto selectInOrder = join(Schema::selectRows, u" ORDER BY rowid");
// clang-format on

Outcome<void> fill(QSqlDatabase &db, const QList<Record> &records,
                   const std::function<void()> &started)
{
    QSqlQuery query(db);
    // The file is private until it is complete: no journal is needed, and
    // it is synced as a whole at the end. Its index comes with the companion
    // tables at its first open, built after the filling in one sort.
    for (const QString &statement : {u"PRAGMA journal_mode=OFF"_s, u"PRAGMA synchronous=OFF"_s,
                                     Schema::createTable.toString()}) {
        if (!query.exec(statement))
            return Failure {Sql::engineMessage(query)};
    }
    if (!db.transaction())
        return Failure {Sql::engineMessage(db.lastError())};
    if (!query.prepare(Schema::insertRecord.toString()))
        return Failure {Sql::engineMessage(query)};
    for (const Record &record : records) {
        query.bindValue(0, Sql::storedText(record.type));
        query.bindValue(1, Sql::storedText(record.address));
        query.bindValue(2, Sql::storedText(record.about));
        if (!query.exec())
            return Failure {Sql::engineMessage(query)};
        if (started && &record == &records.first())
            started();
    }
    if (!db.commit())
        return Failure {Sql::engineMessage(db.lastError())};
    return {};
}

// Every row back, in rowid order, must equal what was written.
Outcome<void> verify(QSqlDatabase &db, const QList<Record> &records)
{
    QSqlQuery query(db);
    if (!query.exec(u"PRAGMA integrity_check"_s) || !query.next()
        || query.value(0).toString() != u"ok"_s)
        return Failure {u"the new file fails its integrity check"_s};
    if (!query.exec(selectInOrder.toString()))
        return Failure {Sql::engineMessage(query)};
    qsizetype index = 0;
    for (; query.next(); ++index) {
        if (index >= records.size())
            return Failure {u"the new file holds more rows than were written"_s};
        const Record read {query.value(1).toString(), query.value(2).toString(),
                           query.value(3).toString()};
        if (query.value(0).toLongLong() != index + 1 || read != records[index])
            return Failure {
                u"row %1 of the new file differs from what was written"_s.arg(index + 1)};
    }
    if (index != records.size())
        return Failure {u"the new file lacks rows"_s};
    return {};
}

// Runs `work` on a connection of its own to the file at `path`.
template<typename Work>
Outcome<void> withConnection(const QString &path, const QString &options, Work work)
{
    const QString connection = u"larkspan-jet-import-"_s + QUuid::createUuid().toString();
    Outcome<void> outcome;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, connection);
        db.setDatabaseName(path);
        db.setConnectOptions(options);
        outcome = db.open() ? work(db) : Failure {Sql::engineMessage(db.lastError())};
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
    return outcome;
}

} // namespace

Outcome<void> writeAddressBook(const QString &path, const QList<Record> &records,
                               const std::function<void()> &started)
{
    if (Outcome<void> written = withConnection(
            path, QString(), [&](QSqlDatabase &db) { return fill(db, records, started); });
        !written.ok())
        return written;
    // Read back through a fresh connection, so that what is compared comes
    // from the file and not from the writer's cache.
    if (Outcome<void> verified
        = withConnection(path, u"QSQLITE_OPEN_READONLY"_s,
                         [&](QSqlDatabase &db) { return verify(db, records); });
        !verified.ok())
        return verified;
    return syncToDisk(path);
}

} // namespace Larkspan::JetImport
