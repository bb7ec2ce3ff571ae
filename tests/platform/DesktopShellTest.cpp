#include "HostileAddresses.h"

#include "platform/DesktopShell.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using Larkspan::DesktopShell;

// What reaches the real opener, hostile addresses included, is checked under
// Xvfb (OpenerXvfbTest); here: the scheme test and the program start.
class DesktopShellTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void hasScheme_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("scheme");
        QTest::newRow("upper case") << u"HTTP://example.org"_s << true;
        QTest::newRow("plus, dash, dot and digit") << u"svn+ssh-2.x://host/x"_s << true;
        QTest::newRow("dotted scheme, no port") << u"a.b:c"_s << true;
        QTest::newRow("no colon") << u"www.example.org"_s << false;
        QTest::newRow("drive letter") << u"C:\\x"_s << false;
        QTest::newRow("nothing before colon") << u":x"_s << false;
        QTest::newRow("leading dash") << u"-x:y"_s << false;
        QTest::newRow("non-ASCII letter") << u"j\u00f6rg:x"_s << false;
        QTest::newRow("host and port") << u"www.x.org:8080/a"_s << false;
        QTest::newRow("localhost and port") << u"LocalHost:8080"_s << false;
    }

    void hasScheme()
    {
        QFETCH(QString, file);
        QFETCH(bool, scheme);
        QCOMPARE(DesktopShell::hasScheme(file), scheme);
    }

    void plainWebArgumentIsWhatOpeningGives_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("common"); // the shortcut must answer it

        for (const HostileAddresses::Case &c : HostileAddresses::corpus())
            QTest::newRow(c.name) << c.file << false;
        const char *common[] = {
            "www.example.org", "example.org/a/b.html?q=1&r=two", "localhost", "a-b.c0.example/",
            "http://example.org", "https://www.example.org/", "http://h?x", "host/a@b:c",
            "https://x.example/!*()+,;=:@/?&a=+b!*()/?~._-", "http://h/a/../b/./c//d",
        };
        for (const char *file : common)
            QTest::newRow(file) << QString::fromLatin1(file) << true;
        // Shapes opening rewrites, which the shortcut must leave to it.
        const char *rewritten[] = {
            "HTTP://Example.org/", "www.EXAMPLE.org", "ftp.example.org/pub", "ftp",
            "192.168.0.1", "0x7f.1", "1.2", "xn--bcher-kva.example", "example.org:8080",
            "user@host.example", "host./x", "-host.example", "http://h/%41", "http://h/#top",
            "http://h/a b", "http://h/caf\u00e9", "https://", "http:host.example",
        };
        for (const char *file : rewritten)
            QTest::newRow(file) << QString::fromUtf8(file) << false;
    }

    // The shortcut the export takes must give the very bytes opening gives.
    void plainWebArgumentIsWhatOpeningGives()
    {
        QFETCH(QString, file);
        QFETCH(bool, common);

        const std::optional<QByteArray> plain = DesktopShell::plainWebArgument(file);
        QCOMPARE(plain.has_value() || !common, true);
        if (plain) {
            const std::optional<QUrl> url = DesktopShell::urlToOpen(file);
            QVERIFY(url);
            QCOMPARE(*plain, DesktopShell::encodedArgument(*url));
        }
    }

    void startProgram_data()
    {
        QTest::addColumn<QString>("name"); // script made in a temporary folder; "plain" is not executable
        QTest::addColumn<QString>("path"); // %1 stands for the folder
        QTest::addColumn<bool>("starts");
        QTest::newRow("hostile file name") << u"a b $(pwn);'q'`x`"_s << u"%1/a b $(pwn);'q'`x`"_s << true;
        QTest::newRow("relative name is not looked up") << u"tool"_s << u"tool"_s << false;
        QTest::newRow("NUL cuts nothing short") << u"tool"_s << u"%1/tool\u0000.txt"_s << false;
        QTest::newRow("not executable") << u"plain"_s << u"%1/plain"_s << false;
    }

    void startProgram()
    {
        QFETCH(QString, name);
        QFETCH(QString, path);
        QFETCH(bool, starts);
        QTemporaryDir dir;
        // The tool writes how many arguments it was given. Had a shell read the
        // hostile name, it would have run something else, and no marker appears.
        const QString marker = dir.filePath(u"ran"_s);
        QFile tool(dir.filePath(name));
        QVERIFY(tool.open(QIODevice::WriteOnly));
        tool.write("#!/bin/sh\necho $# > '" + QFile::encodeName(marker) + "'\n");
        tool.close();
        if (name != u"plain"_s)
            QVERIFY(tool.setPermissions(tool.permissions() | QFileDevice::ExeOwner));

        // The folder is the working directory and first on PATH: a program
        // that went looking for a relative name would find the tool.
        const QString savedDir = QDir::currentPath();
        const QByteArray savedPath = qgetenv("PATH");
        QDir::setCurrent(dir.path());
        qputenv("PATH", QFile::encodeName(dir.path()) + ':' + savedPath);
        const auto pid = DesktopShell::startProgram(path.contains(u"%1"_s) ? path.arg(dir.path()) : path, 3);
        QDir::setCurrent(savedDir);
        qputenv("PATH", savedPath);

        QCOMPARE(pid.ok(), starts);
        if (starts) {
            const auto ran = [&marker] {
                QFile file(marker);
                return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
            };
            QTRY_COMPARE_WITH_TIMEOUT(ran(), QByteArray("0\n"), 5000); // started with no arguments
        }
    }
};

QTEST_MAIN(DesktopShellTest)
#include "DesktopShellTest.moc"
