#include "JetTestSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace JetTestSupport {

QString sharedJetDir()
{
    const QString dir = QStringLiteral(LARKSPAN_SHARED_DIR) + u"/testdata/jet"_s;
    return QFileInfo(dir + u"/README.md"_s).isFile() ? dir : QString();
}

bool copyTestFile(const QString &name, const QString &directory, const QString &as)
{
    const QString target = directory + u'/' + as;
    if (!QFile::copy(sharedJetDir() + u'/' + name, target))
        return false;
    return QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup
                                             | QFile::ReadOther);
}

QByteArray sha256Of(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<unreadable>";
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    return hash.result().toHex();
}

QMap<QString, QByteArray> snapshot(const QString &directory)
{
    QMap<QString, QByteArray> entries;
    QDirIterator it(directory,
                    QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = QDir(directory).relativeFilePath(path);
        entries.insert(relative, it.fileInfo().isDir() ? QByteArray("<dir>") : sha256Of(path));
    }
    return entries;
}

QString longText(int length)
{
    QString text;
    for (int n = 0; text.size() < length; ++n)
        text += u"Zeile %1: Grüße aus Köln, façade, naïve, €uro; "_s.arg(n, 5, 10, QChar(u'0'));
    text.truncate(length);
    return text + u"<END>"_s;
}

QList<Row> informaitonRows(bool memo)
{
    return {
        {u"Web"_s, u"https://www.example.org/café"_s,
         u"Crème brûlée, naïve façade, Ærøskøbing, Größe, señor, œuvre, ½ €, Ελληνικά, "
         u"Русский, 日本語"_s},
        {u"E-mail"_s, u"someone@example.com"_s, u""_s},
        {u"Web"_s, u"http://example.net/"_s, std::nullopt},
        {u""_s, std::nullopt, u"type empty, address NULL"_s},
        {u"Web"_s, u"https://example.com/long"_s, longText(memo ? 3000 : 200)},
        {u"Web"_s, u"https://example.com/verylong"_s, longText(memo ? 40000 : 250)},
        {u"E-mail"_s, u"zoë@exämple.de"_s,
         u"last row\r\nwith CRLF and \"quotes\" and 'apostrophes'"_s},
    };
}

QList<Row> emojiRows()
{
    return {
        {u"Fun 😀"_s, u"https://example.org/🎉"_s, u"party 🎉 and a smile 😀 end"_s},
        {u"Plain"_s, u"plain@example.org"_s, u"no emoji here"_s},
    };
}

} // namespace JetTestSupport

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace JetTestSupport {

QList<std::array<QString, 3>> addressBookRows(const QString &path, QString *error)
{
    QList<std::array<QString, 3>> rows;
    const QString connection = QUuid::createUuid().toString();
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, connection);
        db.setDatabaseName(path);
        db.setConnectOptions(u"QSQLITE_OPEN_READONLY"_s);
        QSqlQuery query(db);
        if (!db.open()) {
            *error = db.lastError().text();
        } else if (!query.exec(
                       u"SELECT rowid, Type, address, About FROM Informaiton ORDER BY rowid"_s)) {
            *error = query.lastError().text();
        } else {
            while (query.next()) {
                if (query.value(0).toLongLong() != rows.size() + 1)
                    *error = u"rowids are not 1, 2, 3, ..."_s;
                for (int c = 1; c <= 3; ++c) {
                    if (query.value(c).isNull())
                        *error = u"a NULL in the address book"_s;
                }
                rows.append({query.value(1).toString(), query.value(2).toString(),
                             query.value(3).toString()});
            }
        }
    }
    QSqlDatabase::removeDatabase(connection);
    if (!error->isEmpty())
        rows.clear();
    return rows;
}

} // namespace JetTestSupport
