#include "store/DeletedEntries.h"

#include "store/Clock.h"
#include "store/EntryPlacement.h"
#include "store/IdentitySchema.h"
#include "store/SqliteConnection.h"

#include <QCryptographicHash>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace Larkspan {

namespace {

using namespace Schema;

// clang-format off
constexpr auto restorable = join(
    u"SELECT ", idColumn, u", ", deletedColumn, u", ", typeColumn, u", ", addressColumn, u", ",
    aboutColumn, u" FROM ", deletedTable, u" WHERE ", restoredColumn, u" = 0 AND ", addressColumn,
    u" IS NOT NULL ORDER BY ", deletedColumn, u" DESC, ", idColumn);
constexpr auto oneDeleted = join(
    u"SELECT ", deletedColumn, u", ", madeColumn, u", ", rowColumn, u", ", typeColumn, u", ",
    addressColumn, u", ", aboutColumn, u" FROM ", deletedTable, u" WHERE ", idColumn,
    u" = ?1 AND ", restoredColumn, u" = 0 AND ", addressColumn, u" IS NOT NULL");
constexpr auto markRestored = join(
    u"UPDATE ", deletedTable, u" SET ", restoredColumn, u" = 1 WHERE ", idColumn, u" = ?1");
constexpr auto purgeBefore = join(
    u"UPDATE ", deletedTable, u" SET ", typeColumn, u" = NULL, ", addressColumn, u" = NULL, ",
    aboutColumn, u" = NULL WHERE ", deletedColumn, u" < ?1 AND ", addressColumn, u" IS NOT NULL");
// clang-format on

} // namespace

Outcome<QList<DeletedEntry>> DeletedEntries::list()
{
    SqliteStatement rows(m_connection.handle(), restorable.view());
    if (!rows.prepared())
        return rows.failure();
    QList<DeletedEntry> entries;
    int rc = SQLITE_ROW;
    while ((rc = rows.step()) == SQLITE_ROW)
        entries.append(
            {rows.blob(0), rows.integer(1), {rows.qtext(2), rows.qtext(3), rows.qtext(4)}});
    if (rc != SQLITE_DONE)
        return rows.failure();
    return entries;
}

Outcome<std::optional<QByteArray>> DeletedEntries::restore(const QByteArray &id)
{
    SqliteTransaction transaction(m_connection);
    if (!transaction.began().ok())
        return transaction.began().failure();
    Incoming entry;
    {
        SqliteStatement gone(m_connection.handle(), oneDeleted.view());
        gone.bindBlob(1, id);
        const int rc = gone.step();
        if (rc == SQLITE_DONE)
            return std::optional<QByteArray>();
        if (rc != SQLITE_ROW)
            return gone.failure();
        entry.id = QCryptographicHash::hash("restored " + id, QCryptographicHash::Sha256)
                       .left(id.size());
        entry.made = gone.integer(1);
        entry.row = gone.integer(2);
        // Coming back is the entry's latest change.
        entry.changed = std::max(Clock::nowMs(), gone.integer(0) + 1);
        entry.fields = Record {gone.qtext(3), gone.qtext(4), gone.qtext(5)};
    }
    if (Outcome<void> placed = EntryPlacement(m_connection).insert({entry}); !placed.ok())
        return placed.failure();
    SqliteStatement mark(m_connection.handle(), markRestored.view());
    mark.bindBlob(1, id);
    if (!mark.run())
        return mark.failure();
    if (Outcome<void> committed = transaction.commit(); !committed.ok())
        return committed.failure();
    return std::optional<QByteArray>(entry.id);
}

Outcome<qint64> DeletedEntries::purge(qint64 beforeMs)
{
    SqliteStatement purged(m_connection.handle(), purgeBefore.view());
    purged.bind(1, beforeMs);
    if (!purged.run())
        return purged.failure();
    return qint64(sqlite3_changes(m_connection.handle()));
}

} // namespace Larkspan
