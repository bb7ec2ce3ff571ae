#include "HostileAddresses.h"
#include "launcher/DesktopShell.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using Larkspan::DesktopShell;

// Receives what QDesktopServices would hand to the desktop.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public Q_SLOTS:
    void open(const QUrl &url) { urls.append(url); }
};

class DesktopShellTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void hasScheme_data();
    void hasScheme();
    void argumentForFile_data();
    void argumentForFile();
    void argumentIsInert_data();
    void argumentIsInert();
    void shellExecuteHandsOverOneUrl_data();
    void shellExecuteHandsOverOneUrl();
    void startProgram_data();
    void startProgram();
};

void DesktopShellTest::hasScheme_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("scheme");

    QTest::newRow("mailto") << u"mailto:x@y"_s << true;
    QTest::newRow("mailto alone") << u"mailto:"_s << true;
    QTest::newRow("http") << u"http://example.org"_s << true;
    QTest::newRow("upper case") << u"HTTP://example.org"_s << true;
    QTest::newRow("plus and dash") << u"svn+ssh://host/x"_s << true;
    QTest::newRow("unknown scheme") << u"foo:bar"_s << true;
    QTest::newRow("number after plain scheme") << u"tel:0123456"_s << true;
    QTest::newRow("dotted scheme, no port") << u"a.b:c"_s << true;
    QTest::newRow("bare host") << u"www.example.org"_s << false;
    QTest::newRow("drive letter") << u"C:\\x"_s << false;
    QTest::newRow("drive letter, slash") << u"c:/x"_s << false;
    QTest::newRow("leading dash") << u"-x:y"_s << false;
    QTest::newRow("leading digit") << u"1x:y"_s << false;
    QTest::newRow("nothing before colon") << u":x"_s << false;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("leading space") << u" http://x"_s << false;
    QTest::newRow("space inside") << u"ht tp://x"_s << false;
    QTest::newRow("at before colon") << u"a@b:c"_s << false;
    QTest::newRow("non-ASCII letter") << u"j\u00f6rg:x"_s << false;
    QTest::newRow("host and port") << u"www.x.org:8080"_s << false;
    QTest::newRow("host, port and path") << u"www.x.org:8080/a"_s << false;
    QTest::newRow("localhost and port") << u"localhost:8080"_s << false;
    QTest::newRow("localhost, no port") << u"localhost:x"_s << true;
}

void DesktopShellTest::hasScheme()
{
    QFETCH(QString, file);
    QFETCH(bool, scheme);
    QCOMPARE(DesktopShell::hasScheme(file), scheme);
}

void DesktopShellTest::argumentForFile_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("argument");
    for (const HostileAddresses::Case &c : HostileAddresses::corpus())
        QTest::newRow(c.name) << c.file << c.argument;
}

void DesktopShellTest::argumentForFile()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, argument);

    const std::optional<QUrl> url = DesktopShell::urlToOpen(file);
    QCOMPARE(url.has_value(), !argument.isEmpty());
    if (url)
        QCOMPARE(DesktopShell::encodedArgument(*url), argument);
}

void DesktopShellTest::argumentIsInert_data()
{
    argumentForFile_data();
}

// Whatever comes out is one printable word that no shell would expand or
// unquote, that no opener takes for an option, and that names the same
// address the user stored.
void DesktopShellTest::argumentIsInert()
{
    QFETCH(QString, file);

    const std::optional<QUrl> url = DesktopShell::urlToOpen(file);
    if (!url)
        return;
    const QByteArray argument = DesktopShell::encodedArgument(*url);
    QVERIFY(!argument.isEmpty());
    QVERIFY2(std::isalpha(static_cast<unsigned char>(argument.front())), argument.left(40).constData());
    for (const char c : argument) {
        QVERIFY2(c > ' ' && c < '\x7f', argument.left(40).constData());
        QVERIFY2(!QByteArrayView("$`\"\\'").contains(c), argument.left(40).constData());
    }
    if (DesktopShell::hasScheme(file)) {
        // Decoded, the argument reads as the stored address does.
        const QUrl stored(file, QUrl::TolerantMode);
        QCOMPARE(QUrl::fromPercentEncoding(argument), QUrl::fromPercentEncoding(stored.toEncoded()));
    }
}

void DesktopShellTest::shellExecuteHandsOverOneUrl_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("argument");
    QTest::addColumn<qintptr>("result");

    QTest::newRow("mail") << u"mailto:a@example.org"_s << QByteArray("mailto:a@example.org") << qintptr(42);
    QTest::newRow("bare web") << u"www.example.org"_s << QByteArray("http://www.example.org") << qintptr(42);
    QTest::newRow("hostile") << u"http://x/$(pwn) `pwn`"_s << QByteArray("http://x/%24(pwn)%20%60pwn%60")
                             << qintptr(42);
    QTest::newRow("leading dash: nothing") << u"-x"_s << QByteArray() << qintptr(2);
    QTest::newRow("drive path: nothing") << u"C:\\program files\\x.exe"_s << QByteArray() << qintptr(2);
    QTest::newRow("no handler for scheme") << u"foo:bar"_s << QByteArray() << qintptr(2);
}

