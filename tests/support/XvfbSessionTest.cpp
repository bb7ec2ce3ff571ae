#include "XvfbSession.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRect>
#include <QTest>

#include <optional>

using namespace Qt::StringLiterals;
using Larkspan::Testing::XvfbSession;

namespace {

// Width and height from a PNG file's header.
std::optional<QSize> pngSize(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray head = file.read(24);
    if (head.size() < 24 || !head.startsWith("\x89PNG\r\n\x1a\n"))
        return std::nullopt;
    const auto be32 = [&head](int at) {
        return (quint32(quint8(head[at])) << 24) | (quint32(quint8(head[at + 1])) << 16)
               | (quint32(quint8(head[at + 2])) << 8) | quint32(quint8(head[at + 3]));
    };
    return QSize(int(be32(16)), int(be32(20)));
}

} // namespace

class XvfbSessionTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void displayAndWindowManager_data();
    void displayAndWindowManager();
    void windowsCanBeFoundPlacedAndPictured();
    void missingWindowTimesOut();
    void everythingEndsWithTheSession();
};

void XvfbSessionTest::displayAndWindowManager_data()
{
    QTest::addColumn<bool>("windowManager");
    QTest::newRow("Xvfb alone") << false;
    QTest::newRow("with openbox") << true;
}

void XvfbSessionTest::displayAndWindowManager()
{
    QFETCH(bool, windowManager);
    XvfbSession x(XvfbSession::Options{windowManager});
    QVERIFY2(x.isReady(), qPrintable(x.errorString()));
    QVERIFY(x.display().startsWith(u':'));
    QCOMPARE(x.environment().value(u"DISPLAY"_s), x.display());
    QVERIFY(QFileInfo(x.environment().value(u"XDG_RUNTIME_DIR"_s)).isDir());

    const XvfbSession::Result info = x.run(u"xdpyinfo"_s, {});
    QVERIFY(info.ok());
    QVERIFY(info.output.contains("1024x768 pixels"));
    const XvfbSession::Result wm = x.run(u"xprop"_s, {u"-root"_s, u"_NET_SUPPORTING_WM_CHECK"_s});
    QCOMPARE(wm.output.contains("window id #"), windowManager);
}

void XvfbSessionTest::windowsCanBeFoundPlacedAndPictured()
{
    XvfbSession x;
    QVERIFY2(x.isReady(), qPrintable(x.errorString()));
    x.launch(u"xmessage"_s, {u"-title"_s, u"Harness probe"_s, u"-geometry"_s, u"+200+150"_s,
                             u"hello"_s});
    const std::optional<QString> id = x.waitForWindow(u"^Harness probe$"_s);
    QVERIFY(id.has_value());

    // The client area sits where it was asked to, below openbox's title bar.
    const std::optional<QPoint> origin = x.windowOrigin(*id);
    QVERIFY(origin.has_value());
    QVERIFY2(origin->x() >= 200 && origin->x() < 220 && origin->y() > 150 && origin->y() < 200,
             qPrintable(u"%1,%2"_s.arg(origin->x()).arg(origin->y())));

    // xdotool reaches the same window.
    const XvfbSession::Result name = x.xdotool({u"getwindowname"_s, *id});
    QVERIFY(name.ok());
    QCOMPARE(name.output.trimmed(), QByteArray("Harness probe"));

    const QString shot = XvfbSession::screenshotPath(u"xvfb-session-harness.png"_s);
    QVERIFY(x.screenshot(shot));
    QCOMPARE(pngSize(shot), std::optional<QSize>(QSize(1024, 768)));
}

void XvfbSessionTest::missingWindowTimesOut()
{
    XvfbSession x(XvfbSession::Options{false});
    QVERIFY2(x.isReady(), qPrintable(x.errorString()));
    QDeadlineTimer bound(8000);
    QVERIFY(!x.waitForWindow(u"^No such window$"_s, 1000).has_value());
    QVERIFY(!bound.hasExpired());
}

void XvfbSessionTest::everythingEndsWithTheSession()
{
    QString display;
    qint64 launched = 0;
    {
        XvfbSession x(XvfbSession::Options{false});
        QVERIFY2(x.isReady(), qPrintable(x.errorString()));
        display = x.display();
        QProcess &sleeper = x.launch(u"sleep"_s, {u"600"_s});
        launched = sleeper.processId();
        QVERIFY(launched > 0);
    }
    QProcess probe;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"DISPLAY"_s, display);
    probe.setProcessEnvironment(env);
    probe.start(u"xdpyinfo"_s, {});
    QVERIFY(probe.waitForFinished(10000));
    QVERIFY(probe.exitCode() != 0);
    QVERIFY(!QFileInfo::exists(u"/proc/%1"_s.arg(launched)));
}

QTEST_GUILESS_MAIN(XvfbSessionTest)
#include "XvfbSessionTest.moc"
