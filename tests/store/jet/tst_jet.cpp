// Jet address books: text as Jet stores it, the stream between the reader
// and Larkspan, the reader on the shared Jet files (the address books'
// compressed text is read by the conversion), and the conversion: the rows
// it keeps, its refusals (damaged files that make libmdb loop or crash among
// them), and its safety when killed at any step.
#include "JetTestSupport.h"

#include "store/jet/JetImport.h"
#include "store/jet/JetReaderProcess.h"
#include "store/jet/ReaderOutput.h"
#include "store/jet/reader/JetText.h"
#include "store/jet/reader/TableStreamWriter.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Larkspan;
using namespace Larkspan::Testing;
using namespace Qt::StringLiterals;
using namespace JetTestSupport;
using JetImport::ReaderOutput;
using JetImport::Step;
using JetReaderFormat::ValueKind;

namespace {

const QString reader = QStringLiteral(LARKSPAN_JET_READER);
const QString memoFile = u"Tessmoor_jet4_v2000_memo.mdb"_s;
constexpr int jet4 = -1; // in place of a code page: Jet 4's UTF-16 text

// A stand-in for the reader, a shell script that answers with a table of
// our making; a null value is NULL.
QString answeringReader(const QTemporaryDir &tools,
                        const std::vector<TableStreamWriter::Column> &columns,
                        const std::vector<std::vector<const char *>> &rows)
{
    TableStreamWriter writer(columns);
    for (const auto &row : rows) {
        std::vector<TableStreamWriter::Value> values;
        for (const char *value : row)
            values.push_back({value ? ValueKind::Text : ValueKind::Null, value ? value : ""});
        writer.addRow(values);
    }
    const QString path = tools.filePath(QString::number(QRandomGenerator::global()->generate()));
    writeFile(path + u".table"_s, QByteArray::fromStdString(writer.finish()));
    writeFile(path, "#!/bin/sh\nexec cat \"$0.table\"\n", QFile::ExeOwner);
    return path;
}

// Converts the book at `path` in a forked copy of this process, which kills
// itself (SIGKILL, no clean-up of any kind) when the conversion reaches
// `stopAt`; it ends with 0 when the conversion succeeds, else 1.
pid_t startConversion(const QString &path, std::optional<Step> stopAt = {})
{
    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    JetImport::Options options;
    options.onStep = [stopAt](Step reached) {
        if (stopAt == reached)
            std::raise(SIGKILL);
    };
    ::_exit(JetImport::convertInPlace(path, reader, options).ok() ? 0 : 1);
}

// How the child ended: its exit status, or 128 + the signal that killed it.
int waitFor(pid_t child)
{
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child)
        return -1;
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

} // namespace

class TestJet : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_tools;

