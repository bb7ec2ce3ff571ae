#pragma once

#include "platform/Outcome.h"

#include <QByteArray>
#include <QString>

struct sqlite3;

namespace Larkspan {

class SqliteConnection;

// The identity tables beside the address table (see IdentitySchema.h) and
// the triggers that keep them. A book made by another tool, or by an older
// Larkspan, has none; another tool can also write past them (a dropped
// trigger). So they are checked at every open and mended when they no
// longer describe the table: an entry without an identity gets one, in
// record order, and an identity whose entry is gone counts as deleted.
//
// An identity given this way is made from the entry's place and fields
// alone, so two machines that give the same book its identities give the
// same ones, and their copies still merge entry by entry.
class EntryIdentities
{
public:
    explicit EntryIdentities(SqliteConnection &connection)
        : m_connection(connection)
    {}

    // Makes the tables describe the table, in one transaction.
    Outcome<void> prepare();

    // Whether the tables are this program's own, with every trigger in
    // place, and describe every entry. Cheap at any size.
    Outcome<bool> inStep();

    // The identity an entry at `row` with these fields gets when it has
    // none: its row, then a digest of its fields.
    static QByteArray identityOf(qint64 row, const QByteArray &type, const QByteArray &address,
                                 const QByteArray &about);

private:
    Outcome<void> ensureObjects();
    Outcome<void> forgetVanished();
    Outcome<void> identifyNewcomers();

    SqliteConnection &m_connection;
};

} // namespace Larkspan
