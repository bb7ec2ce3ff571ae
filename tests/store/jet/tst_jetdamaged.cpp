#include "JetTestSupport.h"

#include "store/jet/JetImport.h"
#include "store/jet/JetReaderProcess.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace Larkspan;
using namespace JetTestSupport;

namespace {

const QString reader = QStringLiteral(LARKSPAN_JET_READER);
// Beside the sound files: copies on which libmdb loops, floods its
// standard error, grows without end, or crashes.
const QString damaged = u"../jet-damaged/"_s;

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

} // namespace

class TestJetDamaged : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        REQUIRE_SHARED_JET_DIR();
        if (!QFile::exists(sharedJetDir() + u'/' + damaged + u"README.md"_s))
            QSKIP("the damaged files (../shared/testdata/jet-damaged) are not in this checkout");
    }

    void givesUpSoonAndChangesNothing_data()
    {
        QTest::addColumn<QString>("file");
        for (const char *file :
             {"hang-truncated.mdb", "hang-bits.mdb", "hang-growing.mdb", "crash-segv.mdb"})
            QTest::newRow(file) << QString::fromLatin1(file);
    }

    // Within the time the file's size allows, the user learns that the file
    // is damaged, the folder is exactly as it was, and the program has not
    // gathered what the reader poured out meanwhile.
    void givesUpSoonAndChangesNothing()
    {
        QFETCH(QString, file);
        QTemporaryDir dir;
        QVERIFY(copyTestFile(damaged + file, dir.path()));
        const QString path = dir.filePath(bookName);
        const QMap<QString, QByteArray> before = snapshot(dir.path());
        [[maybe_unused]] const qint64 peakBefore = peakResidentKiB();

        QElapsedTimer clock;
        clock.start();
        const Outcome<void> converted = JetImport::convertInPlace(path, reader);
        const qint64 took = clock.elapsed();

        const int allowed = JetImport::readerTimeoutMs(QFileInfo(path).size());
        QVERIFY2(took < allowed + 2000, qPrintable(u"took %1 ms"_s.arg(took)));
        QVERIFY(!converted.ok());
        const QString &message = converted.error();
        QVERIFY2(message.contains(bookName) && message.contains(u"damaged"_s)
                     && message.endsWith(u"Nothing was changed."_s),
                 qPrintable(message));
        QCOMPARE(snapshot(dir.path()), before);
#ifndef __SANITIZE_ADDRESS__ // its quarantine holds on to what was freed
        const qint64 grown = peakResidentKiB() - peakBefore;
        QVERIFY2(grown < 4096, qPrintable(u"grew by %1 KiB"_s.arg(grown)));
#endif
    }

    // The program is killed while the reader loops on a damaged file: the
    // reader goes with it instead of living on as an orphan.
    void readerDiesWithTheProgram()
    {
        QTemporaryDir dir;
        QVERIFY(copyTestFile(damaged + u"hang-growing.mdb"_s, dir.path()));
        // The orphan comes to us, so that we can see how it ended.
        QCOMPARE(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
        const pid_t program = ::fork();
        if (program == 0) {
            (void)JetImport::convertInPlace(dir.filePath(bookName), reader);
            ::_exit(0);
        }
        QVERIFY(program > 0);
        pid_t jetReader = 0;
        for (QDeadlineTimer soon(5000); jetReader == 0 && !soon.hasExpired(); QTest::qWait(10))
            jetReader = readerOf(program);
        ::kill(program, SIGKILL);
        QCOMPARE(::waitpid(program, nullptr, 0), program);
        QVERIFY(jetReader > 0);

        int status = 0;
        pid_t ended = 0;
        for (QDeadlineTimer soon(5000); ended == 0 && !soon.hasExpired(); QTest::qWait(10))
            ended = ::waitpid(jetReader, &status, WNOHANG);
        if (ended == 0) { // left running: end it here, not in the next test run
            ::kill(jetReader, SIGKILL);
            ::waitpid(jetReader, nullptr, 0);
        }
        QCOMPARE(ended, jetReader);
        QVERIFY(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    }
};

QTEST_GUILESS_MAIN(TestJetDamaged)
#include "tst_jetdamaged.moc"
