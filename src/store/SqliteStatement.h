#pragma once

#include "platform/Outcome.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <sqlite3.h>

#include <string_view>

namespace Larkspan {

// One statement prepared straight on an SQLite connection, finalized when it
// goes: for the store's whole-table work, where a QVariant per value would
// cost more than the work itself.
class SqliteStatement
{
public:
    // `flags` as sqlite3_prepare_v3 takes them: SQLITE_PREPARE_PERSISTENT for
    // a statement kept for the connection's life.
    SqliteStatement(sqlite3 *db, QStringView sql, unsigned flags = 0)
        : m_db(db)
    {
        if (sqlite3_prepare16_v3(db, sql.utf16(), int(sql.size() * sizeof(char16_t)), flags,
                                 &m_statement, nullptr)
            != SQLITE_OK) {
            sqlite3_finalize(m_statement);
            m_statement = nullptr;
        }
    }
    ~SqliteStatement() { sqlite3_finalize(m_statement); }
    SqliteStatement(const SqliteStatement &) = delete;
    SqliteStatement &operator=(const SqliteStatement &) = delete;

    bool prepared() const { return m_statement; }
    sqlite3_stmt *handle() const { return m_statement; }
    Failure failure() const { return Failure {QString::fromUtf8(sqlite3_errmsg(m_db))}; }

    // SQLITE_ROW, SQLITE_DONE or an error.
    int step() { return sqlite3_step(m_statement); }
    void reset() { sqlite3_reset(m_statement); }
    // Ready for the next values: reset, and every parameter unbound.
    void rewind()
    {
        sqlite3_reset(m_statement);
        sqlite3_clear_bindings(m_statement);
    }

    void bind(int index, qint64 value) { sqlite3_bind_int64(m_statement, index, value); }
    // The text must outlive the step that reads it.
    void bind(int index, std::string_view text)
    {
        sqlite3_bind_text(m_statement, index, text.data(), int(text.size()), SQLITE_STATIC);
    }
    // A copy of the text is bound; a null QByteArray binds as "" all the same.
    void bind(int index, const QByteArray &utf8)
    {
        sqlite3_bind_text(m_statement, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }

    void bind(int index, const QString &text) { bind(index, text.toUtf8()); }
    void bindBlob(int index, QByteArrayView bytes)
    {
        sqlite3_bind_blob(m_statement, index, bytes.data(), int(bytes.size()), SQLITE_TRANSIENT);
    }
    void bindNull(int index) { sqlite3_bind_null(m_statement, index); }

    // Runs a statement that answers no rows (or whose rows do not matter).
    bool run()
    {
        int rc = SQLITE_ROW;
        while ((rc = step()) == SQLITE_ROW) {}
        reset();
        return rc == SQLITE_DONE;
    }

    qint64 integer(int column) const { return sqlite3_column_int64(m_statement, column); }
    bool isNull(int column) const
    {
        return sqlite3_column_type(m_statement, column) == SQLITE_NULL;
    }
    QByteArray blob(int column) const
    {
        return QByteArray(static_cast<const char *>(sqlite3_column_blob(m_statement, column)),
                          sqlite3_column_bytes(m_statement, column));
    }

    std::string_view text(int column) const
    {
        const auto *chars
            = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, column));
        return {chars ? chars : "", size_t(sqlite3_column_bytes(m_statement, column))};
    }
    QString qtext(int column) const
    {
        const std::string_view chars = text(column);
        return QString::fromUtf8(chars.data(), qsizetype(chars.size()));
    }

private:
    sqlite3 *m_db;
    sqlite3_stmt *m_statement = nullptr;
};

} // namespace Larkspan