void DesktopShellTest::shellExecuteHandsOverOneUrl()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, argument);
    QFETCH(qintptr, result);

    // The catcher stands in for the desktop's handlers of these schemes;
    // any other scheme reaches the platform, which opens nothing here.
    UrlCatcher catcher;
    for (const QString &scheme : {u"mailto"_s, u"http"_s})
        QDesktopServices::setUrlHandler(scheme, &catcher, "open");

    QCOMPARE(DesktopShell::shellExecute(7, u"print"_s, file, u"--evil"_s, u"C:\\"_s, 3), result);
    QCOMPARE(catcher.urls.size(), argument.isEmpty() ? 0 : 1);
    if (!argument.isEmpty())
        QCOMPARE(catcher.urls.first().toEncoded(), argument);

    for (const QString &scheme : {u"mailto"_s, u"http"_s})
        QDesktopServices::unsetUrlHandler(scheme);
}

void DesktopShellTest::startProgram_data()
{
    QTest::addColumn<QString>("name");      // file made in a temporary folder, "" for none
    QTest::addColumn<QString>("path");      // %1 stands for the folder
    QTest::addColumn<bool>("executable");
    QTest::addColumn<bool>("starts");

    QTest::newRow("absolute") << u"tool"_s << u"%1/tool"_s << true << true;
    QTest::newRow("hostile file name") << u"a b $(pwn);'q'`x`"_s << u"%1/a b $(pwn);'q'`x`"_s
                                       << true << true;
    QTest::newRow("leading dash") << u"-x"_s << u"%1/-x"_s << true << true;
    QTest::newRow("relative name is not looked up") << u"tool"_s << u"tool"_s << true << false;
    QTest::newRow("dot relative") << u"tool"_s << u"./tool"_s << true << false;
    QTest::newRow("browser path of Windows") << QString()
        << u"C:\\program files\\internet explorer\\Iexplore.exe"_s << true << false;
    QTest::newRow("missing") << QString() << u"%1/missing"_s << true << false;
    QTest::newRow("not executable") << u"plain"_s << u"%1/plain"_s << false << false;
    QTest::newRow("folder") << QString() << u"%1"_s << true << false;
    QTest::newRow("NUL cuts nothing short") << u"tool"_s << u"%1/tool\u0000.txt"_s << true << false;
    QTest::newRow("empty") << QString() << QString() << true << false;
}

void DesktopShellTest::startProgram()
{
    QFETCH(QString, name);
    QFETCH(QString, path);
    QFETCH(bool, executable);
    QFETCH(bool, starts);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString marker = dir.filePath(u"ran"_s);
    // "pwn" would leave a trace if anything read the file name as a command.
    const QString canary = dir.filePath(u"canary"_s);
    QFile pwn(dir.filePath(u"pwn"_s));
    QVERIFY(pwn.open(QIODevice::WriteOnly));
    pwn.write("#!/bin/sh\ntouch '" + QFile::encodeName(canary) + "'\n");
    pwn.close();
    pwn.setPermissions(pwn.permissions() | QFileDevice::ExeOwner);

    if (!name.isEmpty()) {
        QFile tool(dir.filePath(name));
        QVERIFY(tool.open(QIODevice::WriteOnly));
        // Writes the number of arguments it was given.
        tool.write("#!/bin/sh\necho $# > '" + QFile::encodeName(marker) + "'\n");
        tool.close();
        if (executable)
            tool.setPermissions(tool.permissions() | QFileDevice::ExeOwner);
    }

    // The folder is the working directory and first on PATH: a program
    // that went looking for a relative name would find the tool.
    const QString savedDir = QDir::currentPath();
    const QByteArray savedPath = qgetenv("PATH");
    QDir::setCurrent(dir.path());
    qputenv("PATH", QFile::encodeName(dir.path()) + ':' + savedPath);
    const std::optional<qint64> pid =
        DesktopShell::startProgram(path.contains(u"%1"_s) ? path.arg(dir.path()) : path, 3);
    QDir::setCurrent(savedDir);
    qputenv("PATH", savedPath);

    QCOMPARE(pid.has_value(), starts);
    if (starts) {
        QVERIFY(*pid > 0);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), 5000);
        const auto contents = [&marker] {
            QFile ran(marker);
            return ran.open(QIODevice::ReadOnly) ? ran.readAll() : QByteArray();
        };
        QTRY_COMPARE(contents(), QByteArray("0\n")); // started with no arguments
    } else {
        QTest::qWait(100);
        QVERIFY(!QFile::exists(marker));
    }
    QVERIFY(!QFile::exists(canary));
}

QTEST_MAIN(DesktopShellTest)
#include "DesktopShellTest.moc"
