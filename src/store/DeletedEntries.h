#pragma once

#include "platform/Outcome.h"
#include "store/Record.h"

#include <QByteArray>
#include <QList>

#include <optional>

namespace Larkspan {

class SqliteConnection;

// An entry deleted on any copy of the book, as the book remembers it.
struct DeletedEntry
{
    QByteArray id;
    qint64 deletedMs = 0; // when it went, milliseconds since 1970
    Record record;
};

// The deleted entries the book remembers with their fields, which can be
// brought back until their fields are purged (after 30 days, or when the
// user says). Each operation is one transaction.
class DeletedEntries
{
public:
    static constexpr qint64 keptMs = 30LL * 24 * 60 * 60 * 1000;

    explicit DeletedEntries(SqliteConnection &connection)
        : m_connection(connection)
    {}

    // Those that can be brought back, the newest first.
    Outcome<QList<DeletedEntry>> list();

    // Brings the entry deleted under `id` back as it was, in its category
    // and at its place in the record order, under an identity of its own
    // that every copy gives it alike, so that bringing it back on two
    // machines makes one entry. The identity it has now, or nothing when it
    // cannot come back: it came back already, here or elsewhere, its fields
    // were purged, or it was never deleted.
    Outcome<std::optional<QByteArray>> restore(const QByteArray &id);

    // Forgets the fields of every entry deleted before `beforeMs` (its
    // identity stays remembered as deleted). How many were forgotten.
    Outcome<qint64> purge(qint64 beforeMs);

private:
    SqliteConnection &m_connection;
};

} // namespace Larkspan
