// The About box in the real program on a real X display with a window
// manager, used the way a person would: opened with the main window's Alt+A,
// photographed, asked for again while open, its System Info button clicked,
// and closed with Esc.
#include "AddressBookFile.h"
#include "XvfbSession.h"

#include "platform/LinuxRegistry.h"

#include <QImage>
#include <QTest>

using namespace Qt::StringLiterals;
using Larkspan::Testing::XvfbSession;

namespace {

const QString program = QStringLiteral(LARKSPAN_BIN_DIR "/larkspan");

// The visible windows found by xdotool's `search <by> <pattern>`.
QStringList windows(const XvfbSession &x, const QString &by, const QString &pattern)
{
    const auto found = x.xdotool({u"search"_s, u"--onlyvisible"_s, by, pattern});
    return QString::fromLatin1(found.output).split(u'\n', Qt::SkipEmptyParts);
}

} // namespace

class AboutWindowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theAboutBoxAsAPersonSeesAndUsesIt()
    {
        QVERIFY2(QFile::exists(program), "the larkspan program is not built");
        XvfbSession x;
        QVERIFY2(x.isReady(), qPrintable(x.errorString()));
        AddressBookFile book{{{u"News"_s, u"www.example.org"_s, u"A news site"_s}}};
        book.enter(); // the program opens its file in its working directory
        x.launch(program, {});
        const auto main = x.waitForWindow(u"^Larkspan$"_s, 8000);
        QVERIFY(main);
        const QString title = u"^ About Larkspan$"_s;
        const auto programWindows = [&] { return windows(x, u"--class"_s, u"larkspan"_s); };
        const auto active = [&] {
            return QString::fromLatin1(x.xdotool({u"getactivewindow"_s}).output.trimmed());
        };
        // True when the main window was active as Alt+A went to it.
        const auto askForAbout = [&] {
            const bool fromMain = x.xdotool({u"windowactivate"_s, u"--sync"_s, *main}).ok();
            x.xdotool({u"key"_s, u"alt+a"_s});
            return fromMain;
        };

        QVERIFY(askForAbout());
        const auto about = x.waitForWindow(title, 5000);
        QVERIFY(about);
        QTest::qWait(500);
        const QString shot = XvfbSession::screenshotPath(u"about.png"_s);
        QVERIFY(x.screenshot(shot));

        // The 382 x 290 box stands in the middle of the 1024 x 768 screen.
        const auto origin = x.windowOrigin(*about);
        QVERIFY(origin);
        const QPoint centre = *origin + QPoint(191, 145);
        QVERIFY2(qAbs(centre.x() - 512) <= 20 && qAbs(centre.y() - 384) <= 20,
                 qPrintable(u"centre at %1,%2"_s.arg(centre.x()).arg(centre.y())));

        // On screen: the pink title with its black shadow along the right and
        // bottom edges, and the etched rule, one grey pixel over one white.
        const QImage image(shot);
        QVERIFY(!image.isNull());
        const QList<QPoint> spots{{10, 10},   {151, 25},  {80, 41},   {155, 25},
                                  {190, 219}, {190, 220}, {190, 221}, {190, 222}};
        QList<QColor> seen;
        for (const QPoint &spot : spots)
            seen << image.pixelColor(*origin + spot);
        const QColor pink(255, 128, 128), background(212, 208, 200), grey(128, 128, 128);
        QCOMPARE(seen, QList<QColor>({pink, Qt::black, Qt::black, background, background, grey,
                                      Qt::white, background}));

        // About again while it is open: the same box, in front.
        QVERIFY(askForAbout());
        QTRY_COMPARE_WITH_TIMEOUT(active(), *about, 5000);
        QCOMPARE(windows(x, u"--name"_s, title), QStringList{*about});

        // System Info, clicked in the middle of its button: the tool installed
        // here runs on its own, or the message shows over the box until OK.
        const QString tool = Larkspan::LinuxRegistry().installedTool().value_or(QString());
        qInfo("system information tool here: %s", tool.isEmpty() ? "none" : qPrintable(tool));
        x.xdotool({u"mousemove"_s, u"--window"_s, *about, u"325"_s, u"272"_s, u"click"_s, u"1"_s});
        if (tool.isEmpty())
            QTRY_COMPARE_WITH_TIMEOUT(programWindows().size(), 3, 5000);
        QTest::qWait(tool.isEmpty() ? 300 : 1500);
        QVERIFY(x.screenshot(XvfbSession::screenshotPath(u"about-sysinfo.png"_s)));
        if (tool.isEmpty())
            x.xdotool({u"key"_s, u"Return"_s});
        QTRY_COMPARE_WITH_TIMEOUT(programWindows().size(), 2, tool.isEmpty() ? 5000 : 0);
        QCOMPARE(windows(x, u"--name"_s, title), QStringList{*about});

        // Esc closes it from the System Info button; the main window stays.
        x.xdotool({u"windowactivate"_s, u"--sync"_s, *about});
        x.xdotool({u"key"_s, u"Escape"_s});
        QTRY_VERIFY_WITH_TIMEOUT(windows(x, u"--name"_s, title).isEmpty(), 5000);
        QCOMPARE(programWindows(), QStringList{*main});
    }
};

QTEST_GUILESS_MAIN(AboutWindowTest)
#include "tst_about_window.moc"
