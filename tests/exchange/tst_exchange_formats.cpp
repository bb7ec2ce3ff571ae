// Reading every format: the files of each browser and bookmark tool, CSV
// and JSON, what is skipped and what is refused, with its line; the
// browsers' profiles, and the formats the manual page lists.
#include "AddressBookFile.h"
#include "ExchangeRun.h"

#include "exchange/ExchangeFormats.h"

#include <QScopeGuard>

using namespace Larkspan;
using namespace ExchangeRun;
using namespace Qt::StringLiterals;
using Records = QList<Record>;

class ExchangeFormatsTest : public QObject
{
    Q_OBJECT

    // Imports the row's file into an empty book.
    static void importsTheRow()
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

private Q_SLOTS:
private Q_SLOTS:
    // `source`: a file of data/, or none for `content`. `outcome`: the
    // closing line, or the start of the error, FILE standing for the file.
    void readsTextFormats_data()
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
    }

    void readsTextFormats() { importsTheRow(); }

    void readsBookmarkFiles_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<Records>("expected");
        QTest::addColumn<QString>("outcome");

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
    }

    void readsBookmarkFiles() { importsTheRow(); }

    void readsBrowsersOwnFiles_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<Records>("expected");
        QTest::addColumn<QString>("outcome");

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

    void readsBrowsersOwnFiles() { importsTheRow(); }

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

    // The manual page lists the formats of the one table.
    void manPageNamesEveryFormat()
    {
        const QString page = QString::fromUtf8(Testing::readFile(QStringLiteral(LARKSPAN_MAN_PAGE)))
                                 .replace(u"\\-"_s, u"-"_s);
        for (const ExchangeFormat *format : ExchangeFormats::all())
            QVERIFY2(page.contains(format->description()), qPrintable(format->description()));
    }
};

QTEST_GUILESS_MAIN(ExchangeFormatsTest)
#include "tst_exchange_formats.moc"
