// Larkspan installed into a fresh prefix: it carries an address book to and
// from a file with no display at all, and, started the way its menu entry
// starts it, opens the address book in the home folder and converts it with
// the installed reader.
#include "AddressBookFile.h"
#include "JetTestSupport.h"

#include "store/FileFormat.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace JetTestSupport;
using namespace Larkspan::Testing;

class InstalledProgramTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_prefix;

    QString installed(const QString &path) const { return m_prefix.filePath(path); }

private Q_SLOTS:
    void initTestCase()
    {
        QProcess install;
        install.setProcessChannelMode(QProcess::MergedChannels);
        install.start(
            QStringLiteral(LARKSPAN_CMAKE),
            {u"--install"_s, QStringLiteral(LARKSPAN_BUILD_DIR), u"--prefix"_s, m_prefix.path()});
        QVERIFY(install.waitForFinished(60000));
        QVERIFY2(install.exitCode() == 0, install.readAll().constData());
    }

    // A CSV file imported into an empty folder and exported again comes back
    // byte for byte, through the installed program with no display; a wrong
    // command line is refused before anything is opened, a failed write is
    // an error, and the windows say that they need a display.
    void exportsWhatItImportedWithoutADisplay()
    {
        QTemporaryDir folder;
        const QByteArray csv = "Type,address,About\r\n"
                               "Ünïcödé 😀,www.example.org,\"two\r\nlines, \"\"quoted\"\"\"\r\n"
                               ",,\r\n"_ba;
        QVERIFY(writeFile(folder.filePath(u"in.csv"_s), csv));
        auto larkspan = [&](const QStringList &arguments) {
            QProcess program;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            for (const auto &name : {u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s})
                env.remove(name);
            program.setProcessEnvironment(env);
            program.setWorkingDirectory(folder.path());
            program.start(installed(u"bin/larkspan"_s), arguments);
            program.waitForFinished(30000);
            return std::pair(program.exitCode(),
                             program.readAll() + program.readAllStandardError());
        };
        QCOMPARE(larkspan({u"import"_s}).first, 2);
        QCOMPARE(larkspan({u"export"_s, u""_s}).first, 2);
        QCOMPARE(larkspan({u"export"_s, u"--format"_s, u""_s}).first, 2);
        const auto full = larkspan({u"export"_s, u"--format"_s, u"csv"_s, u"/dev/full"_s});
        QCOMPARE(full.first, 1);
        QVERIFY2(full.second.contains("the disk is full"), full.second.constData());
        const auto windows = larkspan({});
        QCOMPARE(windows.first, 1);
        QVERIFY2(windows.second.contains("the windows need a display"), windows.second.constData());
        QCOMPARE(larkspan({u"import"_s, u"in.csv"_s}),
                 std::pair(0, "2 added, 0 already present, 0 skipped\n"_ba));
        // An entry another tool deleted is listed, and comes back once, in its place.
        AddressBookFile::sql(folder.filePath(u"Tessmoor.mdb"_s),
                             u"DELETE FROM Informaiton WHERE address = 'www.example.org'"_s);
        const auto listed = larkspan({u"deleted"_s});
        QVERIFY2(listed.first == 0
                     && listed.second.endsWith("\tÜnïcödé 😀\twww.example.org\ttwo\n"_ba),
                 listed.second.constData());
        QCOMPARE(larkspan({u"restore"_s, u"1"_s}).first, 0);
        QCOMPARE(larkspan({u"restore"_s, u"1"_s}).first, 2);
        QCOMPARE(larkspan({u"export"_s, u"out.csv"_s}), std::pair(0, QByteArray()));
        QCOMPARE(readFile(folder.filePath(u"out.csv"_s)), csv);
    }

    void startsFromTheMenuOnTheBookInTheHomeFolder()
    {
        REQUIRE_SHARED_JET_DIR();
        QTemporaryDir home, elsewhere;
        QVERIFY(copyTestFile(u"Tessmoor_jet4_v2000_memo.mdb"_s, home.path()));

        // The command of the installed menu entry, run from some other folder.
        const auto exec
            = QRegularExpression(u"(?m)^Exec=(.*)$"_s)
                  .match(QString::fromUtf8(
                      readFile(installed(u"share/applications/org.larkspan.Larkspan.desktop"_s))));
        QVERIFY(exec.hasMatch());
        QStringList command = exec.captured(1).split(u' ', Qt::SkipEmptyParts);
        QCOMPARE(command.takeFirst(), u"larkspan"_s);

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"HOME"_s, home.path());
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        QProcess program;
        program.setProcessEnvironment(env);
        program.setWorkingDirectory(elsewhere.path());
        program.start(installed(u"bin/larkspan"_s), command);

        const QString book = home.filePath(bookName);
        const auto converted = [&] {
            return Larkspan::detectFileFormat(book) == Larkspan::FileFormat::SQLite
                ? addressBookRows(book)
                : QList<Record>();
        };
        QTRY_COMPARE_WITH_TIMEOUT(converted(), informaitonRows(true), 30000);
        QCOMPARE(program.state(), QProcess::Running);
        program.kill();
        program.waitForFinished(5000);
        QVERIFY(QFile::exists(home.filePath(bookName + u".jet"_s)));
        QVERIFY(QDir(elsewhere.path()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(InstalledProgramTest)
#include "tst_installed_program.moc"