private Q_SLOTS:
    // The broken and the rare cases; the shared files show the common ones.
    // The expected text is null when decoding must fail.
    void decodesText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("codePage");
        QTest::addColumn<QString>("expected");
        QTest::newRow("utf-16, odd length") << "a\0b"_ba << jet4 << QString();
        QTest::newRow("utf-16, low surrogate alone") << "\x00\xde"_ba << jet4 << QString();
        // A NUL switches to two bytes per character and back.
        QTest::newRow("compressed with a utf-16 run") << "\xff\xfe"
                                                         "ab\x00\x1c\x04\x38\x04\x00"
                                                         "cd"_ba
                                                      << jet4 << u"abМиcd"_s;
        QTest::newRow("no code page means 1252") << "\x80"_ba << 0 << u"€"_s;
        QTest::newRow("932 cut inside a character") << "\x93\xfa\x96"_ba << 932 << QString();
        // Long values cross iconv's internal buffer more than once.
        QTest::newRow("1252, long")
            << "\xe4\x80"_ba.repeated(10'000) << 1252 << u"ä€"_s.repeated(10'000);
    }

    void decodesText()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, codePage);
        QFETCH(QString, expected);
        const std::string_view view(bytes.constData(), size_t(bytes.size()));
        const std::optional<std::string> decoded = codePage == jet4
            ? JetText::fromJet4(view)
            : JetText::fromCodePage(view, unsigned(codePage));
        QCOMPARE(decoded ? QString::fromStdString(*decoded) : QString(), expected);
    }

    // Only a whole, well-formed table passes.
    void refusesDamagedStreams_data()
    {
        QTest::addColumn<QByteArray>("stream");
        TableStreamWriter writer(
            {{"Type", JetReaderFormat::jetText}, {"About", JetReaderFormat::jetMemo}});
        writer.addRow({{ValueKind::Text, "Web"}, {ValueKind::Null, {}}});
        writer.addRow({{ValueKind::Text, ""}, {ValueKind::Binary, {"\0\xff", 2}}});
        const QByteArray good = QByteArray::fromStdString(writer.finish());
        const qsizetype end = good.size() - 5; // where the end marker stands
        const qsizetype web = good.indexOf("Web");
        const auto patched = [&good](qsizetype at, const QByteArray &bytes) {
            return QByteArray(good).replace(at, bytes.size(), bytes);
        };
        QTest::newRow("whole") << good;
        // A reader that dies while writing leaves a prefix of the stream.
        for (qsizetype length = 0; length < good.size(); ++length)
            QTest::addRow("cut to %d bytes", int(length)) << good.left(length);
        QTest::newRow("trailing byte") << good + 'R';
        QTest::newRow("row count too low") << patched(end + 1, "\x01"_ba);
        QTest::newRow("text not utf-8") << patched(web, "\xc3"_ba);
        QTest::newRow("value longer than the stream") << patched(web - 4, "\xff\xff\xff\x7f"_ba);
    }

    void refusesDamagedStreams()
    {
        QFETCH(QByteArray, stream);
        const Outcome<ReaderOutput> parsed = ReaderOutput::parse(stream);
        const bool whole = QByteArray(QTest::currentDataTag()) == "whole";
        QVERIFY2(parsed.ok() == whole, qPrintable(parsed.ok() ? u"passed"_s : parsed.error()));
        if (whole)
            QCOMPARE(parsed.value().rows.size(), 2);
    }

    // The reader on the generic Jet files, with their own table and column
    // names: the named columns of every row in stored order, NULL as "~",
    // each value ended by "|", each row by "/".
    void readsRowsInStoredOrder_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("expected");
        // One deleted row, skipped; in Jet 3 and in Jet 4.
        for (const char *file : {"delTestV1997.mdb", "delTestV2000.mdb"})
            QTest::addRow("deleted row, %s", file)
                << QString::fromUtf8(file) << u"Table"_s << QStringList {u"a"_s, u"b"_s}
                << u"z|y|/v|u|/"_s;
        // Rows 3 and 5 were rewritten to other pages: still in their place.
        QTest::newRow("jet 4, rows moved")
            << u"overflowTestV2000.mdb"_s << u"Table1"_s << QStringList {u"data1"_s, u"data3"_s}
            << u"row1col1|~|/row2col1|row2col3|/~|row3col3|/row4col1|row4col2|/~|row5col2|/~|row6col2|/row7col1|~|/"_s;
        // Jet compares table names without regard to case.
        QTest::newRow("table name in another case")
            << u"Tessmoor_jet4_emoji.mdb"_s << u"INFORMAITON"_s << QStringList {u"Type"_s}
            << u"Fun 😀|/Plain|/"_s;
    }

    void readsRowsInStoredOrder()
    {
        REQUIRE_SHARED_JET_DIR();
        QFETCH(QString, file);
        QFETCH(QString, table);
        QFETCH(QStringList, names);
        QFETCH(QString, expected);
        const auto read
            = JetImport::readJetTable(reader, sharedJetDir() + u'/' + file, table, 30'000);
        QVERIFY2(read.ok(), qPrintable(read.ok() ? QString() : read.error()));
        QString rows;
        for (const ReaderOutput::Row &row : read.value().rows) {
            for (const QString &name : names) {
                const ReaderOutput::Value &value = row[read.value().columnNames.indexOf(name)];
                rows += (value.kind == ValueKind::Null ? u"~"_s : QString::fromUtf8(value.bytes))
                    + u'|';
            }
            rows += u'/';
        }
        QCOMPARE(rows, expected);
    }

    // A conversion keeps every row and the old file, byte for byte, under
    // the first free name (here .jet and .jet.1 hold older keepsakes). Every refusal names the
    // file, says that nothing changed, and leaves the folder as it was: copies on which libmdb
    // loops or crashes play the reader's own failures, and stand-ins the rest.
    void convertsAddressBooks_data()
    {
        QTest::addColumn<QByteArray>("book");
        QTest::addColumn<QString>("readerPath");
        QTest::addColumn<QList<Record>>("expected");
        QTest::addColumn<QString>("refusal"); // a part of the message
        const QByteArray memo = sharedFileBytes(memoFile);
        QTest::newRow("memo") << memo << reader << informaitonRows(true) << QString();
        QTest::newRow("text") << sharedFileBytes(u"Tessmoor_jet4_v2000_text.mdb"_s) << reader
                              << informaitonRows(false) << QString();
        QTest::newRow("emoji") << sharedFileBytes(u"Tessmoor_jet4_emoji.mdb"_s) << reader
                               << QList<Record> {{u"Fun 😀"_s, u"https://example.org/🎉"_s,
                                                  u"party 🎉 and a smile 😀 end"_s},
                                                 {u"Plain"_s, u"plain@example.org"_s,
                                                  u"no emoji here"_s}}
                               << QString();
        // Jet finds columns without regard to case and in any order; other
        // columns are not part of the address book.
        const QByteArray empty = sharedFileBytes(u"emptyJet4.mdb"_s);
        QTest::newRow("columns by name")
            << empty
            << answeringReader(
                   m_tools, {{"ID", 4}, {"about", 12}, {"TYPE", 10}, {"Address", 10}},
                   {{"1", "first", "Web", "a.example"}, {"2", nullptr, "E-mail", nullptr}})
            << QList<Record> {{u"Web"_s, u"a.example"_s, u"first"_s}, {u"E-mail"_s, u""_s, u""_s}}
            << QString();
        const auto refused = [](const char *tag, const QByteArray &book, const QString &readerPath,
                                const QString &refusal) {
            QTest::newRow(tag) << book << readerPath << QList<Record>() << refusal;
        };
        refused("jet 4 without an address table", empty, reader, u"no address table"_s);
        // The reader's own account reaches the message.
        refused("cut in half", memo.left(memo.size() / 2), reader,
                u"whole number of 4096-byte pages"_s);
        refused("truncated header", memo.left(12), reader,
                u"neither a Larkspan address book nor an Access database"_s);
        for (const char *file : {"hang-truncated.mdb", "hang-growing.mdb", "crash-segv.mdb"})
            refused(file, sharedFileBytes(u"../jet-damaged/"_s + QString::fromUtf8(file)), reader,
                    u"damaged"_s);
        refused("reader is missing", memo, m_tools.filePath(u"no-such-reader"_s),
                u"could not be started"_s);
        refused("table lacks About", memo,
                answeringReader(m_tools, {{"Type", 10}, {"address", 10}}, {{"Web", "x"}}),
                u"no column \"About\""_s);
    }

    void convertsAddressBooks()
    {
        REQUIRE_SHARED_JET_DIR();
        QFETCH(QByteArray, book);
        QFETCH(QString, readerPath);
        QFETCH(QList<Record>, expected);
        QFETCH(QString, refusal);
        QTemporaryDir dir;
        const QString path = dir.filePath(bookName);
        // An unusual mode, which the new file must take over.
        QVERIFY(!book.isEmpty() && writeFile(path, book, QFile::ExeOwner));
        for (const QString &taken : {u".jet"_s, u".jet.1"_s})
            QVERIFY(writeFile(path + taken, taken.toUtf8()));
        const QFile::Permissions permissions = QFile::permissions(path);
        QMap<QString, QByteArray> before = snapshot(dir.path());

        const Outcome<void> converted = JetImport::convertInPlace(path, readerPath);
        const QString message = converted.ok() ? QString() : converted.error();
        if (!refusal.isEmpty()) {
            QVERIFY2(message.contains(refusal) && message.contains(bookName)
                         && message.endsWith(u"Nothing was changed."_s),
                     qPrintable(message));
            QCOMPARE(snapshot(dir.path()), before);
            return;
        }
        QVERIFY2(converted.ok(), qPrintable(message));
        QCOMPARE(addressBookRows(path), expected);
        QCOMPARE(QFile::permissions(path), permissions);
        QMap<QString, QByteArray> after = snapshot(dir.path());
        // A finished conversion is simply our own file: nothing more happens.
        QVERIFY(JetImport::convertInPlace(path, reader).ok());
        QCOMPARE(snapshot(dir.path()), after);
        before.insert(bookName + u".jet.2"_s, before.take(bookName));
        QVERIFY(after.remove(bookName));
        QCOMPARE(after, before);
    }

    // The program is killed while the reader loops on a damaged file: the
    // reader goes with it instead of living on as an orphan.
    void readerDiesWithTheProgram()
    {
        REQUIRE_SHARED_JET_DIR();
        QTemporaryDir dir;
        QVERIFY(copyTestFile(u"../jet-damaged/hang-growing.mdb"_s, dir.path()));
        // The orphan comes to us, so that we can see how it ended.
        QCOMPARE(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
        const pid_t program = startConversion(dir.filePath(bookName));
        const QString children = u"/proc/%1/task/%1/children"_s.arg(program);
        pid_t jetReader = 0;
        for (QDeadlineTimer soon(5000); jetReader == 0 && !soon.hasExpired(); QTest::qWait(10)) {
            const pid_t child = readFile(children).trimmed().toInt();
            if (QFile::symLinkTarget(u"/proc/%1/exe"_s.arg(child))
                == QFileInfo(reader).canonicalFilePath())
                jetReader = child;
        }
        ::kill(program, SIGKILL);
        QCOMPARE(waitFor(program), 128 + SIGKILL);
        QVERIFY(jetReader > 0);
        ::kill(jetReader, SIGTERM); // what a reader left running sees: not the signal looked for
        QCOMPARE(waitFor(jetReader), 128 + SIGKILL);
    }

    // Killed at each step, the conversion leaves the old file untouched
    // under its name, or the finished conversion; a later start finishes
    // the work, and leaves just the new file and the old one under its
    // second name.
    void killedAtEveryStep_data()
    {
        QTest::addColumn<Step>("step");
        for (const auto &[tag, step] : {std::pair {"table read", Step::TableRead},
                                        {"new file half written", Step::TempFileStarted},
                                        {"new file written", Step::TempFileWritten},
                                        {"old file kept", Step::OldFileKept},
                                        {"new file in place", Step::NewFileInPlace}})
            QTest::newRow(tag) << step;
    }

    void killedAtEveryStep()
    {
        REQUIRE_SHARED_JET_DIR();
        QFETCH(Step, step);
        QTemporaryDir dir;
        QVERIFY(copyTestFile(memoFile, dir.path()));
        const QString path = dir.filePath(bookName);
        const QByteArray original = snapshot(dir.path()).value(bookName);

        QCOMPARE(waitFor(startConversion(path, step)), 128 + SIGKILL);
        const QMap<QString, QByteArray> after = snapshot(dir.path());
        if (step == Step::NewFileInPlace) // the switch is done, the old file kept
            QCOMPARE(addressBookRows(path), informaitonRows(true));
        else
            QCOMPARE(after.value(bookName), original);
        QCOMPARE(after.value(bookName + u".jet"_s),
                 step >= Step::OldFileKept ? original : QByteArray());

        QVERIFY(JetImport::convertInPlace(path, reader).ok());
        const QMap<QString, QByteArray> finished = snapshot(dir.path());
        QCOMPARE(finished.keys(), QStringList({bookName, bookName + u".jet"_s}));
        QCOMPARE(finished.value(bookName + u".jet"_s), original);
        QCOMPARE(addressBookRows(path), informaitonRows(true));
    }
};

QTEST_GUILESS_MAIN(TestJet)
#include "tst_jet.moc"
