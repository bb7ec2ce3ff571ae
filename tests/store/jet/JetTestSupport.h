#pragma once

#include "AddressBookFile.h"
#include "TestFiles.h"

#include "store/Record.h"

#include <QFile>

// What the Jet tests share: the shared Jet files, copies of them, and the
// rows the address books hold.
namespace JetTestSupport {

using namespace Qt::StringLiterals;
using Larkspan::Record;

inline const QString bookName = u"Tessmoor.mdb"_s;

// The folder of the shared Jet files; empty when the shared tree is absent.
inline QString sharedJetDir()
{
    const QString dir = QStringLiteral(LARKSPAN_SHARED_DIR) + u"/testdata/jet"_s;
    return QFile::exists(dir + u"/README.md"_s) ? dir : QString();
}

#define REQUIRE_SHARED_JET_DIR()                                                                   \
    if (JetTestSupport::sharedJetDir().isEmpty())                                                  \
    QSKIP("the shared test data (../shared/testdata/jet) is not in this checkout")

inline QByteArray sharedFileBytes(const QString &name)
{
    return Larkspan::Testing::readFile(sharedJetDir() + u'/' + name);
}

// Copies shared file `name` into `directory` as Tessmoor.mdb, writable.
inline bool copyTestFile(const QString &name, const QString &directory)
{
    const QByteArray bytes = sharedFileBytes(name);
    return !bytes.isEmpty() && Larkspan::Testing::writeFile(directory + u'/' + bookName, bytes);
}

// The long texts of the address book files: the pattern cut to `length`
// characters, then "<END>".
inline QString longText(int length)
{
    QString text;
    for (int n = 0; text.size() < length; ++n)
        text += u"Zeile %1: Grüße aus Köln, façade, naïve, €uro; "_s.arg(n, 5, 10, QChar(u'0'));
    return text.left(length) + u"<END>"_s;
}

// The rows of Tessmoor_jet4_v2000_memo.mdb (memo) or ..._text.mdb as our
// format keeps them: NULL as the empty text.
inline QList<Record> informaitonRows(bool memo)
{
    return {
        {u"Web"_s, u"https://www.example.org/café"_s,
         u"Crème brûlée, naïve façade, Ærøskøbing, Größe, señor, œuvre, ½ €, Ελληνικά, "
         u"Русский, 日本語"_s},
        {u"E-mail"_s, u"someone@example.com"_s, u""_s},
        {u"Web"_s, u"http://example.net/"_s, u""_s}, // About NULL
        {u""_s, u""_s, u"type empty, address NULL"_s},
        {u"Web"_s, u"https://example.com/long"_s, longText(memo ? 3000 : 200)},
        {u"Web"_s, u"https://example.com/verylong"_s, longText(memo ? 40000 : 250)},
        {u"E-mail"_s, u"zoë@exämple.de"_s,
         u"last row\r\nwith CRLF and \"quotes\" and 'apostrophes'"_s},
    };
}

// The rows of the address book (our format) at `path` in record order; a
// rowid out of the sequence 1, 2, 3, ... shows in place of the category.
inline QList<Record> addressBookRows(const QString &path)
{
    QList<Record> rows;
    for (const QStringList &row : AddressBookFile::sql(
             path,
             u"SELECT rowid = row_number() OVER (ORDER BY rowid), Type, address, About"
             u" FROM Informaiton ORDER BY rowid"_s))
        rows.append({row[0] == u"1"_s ? row[1] : u"<rowid out of sequence>"_s, row[2], row[3]});
    return rows;
}

} // namespace JetTestSupport
