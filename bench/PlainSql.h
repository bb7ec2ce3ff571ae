#pragma once

#include "Timing.h"

#include <QFile>
#include <QString>

#include <sqlite3.h>

// The plain statement, through SQLite itself, every row read.
class PlainSql
{
public:
    explicit PlainSql(const QString &path)
    {
        sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, SQLITE_OPEN_READONLY, nullptr);
    }
    ~PlainSql() { sqlite3_close(m_db); }

    sqlite3 *handle() const { return m_db; }

    // Runs `sql` on the file at `path` as another program would.
    static void run(const QString &path, const char *sql)
    {
        sqlite3 *db = nullptr;
        sqlite3_open(QFile::encodeName(path).constData(), &db);
        sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }

    Timing::Summary time(const char *sql, const QString &parameter = QString(), int count = Timing::windowRuns)
    {
        const QByteArray bound = parameter.toUtf8();
        return Timing::measure(count, {}, [&] {
            sqlite3_stmt *stmt = nullptr;
            sqlite3_prepare_v2(m_db, sql, -1, &stmt, nullptr);
            if (!parameter.isNull())
                sqlite3_bind_text(stmt, 1, bound.constData(), int(bound.size()), SQLITE_STATIC);
            qint64 bytes = 0;
            while (sqlite3_step(stmt) == SQLITE_ROW)
                bytes += sqlite3_column_bytes(stmt, 0);
            sqlite3_finalize(stmt);
            Q_UNUSED(bytes);
        });
    }

    QString largestCategory()
    {
        sqlite3_stmt *stmt = nullptr;
        sqlite3_prepare_v2(m_db,
                           "SELECT Type FROM Informaiton GROUP BY Type"
                           " ORDER BY COUNT(*) DESC LIMIT 1",
                           -1, &stmt, nullptr);
        QString type;
        if (sqlite3_step(stmt) == SQLITE_ROW)
            type = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
        sqlite3_finalize(stmt);
        return type;
    }

private:
    sqlite3 *m_db = nullptr;
};
