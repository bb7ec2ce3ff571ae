// Export and import: reading each format, the bookmark file written, the
// exact round trip, and a book that a failed import leaves as it was.
#include "AddressBookFile.h"
#include "TestFiles.h"

#include "exchange/ExchangeCommand.h"
#include "exchange/ExchangeFormat.h"

#include <QBuffer>
#include <QTest>

using namespace Larkspan;
using namespace Qt::StringLiterals;
using Records = QList<Record>;

namespace {

// Imports `file` into the book at `bookPath`, or exports the book to it in
// `format` (none: the one its name says; no file: standard output). Gives
// the status, standard output and standard error.
struct Run
{
    int status = -1;
    QByteArray output, errors;
};
enum Way { Import, Export };
Run run(Way way, const QString &bookPath, const QString &file, const QString &format = {})
{
    QBuffer output, errors;
    output.open(QIODevice::WriteOnly);
    errors.open(QIODevice::WriteOnly);
    ExchangeCommand exchange(bookPath, output, errors);
    const int status
        = way == Import ? exchange.importFile(file) : exchange.exportBook(format, file);
    return {status, output.data(), errors.data()};
}

} // namespace

class ExchangeTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsEachFormat_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<Records>("expected");
        QTest::addColumn<QStringList>("skipped");
        QTest::addColumn<int>("errorLine");

        QTest::newRow("csv: quotes, line breaks kept, LF between records")
            << "Type,address,About\r\n\"a,b\",\"say \"\"hi\"\"\",\"two\r\nlines\"\n,,\r\nx,y,z"_ba
            << Records {{u"a,b"_s, u"say \"hi\""_s, u"two\r\nlines"_s},
                        {},
                        {u"x"_s, u"y"_s, u"z"_s}}
            << QStringList() << 0;
        QTest::newRow("csv: another header")
            << "type,address,about\r\n"_ba << Records() << QStringList() << 1;
        QTest::newRow("csv: two fields")
            << "Type,address,About\r\na,b,c\r\na,b\r\n"_ba << Records() << QStringList() << 3;
        QTest::newRow("csv: a quote never closed")
            << "Type,address,About\r\na,\"b\r\nc\r\n"_ba << Records() << QStringList() << 2;
        QTest::newRow("csv: not UTF-8")
            << "Type,address,About\r\na,\xC3\x28,c\r\n"_ba << Records() << QStringList() << 2;
        QTest::newRow("json: escapes, a surrogate pair, NUL")
            << "\xEF\xBB\xBF[{\"Type\": \"a\\\"\\\\\\/\", \"address\": \"\\u00e9\\ud83d\\ude00\","
               " \"About\": \"x\\u0000y\\n\"}]"_ba
            << Records {{u"a\"\\/"_s, u"é😀"_s, QString(u"x\0y\n"_s)}} << QStringList() << 0;
        QTest::newRow("json: half a surrogate pair")
            << "[\n {\"Type\": \"\",\n  \"address\": \"\\ud800\", \"About\": \"\"}]"_ba << Records()
            << QStringList() << 3;
        QTest::newRow("json: a key missing") << "[\n {\"Type\": \"a\",\n  \"address\": \"b\"}\n]"_ba
                                             << Records() << QStringList() << 2;

        const QString firefox = QStringLiteral(LARKSPAN_EXCHANGE_DATA "/firefox-style.html");
        QTest::newRow("html: Firefox-style") << Testing::readFile(firefox) << Records{
            {u"Recipes"_s, u"https://bread.example.org/sourdough?step=1&hydration=75"_s,
             u"Sourdough & rye\nStarter: 100 g, fed <daily>"_s},
            {u"Recipes"_s, u"baker@example.org"_s, u"Ask the baker"_s},
            {u""_s, u"https://www.example.com/"_s, u"Example home\nThe front page"_s},
            {u"Daily / Nachrichten"_s, u"https://zeitung.example.de/über"_s, u"Zeitung — Übersicht 📰"_s},
            {u""_s, u"ftp://files.example.net/pub/"_s, u""_s},
        } << QStringList{u"file: link"_s, u"javascript: link"_s, u"place: link"_s} << 0;
        // libxml2 stops at 256 levels unless told otherwise, dropping the rest.
        QByteArray deep = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n";
        QStringList path;
        for (int i = 0; i < 300; ++i, path << u"f"_s)
            deep += "<DT><H3>f</H3>\n<DL><p>\n";
        deep += "<DT><A HREF=\"http://deep.example\">deep</A>\n"
            + QByteArray("</DL><p>\n").repeated(300)
            + "<DT><A HREF=\"http://after.example\">after</A>\n</DL>\n";
        QTest::newRow("html: folders 300 deep")
            << deep
            << Records {{path.join(u" / "_s), u"http://deep.example"_s, u"deep"_s},
                        {u""_s, u"http://after.example"_s, u"after"_s}}
            << QStringList() << 0;
        QTest::newRow("html: NUL")
            << "<DL>\n<DT>\0<A HREF=\"http://x\">x</A>"_ba << Records() << QStringList() << 2;
    }

    void readsEachFormat()
    {
        QFETCH(QByteArray, content);
        QFETCH(Records, expected);
        QFETCH(QStringList, skipped);
        QFETCH(int, errorLine);

        QVERIFY(!content.isEmpty());
        const Outcome<ReadEntries> read
            = ExchangeFormat::make(ExchangeFormat::ofContent(content))->read(content);
        QCOMPARE(read.ok(), errorLine == 0);
        if (!read.ok()) {
            QVERIFY2(read.error().startsWith(u"%1: "_s.arg(errorLine)), qPrintable(read.error()));
            return;
        }
        QCOMPARE(read.value().records, expected);
        QCOMPARE(read.value().skipped.keys(), skipped);
    }

    void writesABookmarkFileBrowsersRead()
    {
        AddressBookFile book({
            {u"News"_s, u"www.example.org"_s, u"Daily news\r\nwith a <second> line"_s},
            {u"Mail & more"_s, u"someone@example.org"_s, u""_s},
            {u""_s, u"www.top.example"_s, u"\nfirst line empty"_s},
            {u"News"_s, u"https://x.example/a b?q=ä&r=1"_s, u"\"Quoted\" & Co."_s},
            {u"Mail & more"_s, u""_s, u"no address"_s},
        });
        const QString target = book.directory() + u"/bookmarks.html"_s;
        const Run exported = run(Export, book.path(), target);
        QCOMPARE(exported.status, int(ExchangeCommand::Done));
        QCOMPARE(exported.errors,
                 "larkspan export: 1 left out, with no address a browser can open\n"_ba);
        QCOMPARE(QString::fromUtf8(Testing::readFile(target)),
                 QString::fromUtf8(
                     Testing::readFile(QStringLiteral(LARKSPAN_EXCHANGE_DATA "/exported.html"))));
    }

    void roundTripsExactly_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::newRow("csv") << u"book.csv"_s;
        QTest::newRow("json") << u"book.json"_s;
    }

    void roundTripsExactly()
    {
        QFETCH(QString, fileName);
        const Records nasty = {
            {u""_s, u""_s, u""_s},
            {u"News"_s, u"www.example.org"_s, u"CRLF\r\nLF\nCR\rend\n"_s},
            {u"Ünïcödé 😀"_s, u"someone@example.org"_s, u"\"quoted\", with, commas"_s},
            {QString(u"tab\tand\0nul"_s), u" spaces around "_s, u"  "_s},
            {u"News"_s, u"www.example.org"_s, u"CRLF\r\nLF\nCR\rend\n"_s},
        };
        AddressBookFile from(nasty);
        const QString file = from.directory() + u'/' + fileName;
        QCOMPARE(run(Export, from.path(), file).status, 0);

        QTemporaryDir empty;
        const QString bookPath = empty.filePath(u"Tessmoor.mdb"_s);
        QCOMPARE(run(Import, bookPath, file).output, "5 added, 0 already present, 0 skipped\n"_ba);
        QCOMPARE(run(Import, bookPath, file).output, "0 added, 5 already present, 0 skipped\n"_ba);

        const QString again = empty.filePath(fileName);
        QCOMPARE(run(Export, bookPath, again).status, 0);
        QCOMPARE(Testing::readFile(again), Testing::readFile(file));
        QCOMPARE(from.rows(), nasty);
    }

    // Categories and addresses that differ in case only are different, and
    // a NULL is the empty text, whatever a book's columns declare.
    void exactOnACaselessBookHoldingNulls()
    {
        AddressBookFile book({},
                             {u"CREATE TABLE Informaiton (Type TEXT COLLATE NOCASE,"
                              u" address TEXT COLLATE NOCASE, About TEXT COLLATE NOCASE)"_s});
        AddressBookFile::sql(book.path(),
                             u"INSERT INTO Informaiton VALUES ('News', 'a@x.example', NULL),"
                             u" (NULL, 'www.a.example', 'one'), ('news', NULL, 'two'),"
                             u" ('', 'www.c.example', NULL), ('news', 'www.b.example', 'three')"_s);

        const Run html = run(Export, book.path(), {}, u"html"_s);
        QCOMPARE(
            ExchangeFormat::make(ExchangeFormat::Kind::Html)->read(html.output).value().records,
            (Records {{u"News"_s, u"a@x.example"_s, u""_s},
                      {u""_s, u"http://www.a.example"_s, u"one"_s},
                      {u""_s, u"http://www.c.example"_s, u""_s},
                      {u"news"_s, u"http://www.b.example"_s, u"three"_s}}));

        const QString file = book.directory() + u"/import.csv"_s;
        QVERIFY(Testing::writeFile(
            file,
            "Type,address,About\r\nNEWS,a@x.example,\r\nNews,a@x.example,\r\nNews,A@x.example,\r\n"
            ",www.a.example,one\r\nnews,,two\r\nnews,,TWO\r\n"_ba));
        QCOMPARE(run(Import, book.path(), file).output,
                 "3 added, 3 already present, 0 skipped\n"_ba);
    }

    // A null content: the book exported onto itself.
    void leavesTheBookAsItWas_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        QTest::newRow("malformed file")
            << QString() << "Type,address,About\r\nx,y,z\r\nx,\"y\"z,\r\n"_ba
            << u"FILE:3: text after a field's closing quote\n"_s;
        QTest::newRow("export onto the book")
            << QString() << QByteArray() << u"larkspan export: FILE is the address book itself\n"_s;
        // The engine fails at the second entry: the first must not stay.
        QTest::newRow("failure halfway")
            << u"CREATE TRIGGER full BEFORE INSERT ON Informaiton WHEN new.address = 'poison'"
               u" BEGIN SELECT RAISE(ABORT, 'database or disk is full'); END"_s
            << "Type,address,About\r\nx,www.x.example,\r\ny,poison,\r\n"_ba
            << u"database or disk is full\n"_s;
    }

    void leavesTheBookAsItWas()
    {
        QFETCH(QString, setup);
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        const Records kept {{u"a"_s, u"www.a.example"_s, u"kept"_s}};
        AddressBookFile book(kept);
        if (!setup.isEmpty())
            AddressBookFile::sql(book.path(), setup);
        const QByteArray before = Testing::digest(book.path());
        const QString file = content.isNull() ? book.path() : book.directory() + u"/import.csv"_s;
        QVERIFY(content.isNull() || Testing::writeFile(file, content));

        const Run result = run(content.isNull() ? Export : Import, book.path(), file, u"csv"_s);
        QCOMPARE(result.status, content.isNull() ? 2 : 1);
        QCOMPARE(QString::fromUtf8(result.errors), QString(message).replace(u"FILE"_s, file));
        if (setup.isEmpty()) // an import that reached the book may have built its lists
            QCOMPARE(Testing::digest(book.path()), before);
        QCOMPARE(book.rows(), kept);
    }
};

QTEST_GUILESS_MAIN(ExchangeTest)
#include "tst_exchange.moc"
