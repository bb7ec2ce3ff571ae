#pragma once

#include "platform/Outcome.h"

#include <QByteArray>

#include <vector>

namespace Larkspan {

class SqliteConnection;

// An entry of the other copy that this one lacks: its identity, its row
// there, when it was made and last changed.
struct Incoming
{
    QByteArray id;
    qint64 row = 0;
    qint64 made = 0;
    qint64 changed = 0;
};

// Puts entries of the copy attached as "theirs" into the address table at
// the place their making gives them in the record order. Each takes a free
// row between its neighbours, the one it had there when that is free; where
// there is none, the entries after it move on to new rows, in their order.
class EntryPlacement
{
public:
    explicit EntryPlacement(SqliteConnection &connection)
        : m_connection(connection)
    {}

    Outcome<void> insert(std::vector<Incoming> entries);

private:
    Outcome<qint64> freeRowFor(const Incoming &entry);
    Outcome<void> moveOn(qint64 made, const QByteArray &id);
    Outcome<bool> taken(qint64 row);

    SqliteConnection &m_connection;
};

} // namespace Larkspan
