#include "AddressBookFile.h"

#include "store/Schema.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include <stdexcept>

using namespace Qt::StringLiterals;

namespace {

// Runs `work` on a connection of its own to `path`.
template <typename Work>
void withConnection(const QString &path, Work work)
{
    const QString name = u"address-book-file"_s;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, name);
        db.setDatabaseName(path);
        if (!db.open())
            throw std::runtime_error(db.lastError().text().toStdString());
        work(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

void exec(QSqlQuery &query)
{
    if (!query.exec())
        throw std::runtime_error(query.lastError().text().toStdString());
}

} // namespace

AddressBookFile::AddressBookFile(const QList<Larkspan::Record> &entries, const QStringList &schema)
{
    withConnection(path(), [&schema](QSqlDatabase &db) {
        const QStringList statements =
            schema.isEmpty() ? QStringList{Larkspan::Schema::createTable.toString()} : schema;
        for (const QString &statement : statements) {
            QSqlQuery query(db);
            query.prepare(statement);
            exec(query);
        }
    });
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
    withConnection(path(), [&](QSqlDatabase &db) {
        db.transaction();
        QSqlQuery query(db);
        query.prepare(u"INSERT INTO Informaiton (Type, address, About) VALUES (?, ?, ?)"_s);
        for (const Larkspan::Record &entry : entries) {
            query.addBindValue(entry.type);
            query.addBindValue(entry.address);
            query.addBindValue(entry.about);
            exec(query);
        }
        db.commit();
    });
}

QList<Larkspan::Record> AddressBookFile::rows() const
{
    QList<Larkspan::Record> result;
    withConnection(path(), [&](QSqlDatabase &db) {
        QSqlQuery query(db);
        query.prepare(u"SELECT Type, address, About FROM Informaiton ORDER BY rowid"_s);
        exec(query);
        while (query.next())
            result.append({query.value(0).toString(), query.value(1).toString(),
                           query.value(2).toString()});
    });
    return result;
}

QList<QStringList> AddressBookFile::sql(const QString &path, const QString &statement)
{
    QList<QStringList> result;
    withConnection(path, [&](QSqlDatabase &db) {
        QSqlQuery query(db);
        query.prepare(statement);
        exec(query);
        while (query.next()) {
            QStringList row;
            for (int i = 0; i < query.record().count(); ++i)
                row << query.value(i).toString();
            result << row;
        }
    });
    return result;
}

void AddressBookFile::enter()
{
    if (m_previousDirectory.isEmpty())
        m_previousDirectory = QDir::currentPath();
    QDir::setCurrent(m_dir.path());
}

QByteArray AddressBookFile::digest(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    return hash.result().toHex();
}
