// The About box in the real program on a real X display with a window
// manager: opened from the main window's About command, photographed, asked
// for twice, closed with Enter, and its System Info button pressed the way
// a person would.
#include "AddressBookFile.h"
#include "XvfbSession.h"

#include "about/LinuxRegistry.h"

#include <QImage>
#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;
using Larkspan::Testing::XvfbSession;

namespace {

const QString program = QStringLiteral(LARKSPAN_BIN_DIR "/larkspan");
const QString aboutTitle = QStringLiteral("^ About Larkspan$");

QStringList programWindows(const XvfbSession &x)
{
    const auto result = x.xdotool({u"search"_s, u"--onlyvisible"_s, u"--class"_s, u"larkspan"_s});
    return QString::fromLatin1(result.output).split(u'\n', Qt::SkipEmptyParts);
}

QStringList aboutWindows(const XvfbSession &x)
{
    const auto result = x.xdotool({u"search"_s, u"--onlyvisible"_s, u"--name"_s, aboutTitle});
    return QString::fromLatin1(result.output).split(u'\n', Qt::SkipEmptyParts);
}

QString activeWindow(const XvfbSession &x)
{
    return QString::fromLatin1(x.xdotool({u"getactivewindow"_s}).output.trimmed());
}

QByteArray xprop(const XvfbSession &x, const QString &window, const QString &name)
{
    return x.run(u"xprop"_s, {u"-id"_s, window, name}).output;
}

// The program started on a fresh address book, its main window up and
// active, and its About box opened with the menu bar's Alt+A.
struct Running
{
    XvfbSession x;
    AddressBookFile book{{{u"News"_s, u"www.example.org"_s, u"A news site"_s}}};
    QString main;

    bool start()
    {
        if (!x.isReady())
            return false;
        book.enter(); // the program opens its file in its working directory
        x.launch(program, {});
        const auto found = x.waitForWindow(u"^Larkspan$"_s, 8000);
        if (!found)
            return false;
        main = *found;
        return true;
    }

    std::optional<QString> openAbout()
    {
        x.xdotool({u"windowactivate"_s, u"--sync"_s, main});
        x.xdotool({u"key"_s, u"alt+a"_s});
        return x.waitForWindow(aboutTitle, 5000);
    }
};

} // namespace

class AboutWindowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(QFile::exists(program), "the larkspan program is not built");
    }

    void theAboutBoxAsItIsDrawn()
    {
        Running app;
        QVERIFY2(app.start(), qPrintable(app.x.errorString()));
        const auto about = app.openAbout();
        QVERIFY(about);
        QTest::qWait(500);
        const QString shot = XvfbSession::screenshotPath(u"about.png"_s);
        QVERIFY(app.x.screenshot(shot));

        // A fixed 382 x 290 client area, a tool window, centred on the screen.
        const QByteArray hints = xprop(app.x, *about, u"WM_NORMAL_HINTS"_s);
        QVERIFY2(hints.contains("minimum size: 382 by 290")
                     && hints.contains("maximum size: 382 by 290"),
                 hints.constData());
        QVERIFY(xprop(app.x, *about, u"_NET_WM_WINDOW_TYPE"_s)
                    .contains("= _NET_WM_WINDOW_TYPE_UTILITY"));
        const auto origin = app.x.windowOrigin(*about);
        QVERIFY(origin);
        const QPoint centre = *origin + QPoint(191, 145);
        QVERIFY2(qAbs(centre.x() - 512) <= 20 && qAbs(centre.y() - 384) <= 20,
                 qPrintable(u"centre at %1,%2"_s.arg(centre.x()).arg(centre.y())));

        // On screen: the pink title with its black shadow along the right and
        // bottom edges, and the etched rule, grey over white.
        const QImage image(shot);
        QVERIFY(!image.isNull());
        auto at = [&](int x, int y) { return image.pixelColor(*origin + QPoint(x, y)); };
        QCOMPARE(at(10, 10), QColor(255, 128, 128));
        QCOMPARE(at(151, 25), QColor(Qt::black));
        QCOMPARE(at(80, 41), QColor(Qt::black));
        QCOMPARE(at(155, 25), QColor(212, 208, 200));
        QCOMPARE(at(190, 220), QColor(128, 128, 128));
        QCOMPARE(at(190, 221), QColor(Qt::white));

        // About again while it is open: the same box, in front.
        app.x.xdotool({u"windowactivate"_s, u"--sync"_s, app.main});
        QTRY_COMPARE(activeWindow(app.x), app.main);
        app.x.xdotool({u"key"_s, u"alt+a"_s});
        QTRY_COMPARE_WITH_TIMEOUT(activeWindow(app.x), *about, 5000);
        QCOMPARE(aboutWindows(app.x), QStringList{*about});

        // Enter with the focus on OK closes it; the main window stays.
        app.x.xdotool({u"key"_s, u"Return"_s});
        QTRY_VERIFY_WITH_TIMEOUT(aboutWindows(app.x).isEmpty(), 5000);
        QCOMPARE(programWindows(app.x), QStringList{app.main});
    }

    void systemInfoOnThisMachine()
    {
        Running app;
        QVERIFY2(app.start(), qPrintable(app.x.errorString()));
        const auto about = app.openAbout();
        QVERIFY(about);
        const auto origin = app.x.windowOrigin(*about);
        QVERIFY(origin);
        const QString tool = Larkspan::LinuxRegistry().installedTool().value_or(QString());
        qInfo("system information tool here: %s",
              tool.isEmpty() ? "none" : qPrintable(tool));

        // The middle of the System Info button, in the box's own pixels.
        app.x.xdotool({u"mousemove"_s, u"--window"_s, *about, u"325"_s, u"272"_s,
                       u"click"_s, u"1"_s});
        if (tool.isEmpty()) {
            // The message, over the box; the box stays open after OK.
            QTRY_COMPARE_WITH_TIMEOUT(programWindows(app.x).size(), 3, 5000);
            QTest::qWait(300);
            QVERIFY(app.x.screenshot(XvfbSession::screenshotPath(u"about-sysinfo.png"_s)));
            app.x.xdotool({u"key"_s, u"Return"_s});
            QTRY_COMPARE_WITH_TIMEOUT(programWindows(app.x).size(), 2, 5000);
        } else {
            // The tool runs on its own; nothing of the program's changes.
            QTest::qWait(1500);
            QVERIFY(app.x.screenshot(XvfbSession::screenshotPath(u"about-sysinfo.png"_s)));
            QCOMPARE(programWindows(app.x).size(), 2);
        }
        QCOMPARE(aboutWindows(app.x), QStringList{*about});

        // Esc closes it from wherever the focus is.
        app.x.xdotool({u"windowactivate"_s, u"--sync"_s, *about});
        app.x.xdotool({u"key"_s, u"Escape"_s});
        QTRY_VERIFY_WITH_TIMEOUT(aboutWindows(app.x).isEmpty(), 5000);
    }
};

QTEST_GUILESS_MAIN(AboutWindowTest)
#include "tst_about_window.moc"
