#include "JetTestSupport.h"

#include "store/jet/JetImport.h"
#include "store/jet/JetReaderProcess.h"
#include "store/jet/reader/TableStreamWriter.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <functional>

#include <grp.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace Larkspan;
using namespace JetTestSupport;
using JetImport::Step;
using JetReaderFormat::ValueKind;

// Puts what a case needs into the folder it is given.
using Setup = std::function<bool(const QString &directory)>;
Q_DECLARE_METATYPE(Setup)
Q_DECLARE_METATYPE(QList<Larkspan::Record>)
Q_DECLARE_METATYPE(Larkspan::JetImport::Step)

namespace {

const QString reader = QStringLiteral(LARKSPAN_JET_READER);
const QString memoFile = u"Tessmoor_jet4_v2000_memo.mdb"_s;

Setup copying(const QString &file)
{
    return [file](const QString &directory) { return copyTestFile(file, directory); };
}

Setup writing(const QByteArray &bytes)
{
    return [bytes](const QString &dir) { return writeFile(dir + u'/' + bookName, bytes); };
}

// A stand-in for the reader: a shell script.
QString fakeReader(const QTemporaryDir &tools, const QByteArray &script)
{
    const QString path = tools.filePath(QUuid::createUuid().toString(QUuid::Id128));
    writeFile(path, "#!/bin/sh\n" + script + '\n');
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner);
    return path;
}

// A stand-in for the reader that answers with a table of our making.
QString answeringReader(const QTemporaryDir &tools,
                        const std::vector<TableStreamWriter::Column> &columns,
                        const std::vector<std::vector<TableStreamWriter::Value>> &rows)
{
    TableStreamWriter writer(columns);
    for (const auto &row : rows)
        writer.addRow(row);
    QByteArray script = "printf '";
    for (const char byte : writer.finish())
        script += '\\' + QByteArray::number(uchar(byte), 8);
    return fakeReader(tools, script + '\'');
}

TableStreamWriter::Value text(const char *utf8)
{
    return {ValueKind::Text, utf8};
}

TableStreamWriter::Value null()
{
    return {ValueKind::Null, {}};
}

// Converts the address book at `path` in a forked copy of this process,
// which kills itself (SIGKILL, no clean-up of any kind) when the conversion
// reaches `stopAt`. The copy ends with status 0 when the conversion
// succeeds, or fails with a message holding `refusal`; otherwise it prints
// what it got and ends with 1. Root reads and writes anything, so `asNobody`
// first gives up root to test what permissions forbid.
pid_t startConversion(const QString &path, std::optional<Step> stopAt = {},
                      const QString &refusal = {}, bool asNobody = false)
{
    const pid_t pid = ::fork();
    if (pid != 0)
        return pid;
    constexpr uid_t nobody = 65534;
    if (asNobody && ::geteuid() == 0
        && (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0))
        ::_exit(2);
    JetImport::Options options;
    options.onStep = [stopAt](Step reached) {
        if (stopAt == reached)
            std::raise(SIGKILL);
    };
    const QString message = JetImport::convertInPlace(path, reader, options).error();
    if (refusal.isEmpty()
            ? message.isEmpty()
            : message.contains(refusal) && message.endsWith(u"Nothing was changed."_s))
        ::_exit(0);
    std::fprintf(stderr, "the conversion gave \"%s\"\n", qPrintable(message));
    ::_exit(1);
}

qint64 peakResidentKiB()
{
    rusage usage = {};
    return ::getrusage(RUSAGE_SELF, &usage) == 0 ? usage.ru_maxrss : 0;
}

