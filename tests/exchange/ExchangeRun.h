#pragma once

// What the exchange tests share: running a command on a book, the files of
// data/, and a places.sqlite as a running Firefox holds it.
#include "TestFiles.h"

#include "exchange/ExchangeCommand.h"

#include <QBuffer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

namespace ExchangeRun {

using namespace Larkspan;
using namespace Qt::StringLiterals;

// Imports `file` into the book at `bookPath` (or the bookmarks of the
// browser `file` names, from the profile `format`), or exports the book to
// it in `format` (none: the one its name says; no file: standard output).
// Gives the status, standard output and standard error.
struct Run
{
    int status = -1;
    QByteArray output, errors;
};
enum Way { Import, ImportFrom, Export };
inline Run run(Way way, const QString &bookPath, const QString &file, const QString &format = {})
{
    QBuffer output, errors;
    output.open(QIODevice::WriteOnly);
    errors.open(QIODevice::WriteOnly);
    ExchangeCommand exchange(bookPath, output, errors);
    const int status = way == Import ? exchange.importFile(file)
        : way == ImportFrom          ? exchange.importFrom(file, format)
                                     : exchange.exportBook(format, file);
    return {status, output.data(), errors.data()};
}

inline QString data(const QString &name)
{
    return QStringLiteral(LARKSPAN_EXCHANGE_DATA "/") + name;
}

// Firefox's places.sqlite, from places.sql, with the bookmarks still in its
// log and the file locked, as a running Firefox keeps it.
class RunningPlaces
{
public:
    explicit RunningPlaces(const QString &path)
        : m_db(QSqlDatabase::addDatabase(u"QSQLITE"_s, u"places"_s))
    {
        m_db.setDatabaseName(path);
        m_db.open();
        QSqlQuery query(m_db);
        for (const QString &statement :
             {u"PRAGMA journal_mode=WAL"_s, u"PRAGMA wal_autocheckpoint=0"_s,
              u"PRAGMA locking_mode=EXCLUSIVE"_s})
            query.exec(statement);
        for (const QString &statement :
             QString::fromUtf8(Testing::readFile(data(u"places.sql"_s))).split(u";\n"_s)) {
            if (!statement.trimmed().isEmpty() && !query.exec(statement))
                qWarning() << query.lastError().text();
        }
    }
    ~RunningPlaces()
    {
        m_db.close();
        m_db = {};
        QSqlDatabase::removeDatabase(u"places"_s);
    }

private:
    QSqlDatabase m_db;
};

} // namespace ExchangeRun
