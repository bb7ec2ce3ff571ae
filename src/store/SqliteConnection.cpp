#include "store/SqliteConnection.h"

using namespace Qt::StringLiterals;

namespace Larkspan {

Outcome<void> SqliteConnection::open(const QString &uri, int flags, int busyTimeoutMs)
{
    close();
    const int rc
        = sqlite3_open_v2(uri.toUtf8().constData(), &m_db, flags | SQLITE_OPEN_URI, nullptr);
    if (rc != SQLITE_OK) {
        const Failure failed = m_db ? failure() : sqliteFailure(rc);
        close();
        return failed;
    }
    sqlite3_busy_timeout(m_db, busyTimeoutMs);
    return {};
}

void SqliteConnection::close()
{
    if (m_db)
        sqlite3_close_v2(m_db);
    m_db = nullptr;
}

Failure SqliteConnection::failure() const
{
    if (!m_db)
        return Failure {u"the address book is not open"_s};
    return Failure {QString::fromUtf8(sqlite3_errmsg(m_db))};
}

Failure sqliteFailure(int code)
{
    return Failure {QString::fromUtf8(sqlite3_errstr(code))};
}

Outcome<void> SqliteConnection::exec(QStringView sql)
{
    if (!m_db)
        return failure();
    const QByteArray utf8 = sql.toUtf8();
    if (sqlite3_exec(m_db, utf8.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        return failure();
    return {};
}

template<typename T, typename Read>
Outcome<T> SqliteConnection::firstValue(QStringView sql, Read read, T none)
{
    if (!m_db)
        return failure();
    SqliteStatement statement(m_db, sql);
    if (!statement.prepared())
        return statement.failure();
    switch (statement.step()) {
    case SQLITE_ROW:
        return read(statement);
    case SQLITE_DONE:
        return none;
    default:
        return statement.failure();
    }
}

Outcome<qint64> SqliteConnection::integer(QStringView sql)
{
    return firstValue(
        sql, [](const SqliteStatement &row) { return row.integer(0); }, qint64(0));
}

Outcome<QString> SqliteConnection::text(QStringView sql)
{
    return firstValue(
        sql, [](const SqliteStatement &row) { return row.qtext(0); }, QString());
}

Outcome<void> SqliteConnection::compiles(QStringView sql)
{
    if (!m_db)
        return failure();
    const SqliteStatement statement(m_db, sql);
    if (!statement.prepared())
        return statement.failure();
    return {};
}

SqliteTransaction::SqliteTransaction(SqliteConnection &connection, Kind kind)
    : m_connection(connection)
    , m_began(connection.exec(kind == Kind::Write ? u"BEGIN IMMEDIATE" : u"BEGIN"))
    , m_open(m_began.ok())
{}

SqliteTransaction::~SqliteTransaction()
{
    if (m_open && m_connection.handle())
        sqlite3_exec(m_connection.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

Outcome<void> SqliteTransaction::commit()
{
    if (!m_began.ok())
        return m_began;
    Outcome<void> committed = m_connection.exec(u"COMMIT");
    if (committed.ok())
        m_open = false;
    return committed;
}

} // namespace Larkspan
