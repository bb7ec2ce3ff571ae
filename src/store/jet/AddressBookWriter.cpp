#include "store/jet/AddressBookWriter.h"

#include "store/FileSystem.h"
#include "store/Schema.h"
#include "store/SqlSupport.h"
#include "store/SqliteConnection.h"

using namespace Qt::StringLiterals;

namespace Larkspan::JetImport {

namespace {

// clang-format off
constexpr auto selectInOrder = join(Schema::selectRows, u" ORDER BY rowid");
// clang-format on

Outcome<void> fill(SqliteConnection &db, const QList<Record> &records,
                   const std::function<void()> &started)
{
    // The file is private until it is complete: no journal is needed, and
    // it is synced as a whole at the end. Its index comes with the companion
    // tables at its first open, built after the filling in one sort.
    for (QStringView statement :
         {QStringView(u"PRAGMA journal_mode=OFF"), QStringView(u"PRAGMA synchronous=OFF"),
          Schema::createTable.view()}) {
        if (Outcome<void> done = db.exec(statement); !done.ok())
            return done;
    }
    SqliteTransaction transaction(db);
    if (!transaction.began().ok())
        return transaction.began();
    SqliteStatement insert(db.handle(), Schema::insertRecord.view());
    if (!insert.prepared())
        return insert.failure();
    for (const Record &record : records) {
        insert.bind(1, Sql::storedText(record.type));
        insert.bind(2, Sql::storedText(record.address));
        insert.bind(3, Sql::storedText(record.about));
        if (!insert.run())
            return insert.failure();
        if (started && &record == &records.first())
            started();
    }
    return transaction.commit();
}

// Every row back, in rowid order, must equal what was written.
Outcome<void> verify(SqliteConnection &db, const QList<Record> &records)
{
    const Outcome<QString> integrity = db.text(u"PRAGMA integrity_check");
    if (!integrity.ok() || integrity.value() != u"ok"_s)
        return Failure {u"the new file fails its integrity check"_s};
    SqliteStatement rows(db.handle(), selectInOrder.view());
    if (!rows.prepared())
        return rows.failure();
    qsizetype index = 0;
    int rc = SQLITE_ROW;
    for (; (rc = rows.step()) == SQLITE_ROW; ++index) {
        if (index >= records.size())
            return Failure {u"the new file holds more rows than were written"_s};
        const Record read {rows.qtext(1), rows.qtext(2), rows.qtext(3)};
        if (rows.integer(0) != index + 1 || read != records[index])
            return Failure {
                u"row %1 of the new file differs from what was written"_s.arg(index + 1)};
    }
    if (rc != SQLITE_DONE)
        return rows.failure();
    if (index != records.size())
        return Failure {u"the new file lacks rows"_s};
    return {};
}

} // namespace

Outcome<void> writeAddressBook(const QString &path, const QList<Record> &records,
                               const std::function<void()> &started)
{
    {
        SqliteConnection db;
        if (Outcome<void> opened = db.open(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, 0);
            !opened.ok())
            return opened;
        if (Outcome<void> written = fill(db, records, started); !written.ok())
            return written;
    }
    // Read back through a fresh connection, so that what is compared comes
    // from the file and not from the writer's cache.
    {
        SqliteConnection db;
        if (Outcome<void> opened = db.open(path, SQLITE_OPEN_READONLY, 0); !opened.ok())
            return opened;
        if (Outcome<void> verified = verify(db, records); !verified.ok())
            return verified;
    }
    return syncToDisk(path);
}

} // namespace Larkspan::JetImport
