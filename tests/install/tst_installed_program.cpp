// Larkspan installed into a fresh prefix: it answers its command line and
// carries an address book to and from a file with no display at all, and, started the way its menu entry starts it, opens the
// address book in the home folder and converts it with the installed reader.
#include "JetTestSupport.h"

#include "store/FileFormat.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace JetTestSupport;

class InstalledProgramTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_prefix;

    QString installed(const QString &path) const { return m_prefix.filePath(path); }

    QProcessEnvironment withoutDisplay() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const auto &name : {u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s, u"QT_QPA_PLATFORM"_s})
            env.remove(name);
        return env;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QProcess install;
        install.setProcessChannelMode(QProcess::MergedChannels);
        install.start(QStringLiteral(LARKSPAN_CMAKE),
                      {u"--install"_s, QStringLiteral(LARKSPAN_BUILD_DIR), u"--prefix"_s, m_prefix.path()});
        QVERIFY(install.waitForFinished(60000));
        QVERIFY2(install.exitCode() == 0, install.readAll().constData());
    }

    void answersTheCommandLineWithoutADisplay_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("error");
        QTest::newRow("help") << QStringList{u"--help"_s} << 0 << u"^Usage: .*--home"_s << u"^$"_s;
        QTest::newRow("version") << QStringList{u"--version"_s} << 0 << u"^Larkspan \\d"_s << u"^$"_s;
        QTest::newRow("unknown option") << QStringList{u"--bogus"_s} << 2 << u"^$"_s
                                        << u"Unknown option 'bogus'"_s;
        QTest::newRow("stray argument") << QStringList{u"Tessmoor.mdb"_s} << 2 << u"^$"_s
                                        << u"'Tessmoor.mdb'"_s;
        QTest::newRow("import without a file") << QStringList{u"import"_s} << 2 << u"^$"_s
                                               << u"import takes one FILE"_s;
        QTest::newRow("Qt's own option") << QStringList{u"-style"_s, u"fusion"_s, u"--version"_s}
                                         << 0 << u"^Larkspan \\d"_s << u"^$"_s;
    }

    void answersTheCommandLineWithoutADisplay()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, output);
        QFETCH(QString, error);
        QProcess program;
        program.setProcessEnvironment(withoutDisplay());
        program.start(installed(u"bin/larkspan"_s), arguments);
        QVERIFY(program.waitForFinished(10000));
        const QString printed = QString::fromLocal8Bit(program.readAllStandardOutput());
        const QString complained = QString::fromLocal8Bit(program.readAllStandardError());
        QVERIFY2(program.exitCode() == exitCode, qPrintable(complained));
        QVERIFY2(printed.contains(QRegularExpression(output, QRegularExpression::DotMatchesEverythingOption)),
                 qPrintable(printed));
        QVERIFY2(complained.contains(QRegularExpression(error)), qPrintable(complained));
    }

    // A CSV file imported into an empty folder and exported again comes back
    // byte for byte, through the installed program with no display.
    void exportsWhatItImportedWithoutADisplay()
    {
        QTemporaryDir folder;
        const QByteArray csv = "Type,address,About\r\n"
                               "Ünïcödé 😀,www.example.org,\"two\r\nlines, \"\"quoted\"\"\"\r\n"
                               ",,\r\n"_ba;
        QFile in(folder.filePath(u"in.csv"_s));
        QVERIFY(in.open(QIODevice::WriteOnly) && in.write(csv) == csv.size());
        in.close();
        auto larkspan = [&](const QStringList &arguments) {
            QProcess program;
            program.setProcessEnvironment(withoutDisplay());
            program.setWorkingDirectory(folder.path());
            program.start(installed(u"bin/larkspan"_s), arguments);
            program.waitForFinished(30000);
            return std::pair(program.exitCode(), program.readAll() + program.readAllStandardError());
        };
        QCOMPARE(larkspan({u"import"_s, u"in.csv"_s}),
                 std::pair(0, "2 added, 0 already present, 0 skipped\n"_ba));
        QCOMPARE(larkspan({u"export"_s, u"out.csv"_s}), std::pair(0, QByteArray()));
        QFile out(folder.filePath(u"out.csv"_s));
        QVERIFY(out.open(QIODevice::ReadOnly));
        QCOMPARE(out.readAll(), csv);
    }

    void startsFromTheMenuOnTheBookInTheHomeFolder()
    {
        REQUIRE_SHARED_JET_DIR();
        QTemporaryDir home;
        QTemporaryDir elsewhere;
        QVERIFY(copyTestFile(u"Tessmoor_jet4_v2000_memo.mdb"_s, home.path()));

        // The command of the installed menu entry, run from some other folder.
        QFile entry(installed(u"share/applications/org.larkspan.Larkspan.desktop"_s));
        QVERIFY(entry.open(QIODevice::ReadOnly));
        const auto exec = QRegularExpression(u"(?m)^Exec=(.*)$"_s).match(QString::fromUtf8(entry.readAll()));
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
