#include "JetTestSupport.h"

#include "store/FileFormat.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using Larkspan::FileFormat;

Q_DECLARE_METATYPE(Larkspan::FileFormat)

namespace {

QByteArray accessHeader(const char *engine, char version)
{
    QByteArray bytes("\x00\x01\x00\x00", 4);
    bytes += QByteArray(engine, 16); // the name and its NUL
    bytes += version;
    return bytes;
}

} // namespace

class TestFileFormat : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void detectsByFirstBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<FileFormat>("expected");

        const QByteArray jet3 = accessHeader("Standard Jet DB", 0);
        const QByteArray jet4 = accessHeader("Standard Jet DB", 1);
        const QByteArray pages(4096, 'x');
        QTest::newRow("empty file") << QByteArray() << FileFormat::Unknown;
        QTest::newRow("jet 3") << jet3 + pages << FileFormat::Jet3;
        QTest::newRow("jet 4") << jet4 + pages << FileFormat::Jet4;
        QTest::newRow("jet 4, header only") << jet4 << FileFormat::Jet4;
        QTest::newRow("jet, unknown version")
            << accessHeader("Standard Jet DB", 2) + pages << FileFormat::Unknown;
        QTest::newRow("ace 2007") << accessHeader("Standard ACE DB", 2) + pages << FileFormat::Ace;
        QTest::newRow("ace 2016") << accessHeader("Standard ACE DB", 5) + pages << FileFormat::Ace;
        QTest::newRow("jet header cut before the version")
            << jet4.left(0x14) << FileFormat::Unknown;
        QTest::newRow("jet header cut in the name") << jet4.left(10) << FileFormat::Unknown;
        QTest::newRow("jet name without the leading bytes")
            << QByteArray("Standard Jet DB\0\0\0\0\0\0", 21) + pages << FileFormat::Unknown;
        QTest::newRow("jet name with a different first byte")
            << QByteArray("\x01") + jet4.mid(1) + pages << FileFormat::Unknown;
        QTest::newRow("sqlite") << QByteArray("SQLite format 3\0", 16) + pages
                                << FileFormat::SQLite;
        QTest::newRow("sqlite header only")
            << QByteArray("SQLite format 3\0", 16) << FileFormat::SQLite;
        QTest::newRow("sqlite without its NUL")
            << QByteArray("SQLite format 3") << FileFormat::Unknown;
        QTest::newRow("sqlite in other case")
            << QByteArray("sqlite format 3\0", 16) + pages << FileFormat::Unknown;
        QTest::newRow("all zeros") << QByteArray(8192, '\0') << FileFormat::Unknown;
        QTest::newRow("text") << QByteArray("Web\thttp://example.org/\n") << FileFormat::Unknown;
    }

    void detectsByFirstBytes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(FileFormat, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Tessmoor.mdb"_s);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), bytes.size());
        file.close();
        QCOMPARE(Larkspan::detectFileFormat(path), expected);
    }

    void detectsTheSharedFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<FileFormat>("expected");
        QTest::newRow("jet 4 memo") << u"Tessmoor_jet4_v2000_memo.mdb"_s << FileFormat::Jet4;
        QTest::newRow("jet 4 emoji") << u"Tessmoor_jet4_emoji.mdb"_s << FileFormat::Jet4;
        QTest::newRow("jet 4 empty") << u"emptyJet4.mdb"_s << FileFormat::Jet4;
        QTest::newRow("jet 3 by Access") << u"testIndexCodesV1997.mdb"_s << FileFormat::Jet3;
        QTest::newRow("jet 3 deletions") << u"delTestV1997.mdb"_s << FileFormat::Jet3;
    }

    void detectsTheSharedFiles()
    {
        REQUIRE_SHARED_JET_DIR();
        QFETCH(QString, name);
        QFETCH(FileFormat, expected);
        QCOMPARE(Larkspan::detectFileFormat(JetTestSupport::sharedJetDir() + u'/' + name),
                 expected);
    }

    void detectsWhatIsNoFile()
    {
        QTemporaryDir dir;
        QCOMPARE(Larkspan::detectFileFormat(dir.filePath(u"Tessmoor.mdb"_s)), FileFormat::Missing);
        QCOMPARE(Larkspan::detectFileFormat(dir.filePath(u"no/such/dir/Tessmoor.mdb"_s)),
                 FileFormat::Missing);

        QVERIFY(QDir(dir.path()).mkdir(u"Tessmoor.mdb"_s));
        QCOMPARE(Larkspan::detectFileFormat(dir.filePath(u"Tessmoor.mdb"_s)),
                 FileFormat::NotARegularFile);

        const QString fifo = dir.filePath(u"pipe.mdb"_s);
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QCOMPARE(Larkspan::detectFileFormat(fifo), FileFormat::NotARegularFile);

        const QString dangling = dir.filePath(u"dangling.mdb"_s);
        QVERIFY(QFile::link(dir.filePath(u"gone.mdb"_s), dangling));
        QCOMPARE(Larkspan::detectFileFormat(dangling), FileFormat::Missing);
    }

    // A file that the process may not read. Root reads everything, so as
    // root the check runs in a child process that has given up root.
    void detectsAnUnreadableFile()
    {
        QTemporaryDir dir;
        QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner
                                                      | QFile::ExeOwner | QFile::ReadOther
                                                      | QFile::ExeOther));
        const QString path = dir.filePath(u"Tessmoor.mdb"_s);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("SQLite format 3\0", 16));
        file.close();
        QVERIFY(QFile::setPermissions(path, {}));

        QProcess child;
        child.start(QStringLiteral(LARKSPAN_JET_CHILD), {u"detect"_s, path, u"--as-nobody"_s});
        QVERIFY(child.waitForFinished(30'000));
        QCOMPARE(child.exitCode(), 0);
        QCOMPARE(child.readAllStandardOutput().trimmed(), QByteArray("Unreadable"));
    }
};

QTEST_GUILESS_MAIN(TestFileFormat)
#include "tst_fileformat.moc"
