#include "JetTestSupport.h"

#include "store/FileFormat.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::StringLiterals;
using Larkspan::FileFormat;

Q_DECLARE_METATYPE(Larkspan::FileFormat)

namespace {

QByteArray accessHeader(const char *engine, char version)
{
    return "\x00\x01\x00\x00"_ba + QByteArray(engine, 16) + version;
}

} // namespace

// Missing files, folders, unreadable files and the shared Jet files are
// checked through the conversion, whose message names each of them.
class TestFileFormat : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void detectsByFirstBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<FileFormat>("expected");

        const QByteArray jet4 = accessHeader("Standard Jet DB", 1);
        const QByteArray sqlite = "SQLite format 3\0"_ba;
        const QByteArray pages(4096, 'x');
        QTest::newRow("empty file") << QByteArray() << FileFormat::Unknown;
        QTest::newRow("jet 3") << accessHeader("Standard Jet DB", 0) + pages << FileFormat::Jet3;
        QTest::newRow("jet 4, header only") << jet4 << FileFormat::Jet4;
        QTest::newRow("jet header cut before the version")
            << jet4.left(0x14) << FileFormat::Unknown;
        QTest::newRow("jet, unknown version")
            << accessHeader("Standard Jet DB", 2) + pages << FileFormat::Unknown;
        QTest::newRow("jet name with a different first byte")
            << "\x01"_ba + jet4.mid(1) + pages << FileFormat::Unknown;
        QTest::newRow("ace") << accessHeader("Standard ACE DB", 2) + pages << FileFormat::Ace;
        QTest::newRow("sqlite header only") << sqlite << FileFormat::SQLite;
        QTest::newRow("sqlite without its NUL") << sqlite.left(15) << FileFormat::Unknown;
        // libmdb would take this for Jet 3.
        QTest::newRow("all zeros") << QByteArray(8192, '\0') << FileFormat::Unknown;
    }

    void detectsByFirstBytes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(FileFormat, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Tessmoor.mdb"_s);
        QVERIFY(JetTestSupport::writeFile(path, bytes));
        QCOMPARE(Larkspan::detectFileFormat(path), expected);
    }

    // Opening a pipe to read its first bytes would wait for a writer forever.
    void detectsAPipeWithoutOpeningIt()
    {
        QTemporaryDir dir;
        const QString fifo = dir.filePath(u"Tessmoor.mdb"_s);
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QCOMPARE(Larkspan::detectFileFormat(fifo), FileFormat::NotARegularFile);
    }
};

QTEST_GUILESS_MAIN(TestFileFormat)
#include "tst_fileformat.moc"
