#pragma once

#include "store/Record.h"
#include "store/Schema.h"

#include <QDir>
#include <QList>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

#include <stdexcept>

// A fresh address book for one test case: a temporary directory that holds
// "Tessmoor.mdb" with the given entries, written and read back through a
// connection of its own, never through the program's store. The file is
// made by `schema`'s statements (the program's own table when none are
// given); a null text goes in as NULL. While one exists it can be made the
// current directory, where the main window looks for its file.
class AddressBookFile
{
public:
    explicit AddressBookFile(const QList<Larkspan::Record> &entries = {},
                             const QStringList &schema = {})
    {
        for (const QString &statement :
             schema.isEmpty() ? QStringList {Larkspan::Schema::createTable.toString()} : schema)
            sql(path(), statement);
        append(entries);
    }
    ~AddressBookFile()
    {
        if (!m_previousDirectory.isEmpty())
            QDir::setCurrent(m_previousDirectory);
    }

    QString directory() const { return m_dir.path(); }
    QString path() const
    {
        return m_dir.filePath(QString::fromUtf16(Larkspan::Schema::databaseFileName));
    }

    void append(const QList<Larkspan::Record> &entries)
    {
        QList<QVariantList> values;
        for (const Larkspan::Record &entry : entries)
            values.append({entry.type, entry.address, entry.about});
        sql(path(),
            QStringLiteral("INSERT INTO Informaiton (Type, address, About) VALUES (?, ?, ?)"),
            values);
    }

    // The table's rows in record order.
    QList<Larkspan::Record> rows() const
    {
        QList<Larkspan::Record> result;
        for (const QStringList &row :
             sql(path(),
                 QStringLiteral("SELECT Type, address, About FROM Informaiton ORDER BY rowid")))
            result.append({row[0], row[1], row[2]});
        return result;
    }

    // Makes the directory current until this object goes away.
    void enter()
    {
        if (m_previousDirectory.isEmpty())
            m_previousDirectory = QDir::currentPath();
        QDir::setCurrent(m_dir.path());
    }

    // Runs `statement` on the file at `path` over a connection of its own,
    // once for each set of bound values (many in one transaction); gives the
    // rows it answers, each as its columns' texts. Throws std::runtime_error
    // with the engine's message when it fails.
    static QList<QStringList> sql(const QString &path, const QString &statement,
                                  const QList<QVariantList> &bindings = {QVariantList()})
    {
        QList<QStringList> result;
        QString error;
        const QString name = QStringLiteral("address-book-file");
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
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
        QSqlDatabase::removeDatabase(name);
        if (!error.isEmpty())
            throw std::runtime_error(error.toStdString());
        return result;
    }

private:
    QTemporaryDir m_dir;
    QString m_previousDirectory;
};
