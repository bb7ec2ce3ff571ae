#pragma once

#include "platform/Outcome.h"
#include "store/SqliteStatement.h"

#include <QString>
#include <QStringView>

#include <sqlite3.h>

namespace Larkspan {

// One connection straight to SQLite, closed when it goes. Every statement
// of the store goes through it and SqliteStatement, and every failure is
// phrased one way: the engine's own message.
class SqliteConnection
{
public:
    SqliteConnection() = default;
    ~SqliteConnection() { close(); }
    SqliteConnection(const SqliteConnection &) = delete;
    SqliteConnection &operator=(const SqliteConnection &) = delete;

    // Opens `uri` (a path, or a file: URI) with sqlite3_open_v2's `flags`.
    Outcome<void> open(const QString &uri, int flags, int busyTimeoutMs);
    void close();
    bool isOpen() const { return m_db; }
    sqlite3 *handle() const { return m_db; }

    // The engine's message for the last failure on this connection.
    Failure failure() const;
    // Runs statements that answer no rows.
    Outcome<void> exec(QStringView sql);
    // The first column of the first row, as an integer (0 when none) or as
    // text (empty when none).
    Outcome<qint64> integer(QStringView sql);
    Outcome<QString> text(QStringView sql);
    // Whether `sql` compiles here, in the engine's words when it does not.
    Outcome<void> compiles(QStringView sql);

private:
    template<typename T, typename Read> Outcome<T> firstValue(QStringView sql, Read read, T none);

    sqlite3 *m_db = nullptr;
};

// The engine's message for `code` where no connection is at hand.
Failure sqliteFailure(int code);

// A transaction that rolls back unless committed.
class SqliteTransaction
{
public:
    // BEGIN IMMEDIATE, so that a writer waits for the file at the start,
    // where nothing is lost by waiting, or BEGIN (DEFERRED) for a reading.
    enum class Kind { Write, Read };

    explicit SqliteTransaction(SqliteConnection &connection, Kind kind = Kind::Write);
    ~SqliteTransaction();
    SqliteTransaction(const SqliteTransaction &) = delete;
    SqliteTransaction &operator=(const SqliteTransaction &) = delete;

    // Whether BEGIN succeeded; when not, began() carries the failure.
    const Outcome<void> &began() const { return m_began; }
    Outcome<void> commit();

private:
    SqliteConnection &m_connection;
    Outcome<void> m_began;
    bool m_open = false;
};

} // namespace Larkspan
