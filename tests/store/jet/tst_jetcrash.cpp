#include "JetTestSupport.h"

#include "store/FileFormat.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace Larkspan;

namespace {

const QString reader = QStringLiteral(LARKSPAN_JET_READER);
const QString child = QStringLiteral(LARKSPAN_JET_CHILD);
const QString bookName = u"Tessmoor.mdb"_s;
const QString memoFile = u"Tessmoor_jet4_v2000_memo.mdb"_s;

struct ChildResult
{
    bool killed = false;
    int exitCode = -1;
    QString output;
};

ChildResult runChild(const QStringList &arguments)
{
    QProcess process;
    process.start(child, arguments);
    ChildResult result;
    if (!process.waitForFinished(60'000)) {
        process.kill();
        process.waitForFinished();
        result.output = u"<the child did not finish>"_s;
        return result;
    }
    result.killed = process.exitStatus() == QProcess::CrashExit;
    result.exitCode = process.exitCode();
    result.output = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    return result;
}

ChildResult convert(const QString &directory, const QStringList &extra = {})
{
    return runChild(QStringList{u"convert"_s, directory + u'/' + bookName, reader} + extra);
}

bool isLeftover(const QString &name)
{
    static const QRegularExpression temp(u"^Tessmoor\\.mdb\\.converting-\\w+$"_s);
    return temp.match(name).hasMatch();
}

} // namespace

class TestJetCrash : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { REQUIRE_SHARED_JET_DIR(); }

    // The process is killed (SIGKILL, nothing cleaned up) at each step. The
    // folder must then hold the old file untouched under its name, or the
    // finished conversion; a later start finishes the work, and leaves just
    // the new file and the old one under its second name.
    void killedAtEveryStep_data()
    {
        QTest::addColumn<QString>("step");
        QTest::addColumn<bool>("switched"); // the new file is in place
        QTest::addColumn<bool>("kept"); // the old file has its second name
        QTest::newRow("table read") << u"TableRead"_s << false << false;
        QTest::newRow("new file half written") << u"TempFileStarted"_s << false << false;
        QTest::newRow("new file written") << u"TempFileWritten"_s << false << false;
        QTest::newRow("old file kept") << u"OldFileKept"_s << false << true;
        QTest::newRow("new file in place") << u"NewFileInPlace"_s << true << true;
    }

    void killedAtEveryStep()
    {
        QFETCH(QString, step);
        QFETCH(bool, switched);
        QFETCH(bool, kept);
        QTemporaryDir dir;
        QVERIFY(JetTestSupport::copyTestFile(memoFile, dir.path(), bookName));
        const QByteArray original = JetTestSupport::sha256Of(dir.filePath(bookName));
        const auto expected = [] {
            QList<std::array<QString, 3>> rows;
            for (const JetTestSupport::Row &row : JetTestSupport::informaitonRows(true))
                rows.append(
                    {row[0].value_or(u""_s), row[1].value_or(u""_s), row[2].value_or(u""_s)});
            return rows;
        }();

        const ChildResult killed = convert(dir.path(), {u"--stop-at"_s, step});
        QVERIFY2(killed.killed, qPrintable(u"the child was not killed: "_s + killed.output));

        const QMap<QString, QByteArray> after = JetTestSupport::snapshot(dir.path());
        QString error;
        if (switched) {
            QCOMPARE(detectFileFormat(dir.filePath(bookName)), FileFormat::SQLite);
            QCOMPARE(JetTestSupport::addressBookRows(dir.filePath(bookName), &error), expected);
        } else {
            QCOMPARE(after.value(bookName), original);
        }
        QCOMPARE(after.contains(bookName + u".jet"_s), kept);
        if (kept)
            QCOMPARE(after.value(bookName + u".jet"_s), original);
        for (const QString &name : after.keys()) {
            QVERIFY2(name == bookName || name == bookName + u".jet"_s || isLeftover(name),
                     qPrintable(u"unexpected file "_s + name));
        }

        const ChildResult again = convert(dir.path());
        QCOMPARE(again.exitCode, 0);
        QCOMPARE(again.output, u"converted"_s);
        const QMap<QString, QByteArray> finished = JetTestSupport::snapshot(dir.path());
        QCOMPARE(finished.keys(), QStringList({bookName, bookName + u".jet"_s}));
        QCOMPARE(finished.value(bookName + u".jet"_s), original);
        QCOMPARE(JetTestSupport::addressBookRows(dir.filePath(bookName), &error), expected);
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }

    // Two Larkspans started at once in one folder: one converts, the other
    // waits and then finds the work done.
    void twoConversionsAtOnce()
    {
        QTemporaryDir dir;
        QVERIFY(JetTestSupport::copyTestFile(memoFile, dir.path(), bookName));
        const QByteArray original = JetTestSupport::sha256Of(dir.filePath(bookName));
        const QStringList arguments = {u"convert"_s, dir.filePath(bookName), reader};
        QProcess first;
        QProcess second;
        first.start(child, arguments);
        second.start(child, arguments);
        QVERIFY(first.waitForFinished(60'000));
        QVERIFY(second.waitForFinished(60'000));
        QCOMPARE(first.exitCode(), 0);
        QCOMPARE(second.exitCode(), 0);
        const QMap<QString, QByteArray> after = JetTestSupport::snapshot(dir.path());
        QCOMPARE(after.keys(), QStringList({bookName, bookName + u".jet"_s}));
        QCOMPARE(after.value(bookName + u".jet"_s), original);
    }

    // Root may read and write anything, so these run in a child that has
    // given up root (with plain permissions when the tests do not run as root).
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
        QVERIFY(JetTestSupport::copyTestFile(memoFile, dir.path(), bookName));
        if (!fileReadable)
            QVERIFY(QFile::setPermissions(dir.filePath(bookName), {}));
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner
                                                      | QFile::ReadOther | QFile::ExeOther));
        const QMap<QString, QByteArray> before = JetTestSupport::snapshot(dir.path());

        const ChildResult result = convert(dir.path(), {u"--as-nobody"_s});
        QVERIFY(QFile::setPermissions(dir.path(),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QCOMPARE(result.exitCode, 1);
        QVERIFY2(result.output.contains(expected), qPrintable(result.output));
        QVERIFY2(result.output.endsWith(u"Nothing was changed."_s), qPrintable(result.output));
        QCOMPARE(JetTestSupport::snapshot(dir.path()), before);
    }
};

QTEST_GUILESS_MAIN(TestJetCrash)
#include "tst_jetcrash.moc"
