#include "JetTestSupport.h"

#include "store/FileFormat.h"
#include "store/jet/JetImport.h"
#include "store/jet/reader/TableStreamWriter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

using namespace Qt::StringLiterals;
using namespace Larkspan;
using JetReaderFormat::ValueKind;
using JetTestSupport::Row;

Q_DECLARE_METATYPE(QList<JetTestSupport::Row>)

namespace {

const QString reader = QStringLiteral(LARKSPAN_JET_READER);
const QString bookName = u"Tessmoor.mdb"_s;

// The rows as our format keeps them: NULL becomes the empty text.
QList<std::array<QString, 3>> stored(const QList<Row> &rows)
{
    QList<std::array<QString, 3>> result;
    for (const Row &row : rows)
        result.append({row[0].value_or(u""_s), row[1].value_or(u""_s), row[2].value_or(u""_s)});
    return result;
}

bool writeFile(const QString &path, const QByteArray &bytes, QFile::Permissions permissions = {})
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        return false;
    file.close();
    return permissions == QFile::Permissions() || QFile::setPermissions(path, permissions);
}

// A stand-in for the reader: a shell script.
QString fakeReader(const QTemporaryDir &tools, const QByteArray &script)
{
    const QString path
        = tools.filePath(u"reader-%1.sh"_s.arg(QUuid::createUuid().toString(QUuid::Id128)));
    writeFile(path, "#!/bin/sh\n" + script + '\n',
              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

// A stand-in for the reader that answers with a table of our making.
QString fakeReaderAnswering(const QTemporaryDir &tools,
                            const std::vector<TableStreamWriter::Column> &columns,
                            const std::vector<std::vector<TableStreamWriter::Value>> &rows)
{
    TableStreamWriter writer(columns);
    for (const auto &row : rows)
        writer.addRow(row);
    const std::string &stream = writer.finish();
    const QString streamPath
        = tools.filePath(u"stream-%1"_s.arg(QUuid::createUuid().toString(QUuid::Id128)));
    writeFile(streamPath, QByteArray(stream.data(), qsizetype(stream.size())));
    return fakeReader(tools, "exec cat '" + QFile::encodeName(streamPath) + "'");
}

TableStreamWriter::Value text(const char *utf8)
{
    return {ValueKind::Text, utf8};
}

} // namespace

class TestJetImport : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_tools;

private Q_SLOTS:
    void convertsAddressBooks_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QList<Row>>("expected");
        QTest::newRow("memo") << u"Tessmoor_jet4_v2000_memo.mdb"_s
                              << JetTestSupport::informaitonRows(true);
        QTest::newRow("text") << u"Tessmoor_jet4_v2000_text.mdb"_s
                              << JetTestSupport::informaitonRows(false);
        QTest::newRow("emoji") << u"Tessmoor_jet4_emoji.mdb"_s << JetTestSupport::emojiRows();
    }

    void convertsAddressBooks()
    {
        REQUIRE_SHARED_JET_DIR();
        QFETCH(QString, file);
        QFETCH(QList<Row>, expected);
        QTemporaryDir dir;
        QVERIFY(JetTestSupport::copyTestFile(file, dir.path(), bookName));
        const QString path = dir.filePath(bookName);
        const QByteArray original = JetTestSupport::sha256Of(path);
        const QFile::Permissions permissions = QFile::permissions(path);

        const std::optional<QString> failure = JetImport::convertInPlace(path, reader);
        QVERIFY2(!failure, qPrintable(failure.value_or(QString())));

        const QMap<QString, QByteArray> after = JetTestSupport::snapshot(dir.path());
        QCOMPARE(after.keys(), QStringList({bookName, bookName + u".jet"_s}));
        QCOMPARE(after.value(bookName + u".jet"_s), original);
        QCOMPARE(detectFileFormat(path), FileFormat::SQLite);
        QCOMPARE(QFile::permissions(path), permissions);
        QString error;
        QCOMPARE(JetTestSupport::addressBookRows(path, &error), stored(expected));
        QVERIFY2(error.isEmpty(), qPrintable(error));

        // A finished conversion is simply our own file: nothing more happens.
        QCOMPARE(JetImport::convertInPlace(path, reader), std::nullopt);
        QCOMPARE(JetTestSupport::snapshot(dir.path()), after);
    }

    void keepsTheOldFileUnderAFreeName()
    {
        REQUIRE_SHARED_JET_DIR();
        QTemporaryDir dir;
        QVERIFY(JetTestSupport::copyTestFile(u"Tessmoor_jet4_emoji.mdb"_s, dir.path(), bookName));
        QVERIFY(writeFile(dir.filePath(bookName + u".jet"_s), "an older keepsake"));
        QVERIFY(writeFile(dir.filePath(bookName + u".jet.1"_s), "and another"));
        const QMap<QString, QByteArray> before = JetTestSupport::snapshot(dir.path());

        QCOMPARE(JetImport::convertInPlace(dir.filePath(bookName), reader), std::nullopt);

        const QMap<QString, QByteArray> after = JetTestSupport::snapshot(dir.path());
        QCOMPARE(after.value(bookName + u".jet"_s), before.value(bookName + u".jet"_s));
        QCOMPARE(after.value(bookName + u".jet.1"_s), before.value(bookName + u".jet.1"_s));
        QCOMPARE(after.value(bookName + u".jet.2"_s), before.value(bookName));
        QCOMPARE(after.size(), 4);
    }

    void writesOurTableLayout()
    {
        REQUIRE_SHARED_JET_DIR();
        QTemporaryDir dir;
        QVERIFY(JetTestSupport::copyTestFile(u"Tessmoor_jet4_emoji.mdb"_s, dir.path(), bookName));
        QCOMPARE(JetImport::convertInPlace(dir.filePath(bookName), reader), std::nullopt);
        QStringList columns;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"layout"_s);
            db.setDatabaseName(dir.filePath(bookName));
            QVERIFY(db.open());
            QSqlQuery query(db);
            QVERIFY(query.exec(u"PRAGMA table_info(Informaiton)"_s));
            while (query.next()) {
                columns.append(
                    u"%1 %2 %3 %4"_s.arg(query.value(1).toString(), query.value(2).toString(),
                                         query.value(3).toString(), query.value(4).toString()));
            }
        }
        QSqlDatabase::removeDatabase(u"layout"_s);
        QCOMPARE(columns,
                 QStringList({u"Type TEXT 1 ''"_s, u"address TEXT 1 ''"_s, u"About TEXT 1 ''"_s}));
    }

    // Every refusal names the file, says that nothing changed, and leaves
    // the folder exactly as it was.
    void refusesAndChangesNothing_data()
    {
        QTest::addColumn<QString>("sharedFile"); // copied as Tessmoor.mdb, unless empty
        QTest::addColumn<QByteArray>("bytes"); // else these bytes are
        QTest::addColumn<QString>("expected"); // a part of the message

        QTest::newRow("jet 4 without an address table")
            << u"emptyJet4.mdb"_s << QByteArray() << u"no address table"_s;
        QTest::newRow("jet 3 without an address table")
            << u"delTestV1997.mdb"_s << QByteArray() << u"no address table"_s;
        QTest::newRow("jet header and garbage")
            << u"head+garbage"_s << QByteArray() << u"damaged"_s;
        QTest::newRow("cut in half") << u"half"_s << QByteArray() << u"damaged"_s;
        QTest::newRow("truncated header") << u"head"_s << QByteArray() << u"damaged"_s;
        QTest::newRow("ace header") << u"ace"_s << QByteArray() << u"ACE"_s;
        QTest::newRow("empty file") << QString() << QByteArray() << u"damaged"_s;
        QTest::newRow("folder named like the file")
            << u"<dir>"_s << QByteArray() << u"not a file"_s;
        QTest::newRow("missing") << u"<none>"_s << QByteArray() << u"does not exist"_s;
    }

    void refusesAndChangesNothing()
    {
        REQUIRE_SHARED_JET_DIR();
        QFETCH(QString, sharedFile);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(bookName);
        QFile memoFile(JetTestSupport::sharedJetDir() + u"/Tessmoor_jet4_v2000_memo.mdb"_s);
        QVERIFY(memoFile.open(QIODevice::ReadOnly));
        const QByteArray memo = memoFile.readAll();
        QByteArray ace = memo;
        ace.replace(4, 15, "Standard ACE DB");
        ace[0x14] = 3;
        const QMap<QString, QByteArray> made = {
            {u"head+garbage"_s, memo.left(0x15) + QByteArray("garbage! ").repeated(5000)},
            {u"half"_s, memo.left(memo.size() / 2)},
            {u"head"_s, memo.left(12)},
            {u"ace"_s, ace},
        };
        if (sharedFile == u"<dir>"_s) {
            QVERIFY(QDir(dir.path()).mkdir(bookName));
            QVERIFY(writeFile(path + u"/inside"_s, "x"));
        } else if (made.contains(sharedFile)) {
            QVERIFY(writeFile(path, made.value(sharedFile)));
        } else if (sharedFile.isEmpty()) {
            QVERIFY(writeFile(path, QByteArray()));
        } else if (sharedFile != u"<none>"_s) {
            QVERIFY(JetTestSupport::copyTestFile(sharedFile, dir.path(), bookName));
        }
        QVERIFY(writeFile(dir.filePath(u"neighbour.txt"_s), "left alone"));
        const QMap<QString, QByteArray> before = JetTestSupport::snapshot(dir.path());

        const std::optional<QString> message = JetImport::convertInPlace(path, reader);
        QVERIFY(message);
        QVERIFY2(message->contains(expected), qPrintable(*message));
        QVERIFY2(message->contains(bookName), qPrintable(*message));
        QVERIFY2(message->endsWith(u"Nothing was changed."_s), qPrintable(*message));
        QCOMPARE(JetTestSupport::snapshot(dir.path()), before);
    }

    // Failures of the reader itself, played by stand-ins.
    void survivesReaderFailures_data()
    {
        QTest::addColumn<QString>("readerPath");
        QTest::addColumn<int>("timeoutMs");
        QTest::addColumn<QString>("expected");

        QTest::newRow("hangs") << fakeReader(m_tools, "exec sleep 60") << 300 << u"stopped after"_s;
        QTest::newRow("crashes") << fakeReader(m_tools, "kill -SEGV $$") << 30'000
                                 << u"stopped unexpectedly"_s;
        QTest::newRow("reports damage")
            << fakeReader(m_tools, "echo 'page 7 lies beyond the end' >&2; exit 1") << 30'000
            << u"page 7 lies beyond the end"_s;
        QTest::newRow("answers garbage")
            << fakeReader(m_tools, "echo hello") << 30'000 << u"unusable answer"_s;
        QTest::newRow("answers nothing")
            << fakeReader(m_tools, "exit 0") << 30'000 << u"unusable answer"_s;
        QTest::newRow("is missing")
            << m_tools.filePath(u"no-such-reader"_s) << 30'000 << u"could not be started"_s;
        QTest::newRow("table lacks About") << fakeReaderAnswering(
            m_tools, {{"Type", 10}, {"address", 10}}, {{text("Web"), text("x")}})
                                           << 30'000 << u"no column \"About\""_s;
        QTest::newRow("binary About")
            << fakeReaderAnswering(m_tools, {{"Type", 10}, {"address", 10}, {"About", 11}},
                                   {{text("Web"), text("x"), {ValueKind::Binary, "\x01\x02"}}})
            << 30'000 << u"binary data"_s;
    }

    void survivesReaderFailures()
    {
        REQUIRE_SHARED_JET_DIR();
        QFETCH(QString, readerPath);
        QFETCH(int, timeoutMs);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        QVERIFY(
            JetTestSupport::copyTestFile(u"Tessmoor_jet4_v2000_memo.mdb"_s, dir.path(), bookName));
        const QMap<QString, QByteArray> before = JetTestSupport::snapshot(dir.path());

        QElapsedTimer clock;
        clock.start();
        JetImport::Options options;
        options.readerTimeoutMs = timeoutMs;
        const std::optional<QString> message
            = JetImport::convertInPlace(dir.filePath(bookName), readerPath, options);
        QVERIFY(clock.elapsed() < 15'000);
        QVERIFY(message);
        QVERIFY2(message->contains(expected), qPrintable(*message));
        QCOMPARE(JetTestSupport::snapshot(dir.path()), before);
    }

    // Jet finds columns without regard to case and in any order; other
    // columns are not part of the address book.
    void mapsColumnsByName()
    {
        REQUIRE_SHARED_JET_DIR();
        QTemporaryDir dir;
        QVERIFY(JetTestSupport::copyTestFile(u"emptyJet4.mdb"_s, dir.path(), bookName));
        const QString answering = fakeReaderAnswering(
            m_tools, {{"ID", 4}, {"about", 12}, {"TYPE", 10}, {"Address", 10}},
            {{text("1"), text("first"), text("Web"), text("a.example")},
             {text("2"), {ValueKind::Null, {}}, text("E-mail"), {ValueKind::Null, {}}}});
        QCOMPARE(JetImport::convertInPlace(dir.filePath(bookName), answering), std::nullopt);
        QString error;
        const QList<std::array<QString, 3>> expected
            = {{u"Web"_s, u"a.example"_s, u"first"_s}, {u"E-mail"_s, u""_s, u""_s}};
        QCOMPARE(JetTestSupport::addressBookRows(dir.filePath(bookName), &error), expected);
    }
};

QTEST_GUILESS_MAIN(TestJetImport)
#include "tst_jetimport.moc"
