#include "store/UndoHistory.h"

#include "store/DeletedEntries.h"
#include "store/IdentitySchema.h"
#include "store/SqlSupport.h"
#include "store/SqliteConnection.h"

namespace Larkspan {

namespace {

using namespace Schema;

// clang-format off
// The entry with identity ?1, while it holds exactly ?2, ?3 and ?4.
constexpr auto holding = join(
    u" WHERE rowid = (SELECT ", rowColumn, u" FROM ", entryTable, u" WHERE ", idColumn, u" = ?1)",
    u" AND IFNULL(CAST(", typeColumn, u" AS TEXT), '') = ?2 COLLATE BINARY",
    u" AND IFNULL(CAST(", addressColumn, u" AS TEXT), '') = ?3 COLLATE BINARY",
    u" AND IFNULL(CAST(", aboutColumn, u" AS TEXT), '') = ?4 COLLATE BINARY");
constexpr auto removeHolding = join(u"DELETE FROM ", table, holding);
constexpr auto changeHolding = join(
    u"UPDATE ", table, u" SET ", typeColumn, u" = ?5, ", addressColumn, u" = ?6, ", aboutColumn,
    u" = ?7", holding);
// clang-format on

// Runs `sql` on the entry `id` while it holds `held`, giving it `fields`
// when it takes fields; true when it found the entry so.
Outcome<bool> whileHolding(SqliteConnection &connection, QStringView sql, const QByteArray &id,
                           const Record &held, const Record *fields = nullptr)
{
    SqliteStatement statement(connection.handle(), sql);
    if (!statement.prepared())
        return statement.failure();
    statement.bindBlob(1, id);
    int at = 1;
    for (const Record *record : {&held, fields}) {
        if (!record)
            break;
        for (const QString *field : {&record->type, &record->address, &record->about})
            statement.bind(++at, Sql::storedText(*field));
    }
    if (!statement.run())
        return statement.failure();
    return sqlite3_changes(connection.handle()) == 1;
}

} // namespace

void UndoHistory::record(Step step)
{
    m_steps.resize(m_done);
    m_steps.push_back(std::move(step));
    m_done = m_steps.size();
}

Outcome<UndoHistory::Result> UndoHistory::undo(SqliteConnection &connection)
{
    if (m_done == 0)
        return Result::Nothing;
    const Outcome<bool> applied = apply(connection, m_steps[m_done - 1], false);
    if (!applied.ok())
        return applied.failure();
    if (!applied.value())
        return Result::ChangedElsewhere;
    --m_done;
    return Result::Done;
}

Outcome<UndoHistory::Result> UndoHistory::redo(SqliteConnection &connection)
{
    if (m_done == m_steps.size())
        return Result::Nothing;
    const Outcome<bool> applied = apply(connection, m_steps[m_done], true);
    if (!applied.ok())
        return applied.failure();
    if (!applied.value())
        return Result::ChangedElsewhere;
    ++m_done;
    return Result::Done;
}

Outcome<bool> UndoHistory::apply(SqliteConnection &connection, Step &step, bool forward)
{
    // An entry taken away is brought back as it went, where it stood; the
    // identity it comes back under is the step's from then on.
    auto bringBack = [&]() -> Outcome<bool> {
        const Outcome<std::optional<QByteArray>> back = DeletedEntries(connection).restore(step.id);
        if (!back.ok())
            return back.failure();
        if (back.value())
            step.id = *back.value();
        return back.value().has_value();
    };
    switch (step.kind) {
    case Kind::Added:
        return forward ? bringBack()
                       : whileHolding(connection, removeHolding.view(), step.id, step.after);
    case Kind::Deleted:
        return forward ? whileHolding(connection, removeHolding.view(), step.id, step.before)
                       : bringBack();
    case Kind::Modified:
        break;
    }
    return forward
        ? whileHolding(connection, changeHolding.view(), step.id, step.before, &step.after)
        : whileHolding(connection, changeHolding.view(), step.id, step.after, &step.before);
}

} // namespace Larkspan
