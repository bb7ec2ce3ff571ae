#pragma once

#include "platform/Outcome.h"
#include "store/Record.h"

#include <QByteArray>

#include <optional>
#include <vector>

namespace Larkspan {

class SqliteConnection;

// An entry that this copy lacks: its identity, the row it had, when it was
// made and last changed; its fields, or else the row of the copy attached
// as "theirs" that holds them.
struct Incoming
{
    QByteArray id;
    qint64 row = 0;
    qint64 made = 0;
    qint64 changed = 0;
    std::optional<Record> fields;
};

// Puts entries into the address table at
// the place their making gives them in the record order. Those that go
// between the same two entries take free rows between them, the rows they
// had there where those fit; where there is no room, everything from there
// on, theirs and ours, is numbered afresh in its order, on the rows the
// other copy gives each where those keep the order.
class EntryPlacement
{
public:
    explicit EntryPlacement(SqliteConnection &connection)
        : m_connection(connection)
    {}

    Outcome<void> insert(std::vector<Incoming> entries);

private:
    struct Statements;

    Outcome<void> put(const Incoming &entry, qint64 row);
    Outcome<void> appendFrom(const std::vector<Incoming> &entries, size_t from, qint64 low);
    Outcome<void> moveOnFrom(const std::vector<Incoming> &entries, size_t from, qint64 made,
                             const QByteArray &id, qint64 low);

    SqliteConnection &m_connection;
    Statements *m_statements = nullptr;
};

} // namespace Larkspan
