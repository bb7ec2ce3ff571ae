// The real program on a real X display with a window manager, driven the way
// a person would: start it, watch the splash give way to the main window,
// close it; and start it on a file that is no address book.
#include "AddressBookFile.h"
#include "XvfbSession.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;
using Larkspan::Testing::XvfbSession;

namespace {

const QString program = QStringLiteral(LARKSPAN_BIN_DIR "/larkspan");

// The visible windows of the program, by its window class.
QStringList programWindows(const XvfbSession &x)
{
    const auto result = x.xdotool({u"search"_s, u"--onlyvisible"_s, u"--class"_s, u"larkspan"_s});
    return QString::fromLatin1(result.output).split(u'\n', Qt::SkipEmptyParts);
}

QString sqlite(const QString &path, const QString &sql)
{
    QProcess p;
    p.start(u"sqlite3"_s, {path, sql});
    p.waitForFinished(10000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

} // namespace

class ProgramTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(QFile::exists(program), "the larkspan program is not built");
    }

    void startsWithTheSplashThenTheMainWindowAndCreatesTheFile()
    {
        XvfbSession x;
        QVERIFY2(x.isReady(), qPrintable(x.errorString()));
        QTemporaryDir dir;
        const QString previous = QDir::currentPath();
        QDir::setCurrent(dir.path()); // the program opens its file here
        QElapsedTimer clock;
        clock.start();
        QProcess &app = x.launch(program, {});
        QDir::setCurrent(previous);

        // The splash comes first, alone.
        QTRY_VERIFY_WITH_TIMEOUT(programWindows(x).size() == 1, 5000);
        const QString splash = programWindows(x).first();
        const qint64 splashShown = clock.elapsed();
        x.screenshot(XvfbSession::screenshotPath(u"splash.png"_s));

        // About a second later the main window replaces it.
        QTRY_VERIFY_WITH_TIMEOUT(!programWindows(x).contains(splash), 8000);
        const qint64 elapsed = clock.elapsed() - splashShown;
        QVERIFY2(elapsed >= 800 && elapsed < 6000, qPrintable(QString::number(elapsed)));
        QTRY_COMPARE_WITH_TIMEOUT(programWindows(x).size(), 1, 5000);
        const QStringList windows = programWindows(x);
        const auto main = std::optional<QString>(windows.first());
        QCOMPARE(x.xdotool({u"getwindowname"_s, *main}).output.trimmed(), QByteArray("Larkspan"));
        const QString file = dir.filePath(u"Tessmoor.mdb"_s);
        QVERIFY(QFile::exists(file));
        QCOMPARE(sqlite(file, u"SELECT COUNT(*) FROM Informaiton"_s), u"0"_s);
        QTest::qWait(300);
        x.screenshot(XvfbSession::screenshotPath(u"main-empty.png"_s));

        // Closing the main window ends the program, with status 0.
        x.xdotool({u"windowactivate"_s, u"--sync"_s, *main});
        x.xdotool({u"key"_s, u"alt+F4"_s});
        QVERIFY(app.waitForFinished(5000));
        QCOMPARE(app.exitStatus(), QProcess::NormalExit);
        QCOMPARE(app.exitCode(), 0);
    }

    void showsTheCategoriesOfAnAddressBook()
    {
        XvfbSession x;
        QVERIFY2(x.isReady(), qPrintable(x.errorString()));
        AddressBookFile book({{u"News"_s, u"www.example.org"_s, u"A news site"_s},
                              {u"Mail"_s, u"someone@example.org"_s, u"A friend"_s},
                              {u"News"_s, u"news.example.net"_s, u"More news"_s},
                              {u"news"_s, u"lower@example.org"_s, u"lower case"_s},
                              {u"Čtení 日本"_s, u"www.example.net"_s, u"non-ASCII"_s}});
        book.enter();
        QProcess &app = x.launch(program, {});
        const auto main = x.waitForWindow(u"^Larkspan$"_s, 8000);
        QVERIFY(main);
        // A key that types a character would have cut the splash short; the
        // main window shows the categories in order of first appearance
        // (looked at in the screenshot; the order itself is checked headless).
        QTest::qWait(400);
        QVERIFY(x.screenshot(XvfbSession::screenshotPath(u"main-categories.png"_s)));
        x.xdotool({u"windowactivate"_s, u"--sync"_s, *main});
        x.xdotool({u"key"_s, u"ctrl+e"_s});
        QVERIFY(app.waitForFinished(5000));
        QCOMPARE(app.exitCode(), 0);
        QCOMPARE(book.rows().size(), 5);
    }

    void aFileThatIsNoAddressBookEndsTheProgramAndStaysAsItWas()
    {
        XvfbSession x;
        QVERIFY2(x.isReady(), qPrintable(x.errorString()));
        QTemporaryDir dir;
        const QString file = dir.filePath(u"Tessmoor.mdb"_s);
        {
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            QByteArray noise(8192, '\0');
            for (int i = 0; i < noise.size(); ++i)
                noise[i] = char((i * 2654435761u) >> 13);
            out.write(noise);
        }
        const QByteArray before = AddressBookFile::digest(file);
        const QString previous = QDir::currentPath();
        QDir::setCurrent(dir.path());
        QProcess &app = x.launch(program, {});
        QDir::setCurrent(previous);

        // The main window comes up, then the engine's message over it.
        QVERIFY(x.waitForWindow(u"^Larkspan$"_s, 8000));
        QTRY_VERIFY_WITH_TIMEOUT(programWindows(x).size() == 2, 5000);
        QTest::qWait(300);
        x.screenshot(XvfbSession::screenshotPath(u"unusable-file.png"_s));
        QCOMPARE(app.state(), QProcess::Running);
        x.xdotool({u"key"_s, u"Return"_s});
        QVERIFY(app.waitForFinished(5000));
        QVERIFY(app.exitCode() != 0);
        QCOMPARE(AddressBookFile::digest(file), before);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{u"Tessmoor.mdb"_s});
    }
};

QTEST_GUILESS_MAIN(ProgramTest)
#include "tst_program.moc"
