// Export and import: every format read and written, what browsers give back
// found already present, the exact round trip, and a book that a failed
// import leaves as it was.
#include "AddressBookFile.h"
#include "TestFiles.h"

#include "exchange/ExchangeCommand.h"
#include "exchange/ExchangeFormats.h"

#include <QBuffer>
#include <QScopeGuard>
#include <QTest>

using namespace Larkspan;
using namespace Qt::StringLiterals;
using Records = QList<Record>;

namespace {

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
Run run(Way way, const QString &bookPath, const QString &file, const QString &format = {})
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

QString data(const QString &name)
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

} // namespace

class ExchangeTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // `source`: a file of data/, or none for `content`. `outcome`: the
    // closing line, or the start of the error, FILE standing for the file.
    void readsEachFormat_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<Records>("expected");
        QTest::addColumn<QString>("outcome");

        QTest::newRow("csv: quotes, line breaks kept, LF between records")
            << QString()
            << "Type,address,About\r\n\"a,b\",\"say \"\"hi\"\"\",\"two\r\nlines\"\n,,\r\nx,y,z"_ba
            << Records {{u"a,b"_s, u"say \"hi\""_s, u"two\r\nlines"_s},
                        {},
                        {u"x"_s, u"y"_s, u"z"_s}}
            << u"3 added, 0 already present, 0 skipped"_s;
        QTest::newRow("csv: another header")
            << QString() << "type,address,about\r\n"_ba << Records() << u"FILE:1: "_s;
        QTest::newRow("csv: two fields") << QString() << "Type,address,About\r\na,b,c\r\na,b\r\n"_ba
                                         << Records() << u"FILE:3: "_s;
        QTest::newRow("csv: a quote never closed")
            << QString() << "Type,address,About\r\na,\"b\r\nc\r\n"_ba << Records() << u"FILE:2: "_s;
        QTest::newRow("csv: not UTF-8") << QString() << "Type,address,About\r\na,\xC3\x28,c\r\n"_ba
                                        << Records() << u"FILE:2: not UTF-8"_s;
        QTest::newRow("csv: an absurd line")
            << QString() << "Type,address,About\r\na,b,"_ba + QByteArray(17 << 20, 'x') << Records()
            << u"FILE:2: a field longer than 16 MiB"_s;
        QTest::newRow("json: escapes, a surrogate pair, NUL")
            << QString()
            << "\xEF\xBB\xBF[{\"Type\": \"a\\\"\\\\\\/\", \"address\": \"\\u00e9\\ud83d\\ude00\","
               " \"About\": \"x\\u0000y\\n\"}]"_ba
            << Records {{u"a\"\\/"_s, u"é😀"_s, QString(u"x\0y\n"_s)}}
            << u"1 added, 0 already present, 0 skipped"_s;
        QTest::newRow("json: half a surrogate pair")
            << QString() << "[\n {\"Type\": \"\",\n  \"address\": \"\\ud800\", \"About\": \"\"}]"_ba
            << Records() << u"FILE:3: "_s;
        QTest::newRow("json: a key missing")
            << QString() << "[\n {\"Type\": \"a\",\n  \"address\": \"b\"}\n]"_ba << Records()
            << u"FILE:2: "_s;
        QTest::newRow("no format: Markdown, a JSON object, zeros")
            << QString() << "# Bookmarks\n\n- [x](http://x.example)\n"_ba << Records()
            << u"larkspan import: FILE is in no format Larkspan reads. It reads a browser's"_s;
        QTest::newRow("no format: endless zeros") << u"/dev/zero"_s << QByteArray() << Records()
                                                  << u"larkspan import: FILE is in no format"_s;

        QTest::newRow("html: Firefox") << u"firefox-style.html"_s << QByteArray() << Records {
            {u"Recipes"_s, u"https://bread.example.org/sourdough?step=1&hydration=75"_s,
             u"Sourdough & rye\nStarter: 100 g, fed <daily>"_s},
            {u"Recipes"_s, u"baker@example.org?subject=Bread"_s, u"Ask the baker"_s},
            {u""_s, u"https://www.example.com/"_s, u"Example home\nThe front page"_s},
            {u"Daily / Nachrichten"_s, u"https://zeitung.example.de/über"_s, u"Zeitung — Übersicht 📰"_s},
            {u""_s, u"ftp://files.example.net/pub/"_s, u""_s},
        } << u"5 added, 0 already present, 3 skipped (1 file: link, 1 javascript: link, 1 place: link)"_s;
        QTest::newRow("html: disguised links, scheme case, mail fields, readable hosts")
            << u"disguised.html"_s << QByteArray() << Records {
            {u""_s, u"http://upper.example/Path"_s, u"Upper case"_s},
            {u""_s, u"A@EXAMPLE.COM"_s, u"Upper mail"_s},
            {u""_s, u"team@example.com?subject=Weekly report&body=Hi,%0D%0Aall"_s, u"Team"_s},
            {u""_s, u"http://bücher.de/عدد/日?q=café&s=%20"_s, u"Books"_s},
            {u""_s, u"https://xn--pple-43d.com/"_s, u"Mixed scripts"_s},
            {u""_s, u"https://spaces.example/"_s, u"Spaced title"_s},
        } << u"6 added, 0 already present, 5 skipped (4 javascript: link, 1 mailto: link without an address)"_s;
        QTest::newRow("html: buku's tags") << u"buku.html"_s << QByteArray() << Records {
            {u"news"_s, u"http://www.x.org"_s, u"Daily news"_s},
            {u"linux, tools"_s, u"https://example.org/"_s, u"Example\nwith more"_s},
            {u""_s, u"https://untagged.example/"_s, u"Untagged"_s},
        } << u"3 added, 0 already present, 0 skipped"_s;
        // libxml2 stops at 256 levels unless told otherwise, dropping the rest.
        QByteArray deep = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL><p>\n";
        QStringList path;
        for (int i = 0; i < 300; ++i, path << u"f"_s)
            deep += "<DT><H3>f</H3>\n<DL><p>\n";
        deep += "<DT><A HREF=\"http://deep.example\">deep</A>\n"
            + QByteArray("</DL><p>\n").repeated(300)
            + "<DT><A HREF=\"http://after.example\">after</A>\n</DL>\n";
        QTest::newRow("html: folders 300 deep")
            << QString() << deep
            << Records {{path.join(u" / "_s), u"http://deep.example"_s, u"deep"_s},
                        {u""_s, u"http://after.example"_s, u"after"_s}}
            << u"2 added, 0 already present, 0 skipped"_s;
        const QByteArray html = "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n<DL>\n";
        QTest::newRow("html: NUL") << QString() << html + "<DT>\0<A HREF=\"http://x\">x</A>"_ba
                                   << Records() << u"FILE:3: a NUL character"_s;
        QTest::newRow("html: &#0; in an address")
            << QString() << html + "<DT><A HREF=\"http://a&#x00;b\">x</A>"_ba << Records()
            << u"FILE:3: a NUL character"_s;
        QTest::newRow("html: an address never closed")
            << QString()
            << html
                + "<DT><A HREF=\"http://a.example>A</A>\n<DT><A HREF=\"http://b.example\">B</A>"_ba
            << Records() << u"FILE:3: a bookmark's address that is never closed"_s;

        const Records fromProfiles = {
            {u""_s, u"http://www.x.org/"_s, u"Daily news"_s},
            {u"Reading / Books"_s, u"https://bücher.de/katalog"_s, u"Katalog"_s},
            {u"Reading"_s, u"team@example.com?subject=Weekly report"_s, u"Team list"_s},
        };
        QTest::newRow("chromium") << u"chromium-Bookmarks"_s << QByteArray() << fromProfiles
                                  << u"3 added, 0 already present, 1 skipped (1 chrome: link)"_s;
        const Records firefox = {
            {u"News"_s, u"http://www.x.org/"_s, u"Daily news\nand more"_s},
            {u""_s, u"https://zeitung.example.de/über"_s, u"Zeitung"_s},
            {u""_s, u"someone@example.org"_s, u""_s},
        };
        for (const QString &name : {u"firefox-backup.json"_s, u"firefox-backup.jsonlz4"_s})
            QTest::newRow(qPrintable(name))
                << name << QByteArray() << firefox
                << u"3 added, 0 already present, 1 skipped (1 place: link)"_s;
        QTest::newRow("xbel") << u"kde.xbel"_s << QByteArray() << Records {
            {u""_s, u"https://top.example/"_s, u"Top level"_s},
            {u"Reading / Books"_s, u"https://bücher.de/katalog"_s, u"Katalog\nof books & more"_s},
            fromProfiles[2],
        } << u"3 added, 0 already present, 1 skipped (1 javascript: link)"_s;
        QTest::newRow("xbel: broken")
            << QString() << "<?xml version=\"1.0\"?>\n<xbel>\n<folder>\n</xbel>"_ba << Records()
            << u"FILE:4: "_s;
    }

    void readsEachFormat()
    {
        QFETCH(QString, source);
        QFETCH(QByteArray, content);
        QFETCH(Records, expected);
        QFETCH(QString, outcome);

        AddressBookFile book;
        QString file = book.directory() + u"/input"_s;
        if (source.startsWith(u'/'))
            file = source;
        else if (!source.isEmpty())
            QVERIFY(QFile::copy(data(source), file));
        else
            QVERIFY(Testing::writeFile(file, content));
        const Run result = run(Import, book.path(), file);
        const bool succeeds = outcome.front().isDigit();
        QCOMPARE(result.status, succeeds ? 0 : 1);
        if (succeeds)
            QCOMPARE(QString::fromUtf8(result.output), outcome + u'\n');
        else
            QVERIFY2(QString::fromUtf8(result.errors).startsWith(outcome.replace(u"FILE"_s, file)),
                     result.errors.constData());
        QCOMPARE(book.rows(), expected);
    }

    // A running Firefox keeps its newest bookmarks in the log and the file
    // locked; the import reads them and leaves the profile as it was.
    void readsFirefoxWhileItRuns()
    {
        AddressBookFile book;
        QTemporaryDir profile;
        RunningPlaces places(profile.filePath(u"places.sqlite"_s));
        const auto before = Testing::snapshot(profile.path());
        const Run result = run(ImportFrom, book.path(), u"firefox"_s, profile.path());
        QCOMPARE(result.output, "4 added, 0 already present, 1 skipped (1 place: link)\n"_ba);
        QCOMPARE(book.rows(),
                 (Records {
                     {u"News"_s, u"http://www.x.org/"_s, u"Daily news"_s},
                     {u"News / Deutsch"_s, u"https://zeitung.example.de/über"_s, u"Zeitung"_s},
                     {u"News"_s, u"https://bücher.de/"_s, u"Bücher"_s},
                     {u""_s, u"a@example.com?subject=Hi&body=Hello there"_s, u"Ask A"_s},
                 }));
        QCOMPARE(Testing::snapshot(profile.path()), before);
        const Run missing = run(ImportFrom, book.path(), u"chromium"_s, profile.path());
        QCOMPARE(missing.status, 1);
        QVERIFY(missing.errors.startsWith("larkspan import: no Chromium bookmarks: "));
    }

    // Without --profile, the profile profiles.ini names (the installation's
    // default first) or the browser's Default folder under ~/.config.
    void findsTheDefaultProfiles_data()
    {
        QTest::addColumn<QString>("browser");
        QTest::addColumn<QString>("file"); // under the home folder
        QTest::addColumn<QByteArray>("ini");
        QTest::newRow("firefox")
            << u"firefox"_s << u".mozilla/firefox/b.default-esr/places.sqlite"_s
            << "[Profile0]\nName=a\nIsRelative=1\nPath=a.default\nDefault=1\n\n"
               "[Install4F96D1932A9F858E]\nDefault=b.default-esr\n"_ba;
        QTest::newRow("brave") << u"brave"_s
                               << u".config/BraveSoftware/Brave-Browser/Default/Bookmarks"_s
                               << QByteArray();
    }

    void findsTheDefaultProfiles()
    {
        QFETCH(QString, browser);
        QFETCH(QString, file);
        QFETCH(QByteArray, ini);
        QTemporaryDir home;
        const QByteArray oldHome = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(home.path()));
        qunsetenv("XDG_CONFIG_HOME");
        const auto restore = qScopeGuard([&] { qputenv("HOME", oldHome); });
        const QString path = home.filePath(file);
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        if (ini.isEmpty()) {
            QVERIFY(QFile::copy(data(u"chromium-Bookmarks"_s), path));
        } else {
            QVERIFY(Testing::writeFile(home.filePath(u".mozilla/firefox/profiles.ini"_s), ini));
            RunningPlaces places(path);
        }
        AddressBookFile book;
        const Run result = run(ImportFrom, book.path(), browser);
        QVERIFY2(result.status == 0, result.errors.constData());
        QVERIFY(!book.rows().isEmpty());
    }

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

    // The manual page lists the formats of the one table.
    void manPageNamesEveryFormat()
    {
        const QString page = QString::fromUtf8(Testing::readFile(QStringLiteral(LARKSPAN_MAN_PAGE)))
                                 .replace(u"\\-"_s, u"-"_s);
        for (const ExchangeFormat *format : ExchangeFormats::all())
            QVERIFY2(page.contains(format->description()), qPrintable(format->description()));
    }
};

QTEST_GUILESS_MAIN(ExchangeTest)
#include "tst_exchange.moc"
