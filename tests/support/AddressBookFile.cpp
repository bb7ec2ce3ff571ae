#include "AddressBookFile.h"

#include "store/Schema.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include <stdexcept>

using namespace Qt::StringLiterals;

QList<QStringList> AddressBookFile::sql(const QString &path, const QString &statement,
                                        const QList<QVariantList> &bindings)
{
    QList<QStringList> result;
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"address-book-file"_s);
        db.setDatabaseName(path);
        const bool many = bindings.size() > 1; // one transaction for many rows
        const bool opened = db.open() && (!many || db.transaction());
        QSqlQuery query(db);
        if (!opened || !query.prepare(statement))
            error = db.lastError().text() + query.lastError().text();
        for (auto values = bindings.begin(); error.isEmpty() && values != bindings.end();
             ++values) {
            for (const QVariant &value : *values)
                query.addBindValue(value);
            if (!query.exec())
                error = query.lastError().text();
            for (QStringList row; query.next(); result << row, row.clear()) {
                for (int i = 0; i < query.record().count(); ++i)
                    row << query.value(i).toString();
            }
        }
        if (many)
            db.commit();
    }
    QSqlDatabase::removeDatabase(u"address-book-file"_s);
    if (!error.isEmpty())
        throw std::runtime_error(error.toStdString());
    return result;
}

AddressBookFile::AddressBookFile(const QList<Larkspan::Record> &entries, const QStringList &schema)
{
    for (const QString &statement :
         schema.isEmpty() ? QStringList {Larkspan::Schema::createTable.toString()} : schema)
        sql(path(), statement);
    append(entries);
}

AddressBookFile::~AddressBookFile()
{
    if (!m_previousDirectory.isEmpty())
        QDir::setCurrent(m_previousDirectory);
}

QString AddressBookFile::path() const
{
    return m_dir.filePath(QString::fromUtf16(Larkspan::Schema::databaseFileName));
}

void AddressBookFile::append(const QList<Larkspan::Record> &entries)
{
    QList<QVariantList> values;
    for (const Larkspan::Record &entry : entries)
        values.append({entry.type, entry.address, entry.about});
    sql(path(), u"INSERT INTO Informaiton (Type, address, About) VALUES (?, ?, ?)"_s, values);
}

QList<Larkspan::Record> AddressBookFile::rows() const
{
    QList<Larkspan::Record> result;
    for (const QStringList &row :
         sql(path(), u"SELECT Type, address, About FROM Informaiton ORDER BY rowid"_s))
        result.append({row[0], row[1], row[2]});
    return result;
}

void AddressBookFile::enter()
{
    if (m_previousDirectory.isEmpty())
        m_previousDirectory = QDir::currentPath();
    QDir::setCurrent(m_dir.path());
}
