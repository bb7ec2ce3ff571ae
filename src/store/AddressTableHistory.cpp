// The address table's history of this run's changes, and the entries deleted
// on any copy of the book.
#include "store/AddressTable.h"

#include "store/BookSync.h"
#include "store/IdentitySchema.h"
#include "store/SqlSupport.h"

#include <QScopeGuard>

namespace Larkspan {

namespace {

using namespace Schema;

// clang-format off
constexpr auto identifiedRowAt = join(
    u"SELECT e.", idColumn, u", ", typeText, u", ", addressText, u", ", aboutText, u" FROM ",
    table, u" AS i JOIN ", entryTable, u" AS e ON e.", rowColumn, u" = i.rowid WHERE i.rowid = ?1");
// clang-format on

} // namespace

Outcome<std::optional<Row>> AddressTable::identifiedRow(qint64 row, QByteArray *id)
{
    SqliteStatement *query = statement(Statement::Identified, identifiedRowAt.view());
    if (!query)
        return m_db.failure();
    query->bind(1, row);
    const auto rewind = qScopeGuard([query] { query->rewind(); });
    switch (query->step()) {
    case SQLITE_ROW:
        *id = query->blob(0);
        return std::optional<Row>(Row {row, {query->qtext(1), query->qtext(2), query->qtext(3)}});
    case SQLITE_DONE:
        return std::optional<Row>();
    default:
        return query->failure();
    }
}

void AddressTable::remember(UndoHistory::Kind kind, qint64 row, const Record &before,
                            const Record &after)
{
    // A change whose entry has no identity (the book could not take the
    // identity tables) cannot be taken back.
    QByteArray id;
    if (const Outcome<std::optional<Row>> found = identifiedRow(row, &id);
        found.ok() && found.value())
        m_history.record({kind, id, before, after});
}

Outcome<UndoHistory::Result> AddressTable::undo()
{
    return takeStep(&UndoHistory::undo);
}

Outcome<UndoHistory::Result> AddressTable::redo()
{
    return takeStep(&UndoHistory::redo);
}

Outcome<UndoHistory::Result>
AddressTable::takeStep(Outcome<UndoHistory::Result> (UndoHistory::*step)(SqliteConnection &))
{
    catchUp();
    const Outcome<UndoHistory::Result> taken = (m_history.*step)(m_db);
    if (taken.ok() && taken.value() == UndoHistory::Result::Done)
        written();
    return taken;
}

Outcome<QList<DeletedEntry>> AddressTable::deletedEntries()
{
    catchUp();
    return DeletedEntries(m_db).list();
}

Outcome<std::optional<QByteArray>> AddressTable::restoreDeleted(const QByteArray &id)
{
    catchUp();
    const Outcome<std::optional<QByteArray>> restored = DeletedEntries(m_db).restore(id);
    if (restored.ok() && restored.value())
        written();
    return restored;
}

Outcome<qint64> AddressTable::purgeDeleted(qint64 beforeMs)
{
    catchUp();
    const Outcome<qint64> purged = DeletedEntries(m_db).purge(beforeMs);
    if (purged.ok() && purged.value() > 0)
        written();
    return purged;
}

} // namespace Larkspan
