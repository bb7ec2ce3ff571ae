// Export and import on a book: the bookmark files written, what browsers
// give back found already present, the exact round trip, and a book that a
// failed import leaves as it was.
#include "AddressBookFile.h"
#include "ExchangeRun.h"

using namespace Larkspan;
using namespace ExchangeRun;
using namespace Qt::StringLiterals;
using Records = QList<Record>;

class ExchangeBookTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void writesBookmarkFiles_data()
    {
        QTest::addColumn<QString>("format");
        QTest::newRow("html") << u"html"_s;
        QTest::newRow("xbel") << u"xbel"_s;
    }

    // What browsers read, and what they give back is already present.
    void writesBookmarkFiles()
    {
        QFETCH(QString, format);
        AddressBookFile book({
            {u"News"_s, u"www.example.org"_s, u"Daily news\r\nwith a <second> line"_s},
            {u"Mail & more"_s, u"team@example.com?subject=Weekly%20report"_s, u""_s},
            {u""_s, u"www.top.example"_s, u"\nfirst line empty"_s},
            {u"News"_s, u"https://x.example/a b?q=ä&r=1"_s, u"\"Quoted\" & Co."_s},
            {u"Mail & more"_s, u""_s, u"no address"_s},
            {u"A / B"_s, u"mailto:help@example.com"_s, u"Help"_s},
            {u"A"_s, u"https://a.example/"_s, u"After B"_s},
            {u"A / C"_s, u"https://c.example/"_s, u"C"_s},
        });
        const QString target = book.directory() + u"/bookmarks."_s + format;
        const Run exported = run(Export, book.path(), target);
        QCOMPARE(exported.status, int(ExchangeCommand::Done));
        QCOMPARE(exported.errors,
                 "larkspan export: 1 left out, with no address a browser can open\n"_ba);
        QCOMPARE(QString::fromUtf8(Testing::readFile(target)),
                 QString::fromUtf8(Testing::readFile(data(u"exported."_s + format))));
        QCOMPARE(run(Import, book.path(), target).output,
                 "0 added, 7 already present, 0 skipped\n"_ba);
    }

    // A bookmark as a browser or buku gives it back, against the entry the
    // book holds: whether it is already present.
    void findsWhatBrowsersGiveBack_data()
    {
        QTest::addColumn<Record>("held");
        QTest::addColumn<QByteArray>("bookmark"); // in the file's top folder "F"
        QTest::addColumn<bool>("present");
        const auto in = [](const char *category) { return QString::fromUtf8(category); };
        QTest::newRow("completed, cut to its first line")
            << Record {in("F"), u"www.x.org"_s, u"Daily news\nmore"_s}
            << "<A HREF=\"http://www.x.org/\">Daily news</A>"_ba << true;
        QTest::newRow("titled from the first line that is not empty")
            << Record {in("F"), u"https://b.example/x"_s, u"\n  Second  line\nthird"_s}
            << "<A HREF=\"https://b.example/x\">Second line</A>"_ba << true;
        QTest::newRow("punycode, percent-encoding, case, default port")
            << Record {in("F"), u"HTTPS://Bücher.DE:443/über"_s, u"B"_s}
            << "<A HREF=\"https://xn--bcher-kva.de/%C3%BCber\">B</A>"_ba << true;
        QTest::newRow("mail fields, and no doubled mailto:")
            << Record {in("F"), u"mailto:Team@Example.com?subject=Weekly%20report"_s, u"T"_s}
            << "<A HREF=\"mailto:Team@example.COM?subject=Weekly report\">T</A>"_ba << true;
        QTest::newRow("information lost, title kept")
            << Record {in("F"), u"https://t.example/"_s, u""_s}
            << "<A HREF=\"https://t.example/\">https://t.example/</A>"_ba << true;
        QTest::newRow("another title") << Record {in("F"), u"https://o.example/"_s, u"Old"_s}
                                       << "<A HREF=\"https://o.example/\">New</A>"_ba << false;
        QTest::newRow("another page") << Record {in("F"), u"https://o.example/a"_s, u"A"_s}
                                      << "<A HREF=\"https://o.example/b\">A</A>"_ba << false;
        QTest::newRow("another category") << Record {in("G"), u"https://o.example/"_s, u"A"_s}
                                          << "<A HREF=\"https://o.example/\">A</A>"_ba << false;
    }

    void findsWhatBrowsersGiveBack()
    {
        QFETCH(Record, held);
        QFETCH(QByteArray, bookmark);
        QFETCH(bool, present);
        AddressBookFile book({held});
        const QString file = book.directory() + u"/back.html"_s;
        QVERIFY(Testing::writeFile(file,
                                   "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n"
                                   "<DT><H3>  F </H3>\n<DL><p>\n<DT>"
                                       + bookmark + "\n</DL><p>\n</DL>\n"));
        QCOMPARE(run(Import, book.path(), file).output,
                 present ? "0 added, 1 already present, 0 skipped\n"_ba
                         : "1 added, 0 already present, 0 skipped\n"_ba);
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
            {u"lone"_s, u"carriage\rreturn"_s, u"\r"_s}, // the newest, like no other
        };
        AddressBookFile from(nasty);
        const QString file = from.directory() + u'/' + fileName;
        QCOMPARE(run(Export, from.path(), file).status, 0);

        QTemporaryDir empty;
        const QString bookPath = empty.filePath(u"Tessmoor.mdb"_s);
        QCOMPARE(run(Import, bookPath, file).output, "6 added, 0 already present, 0 skipped\n"_ba);
        QCOMPARE(run(Import, bookPath, file).output, "0 added, 6 already present, 0 skipped\n"_ba);

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
            << u"larkspan: BOOK: database or disk is full\n"_s;
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
        QCOMPARE(QString::fromUtf8(result.errors),
                 QString(message).replace(u"FILE"_s, file).replace(u"BOOK"_s, book.path()));
        if (setup.isEmpty()) // an import that reached the book may have built its lists
            QCOMPARE(Testing::digest(book.path()), before);
        QCOMPARE(book.rows(), kept);
    }
};

QTEST_GUILESS_MAIN(ExchangeBookTest)
#include "tst_exchange_book.moc"