// The reader, once it runs as the only child of `parent`; 0 until then.
pid_t readerOf(pid_t parent)
{
    QFile children(u"/proc/%1/task/%1/children"_s.arg(parent));
    const int pid = children.open(QIODevice::ReadOnly) ? children.readAll().trimmed().toInt() : 0;
    const QString program = QFile::symLinkTarget(u"/proc/%1/exe"_s.arg(pid));
    return pid > 0 && program == QFileInfo(reader).canonicalFilePath() ? pid : 0;
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

class TestJetImport : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_tools;

private Q_SLOTS:
    void init() { REQUIRE_SHARED_JET_DIR(); }

    void convertsAddressBooks_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("readerPath");
        QTest::addColumn<QStringList>("taken"); // names that hold older keepsakes
        QTest::addColumn<QList<Record>>("expected");
        QTest::newRow("memo") << memoFile << reader << QStringList() << informaitonRows(true);
        QTest::newRow("text") << u"Tessmoor_jet4_v2000_text.mdb"_s << reader << QStringList()
                              << informaitonRows(false);
        QTest::newRow("emoji, .jet taken")
            << u"Tessmoor_jet4_emoji.mdb"_s << reader
            << QStringList{bookName + u".jet"_s, bookName + u".jet.1"_s}
            << QList<Record>{{u"Fun 😀"_s, u"https://example.org/🎉"_s, u"party 🎉 and a smile 😀 end"_s},
                             {u"Plain"_s, u"plain@example.org"_s, u"no emoji here"_s}};
        // Jet finds columns without regard to case and in any order; other
        // columns are not part of the address book.
        QTest::newRow("columns by name")
            << u"emptyJet4.mdb"_s
            << answeringReader(m_tools, {{"ID", 4}, {"about", 12}, {"TYPE", 10}, {"Address", 10}},
                               {{text("1"), text("first"), text("Web"), text("a.example")},
                                {text("2"), null(), text("E-mail"), null()}})
            << QStringList()
            << QList<Record>{{u"Web"_s, u"a.example"_s, u"first"_s}, {u"E-mail"_s, u""_s, u""_s}};
    }

    void convertsAddressBooks()
    {
        QFETCH(QString, file);
        QFETCH(QString, readerPath);
        QFETCH(QStringList, taken);
        QFETCH(QList<Record>, expected);
        QTemporaryDir dir;
        QVERIFY(copyTestFile(file, dir.path()));
        for (const QString &name : taken)
            QVERIFY(writeFile(dir.filePath(name), name.toUtf8()));
        const QString path = dir.filePath(bookName);
        const QFile::Permissions permissions = QFile::permissions(path);
        // The old file stays, byte for byte, under the first free name.
        QMap<QString, QByteArray> kept = snapshot(dir.path());
        kept.insert(bookName + (taken.isEmpty() ? u".jet"_s : u".jet.%1"_s.arg(taken.size())),
                    kept.take(bookName));

        const Outcome<void> converted = JetImport::convertInPlace(path, readerPath);
        QVERIFY2(converted.ok(), qPrintable(converted.error()));
        QCOMPARE(addressBookRows(path), expected);
        QCOMPARE(QFile::permissions(path), permissions);
        QMap<QString, QByteArray> after = snapshot(dir.path());

        // A finished conversion is simply our own file: nothing more happens.
        QVERIFY(JetImport::convertInPlace(path, reader).ok());
        QCOMPARE(snapshot(dir.path()), after);
        QVERIFY(after.remove(bookName));
        QCOMPARE(after, kept);
    }

    // Every refusal names the file, says that nothing changed, and leaves
    // the folder exactly as it was, soon, and without gathering what the
    // reader poured out meanwhile. Failures of the reader itself are played
    // by stand-ins, and by copies on which libmdb loops, floods its standard
    // error, grows without end, or crashes.
    void refusesAndChangesNothing_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<QString>("readerPath");
        QTest::addColumn<int>("timeoutMs");
        QTest::addColumn<QString>("expected"); // a part of the message

        const auto row = [](const char *name, const Setup &setup, const QString &expected,
                            const QString &readerPath = reader, int timeoutMs = 0) {
            QTest::newRow(name) << setup << readerPath << timeoutMs << expected;
        };
        const QByteArray memo = sharedFileBytes(memoFile);
        const QByteArray garbage = QByteArray("garbage! ").repeated(8000);
        row("jet 4 without an address table", copying(u"emptyJet4.mdb"_s), u"no address table"_s);
        row("jet 3 without an address table", copying(u"delTestV1997.mdb"_s),
            u"no address table"_s);
        const QString neither = u"neither a Larkspan address book nor an Access database"_s;
        row("jet header and garbage", writing((memo.left(0x15) + garbage).left(16 * 4096)),
            u"damaged"_s);
        // The reader's own account reaches the message.
        row("cut in half", writing(memo.left(memo.size() / 2)),
            u"whole number of 4096-byte pages"_s);
        row("truncated header", writing(memo.left(12)), neither);
        row("jet, unknown version", writing(memo.left(0x14) + '\2' + memo.mid(0x15)), neither);
        row("sqlite header without its NUL", writing("SQLite format 3"_ba + garbage), neither);
        row("all zeros, which libmdb takes for Jet 3", writing(QByteArray(8192, '\0')), neither);
        row("ace header", writing("\0\1\0\0Standard ACE DB\0\3"_ba + memo.mid(0x15)), u"ACE"_s);
        row("missing", [](const QString &) { return true; }, u"does not exist"_s);
        row("folder named like the file",
            [](const QString &dir) { return QDir(dir).mkpath(bookName + u"/inside"_s); },
            u"not a file"_s);
        // Opening a pipe to read its first bytes would wait for a writer forever.
        row("pipe named like the file", [](const QString &dir) {
            return ::mkfifo(QFile::encodeName(dir + u'/' + bookName).constData(), 0600) == 0;
        }, u"not a file"_s);

        for (const char *file : {"hang-truncated.mdb", "hang-bits.mdb", "hang-growing.mdb", "crash-segv.mdb"})
            row(file, copying(u"../jet-damaged/"_s + QLatin1StringView(file)), u"damaged"_s);
        row("reader hangs", copying(memoFile), u"stopped after"_s,
            fakeReader(m_tools, "exec sleep 60"), 300);
        row("reader crashes", copying(memoFile), u"stopped unexpectedly"_s,
            fakeReader(m_tools, "kill -SEGV $$"));
        row("reader answers garbage", copying(memoFile), u"unusable answer"_s,
            fakeReader(m_tools, "echo hello"));
        row("reader is missing", copying(memoFile), u"could not be started"_s,
            m_tools.filePath(u"no-such-reader"_s));
        row("table lacks About", copying(memoFile), u"no column \"About\""_s,
            answeringReader(m_tools, {{"Type", 10}, {"address", 10}}, {{text("Web"), text("x")}}));
        row("binary About", copying(memoFile), u"binary data"_s,
            answeringReader(m_tools, {{"Type", 10}, {"address", 10}, {"About", 11}},
                            {{text("Web"), text("x"), {ValueKind::Binary, "\1\2"}}}));
    }

    void refusesAndChangesNothing()
    {
        QFETCH(Setup, setup);
        QFETCH(QString, readerPath);
        QFETCH(int, timeoutMs);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        QVERIFY(setup(dir.path()));
        QVERIFY(writeFile(dir.filePath(u"neighbour.txt"_s), "left alone"));
        const QMap<QString, QByteArray> before = snapshot(dir.path());
        [[maybe_unused]] const qint64 peakBefore = peakResidentKiB();

        QElapsedTimer clock;
        clock.start();
        JetImport::Options options;
        if (timeoutMs)
            options.readerTimeoutMs = timeoutMs;
        const Outcome<void> converted
            = JetImport::convertInPlace(dir.filePath(bookName), readerPath, options);
        const QString message = converted.error();
        QVERIFY(clock.elapsed() < 15'000);
        QVERIFY(!converted.ok());
        QVERIFY2(message.contains(expected) && message.contains(bookName)
                     && message.endsWith(u"Nothing was changed."_s),
                 qPrintable(message));
        QCOMPARE(snapshot(dir.path()), before);
#ifndef __SANITIZE_ADDRESS__ // its quarantine holds on to what was freed
        QVERIFY2(peakResidentKiB() - peakBefore < 4096, "the reader's output was gathered");
#endif
    }

    // The program is killed while the reader loops on a damaged file: the
    // reader goes with it instead of living on as an orphan.
    void readerDiesWithTheProgram()
    {
        QTemporaryDir dir;
        QVERIFY(copyTestFile(u"../jet-damaged/hang-growing.mdb"_s, dir.path()));
        // The orphan comes to us, so that we can see how it ended.
        QCOMPARE(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
        const pid_t program = startConversion(dir.filePath(bookName));
        pid_t jetReader = 0;
        for (QDeadlineTimer soon(5000); jetReader == 0 && !soon.hasExpired(); QTest::qWait(10))
            jetReader = readerOf(program);
        ::kill(program, SIGKILL);
        QCOMPARE(waitFor(program), 128 + SIGKILL);
        QVERIFY(jetReader > 0);
        pid_t ended = 0;
        int status = 0;
        for (QDeadlineTimer soon(5000); ended == 0 && !soon.hasExpired(); QTest::qWait(10))
            ended = ::waitpid(jetReader, &status, WNOHANG);
        if (ended == 0) { // left running: end it here, not in the next test run
            ::kill(jetReader, SIGKILL);
            ::waitpid(jetReader, nullptr, 0);
        }
        QVERIFY(ended == jetReader && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    }

    // The conversion is killed at each step. The folder must then hold the
    // old file untouched under its name, or the finished conversion; a later
    // start finishes the work, and leaves just the new file and the old one
    // under its second name.
    void killedAtEveryStep_data()
    {
        QTest::addColumn<Step>("step");
        QTest::addColumn<bool>("switched"); // the new file is in place
        QTest::addColumn<bool>("kept"); // the old file has its second name
        QTest::newRow("table read") << Step::TableRead << false << false;
        QTest::newRow("new file half written") << Step::TempFileStarted << false << false;
        QTest::newRow("new file written") << Step::TempFileWritten << false << false;
        QTest::newRow("old file kept") << Step::OldFileKept << false << true;
        QTest::newRow("new file in place") << Step::NewFileInPlace << true << true;
    }

    void killedAtEveryStep()
    {
        QFETCH(Step, step);
        QFETCH(bool, switched);
        QFETCH(bool, kept);
        QTemporaryDir dir;
        QVERIFY(copyTestFile(memoFile, dir.path()));
        const QString path = dir.filePath(bookName);
        const QByteArray original = snapshot(dir.path()).value(bookName);

        QCOMPARE(waitFor(startConversion(path, step)), 128 + SIGKILL);

        const QMap<QString, QByteArray> after = snapshot(dir.path());
        if (switched)
            QCOMPARE(addressBookRows(path), informaitonRows(true));
        else
            QCOMPARE(after.value(bookName), original);
        QCOMPARE(after.value(bookName + u".jet"_s), kept ? original : QByteArray());
        static const QRegularExpression allowed(u"^Tessmoor\\.mdb(\\.jet|\\.converting-\\w+)?$"_s);
        for (const QString &name : after.keys())
            QVERIFY2(allowed.match(name).hasMatch(), qPrintable(u"unexpected file "_s + name));

        QVERIFY(JetImport::convertInPlace(path, reader).ok());
        const QMap<QString, QByteArray> finished = snapshot(dir.path());
        QCOMPARE(finished.keys(), QStringList({bookName, bookName + u".jet"_s}));
        QCOMPARE(finished.value(bookName + u".jet"_s), original);
        QCOMPARE(addressBookRows(path), informaitonRows(true));
    }

    // Two Larkspans started at once in one folder: one converts, the other
    // waits and then finds the work done.
    void twoConversionsAtOnce()
    {
        QTemporaryDir dir;
        QVERIFY(copyTestFile(memoFile, dir.path()));
        const QByteArray original = snapshot(dir.path()).value(bookName);
        const pid_t first = startConversion(dir.filePath(bookName));
        const pid_t second = startConversion(dir.filePath(bookName));
        QCOMPARE(waitFor(first), 0);
        QCOMPARE(waitFor(second), 0);
        const QMap<QString, QByteArray> after = snapshot(dir.path());
        QCOMPARE(after.keys(), QStringList({bookName, bookName + u".jet"_s}));
        QCOMPARE(after.value(bookName + u".jet"_s), original);
    }

    void refusesWithoutPermission_data()
    {
        QTest::addColumn<bool>("fileReadable");
        QTest::addColumn<QString>("expected");
        QTest::newRow("unreadable file") << false << u"cannot be read"_s;
        QTest::newRow("folder not writable") << true << u"could not be written"_s;
    }

    void refusesWithoutPermission()
    {
        QFETCH(bool, fileReadable);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        QVERIFY(copyTestFile(memoFile, dir.path()));
        if (!fileReadable)
            QVERIFY(QFile::setPermissions(dir.filePath(bookName), {}));
        QVERIFY(QFile::setPermissions(
            dir.path(), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther));
        const QMap<QString, QByteArray> before = snapshot(dir.path());

        const int status = waitFor(startConversion(dir.filePath(bookName), {}, expected, true));
        QVERIFY(QFile::setPermissions(dir.path(),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QCOMPARE(status, 0);
        QCOMPARE(snapshot(dir.path()), before);
    }
};

QTEST_GUILESS_MAIN(TestJetImport)
#include "tst_jetimport.moc"
