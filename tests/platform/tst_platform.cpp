// The seam's own pieces: the scheme test and the program start of the
// desktop shell (what reaches the real opener is checked under Xvfb), and
// the registry stand-in that answers where the System Info tool is.
#include "HostileAddresses.h"

#include "platform/DesktopShell.h"
#include "platform/LinuxRegistry.h"
#include "platform/Registry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace Larkspan;

namespace {

bool makeFile(const QString &path, bool executable)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("#!/bin/sh\necho $# > \"$0.ran\"\n") > 0
        && (!executable || file.setPermissions(file.permissions() | QFileDevice::ExeOwner));
}

long openMsinfo(LinuxRegistry &registry, quint32 *key)
{
    return registry.regOpenKeyEx(Registry::localMachine, u"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"_s,
                                 0, Registry::queryValueSetValueAndMore, key);
}

} // namespace

class PlatformTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void hasScheme_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("scheme");
        QTest::newRow("upper case") << u"HTTP://example.org"_s << true;
        QTest::newRow("plus, dash, dot and digit") << u"svn+ssh-2.x://host/x"_s << true;
        QTest::newRow("drive letter") << u"C:\\x"_s << false;
        QTest::newRow("leading dash") << u"-x:y"_s << false;
        QTest::newRow("non-ASCII letter") << u"j\u00f6rg:x"_s << false;
        QTest::newRow("host and port") << u"www.x.org:8080/a"_s << false;
    }

    void hasScheme()
    {
        QFETCH(QString, file);
        QFETCH(bool, scheme);
        QCOMPARE(DesktopShell::hasScheme(file), scheme);
    }

    // The folder is the working directory and first on PATH, where a program
    // looking for a relative name would find the tool. Had a shell read the
    // hostile name, something else would have run: no record appears.
    // The shortcut the export takes gives the very bytes opening gives, and
    // answers the common shapes; anything opening rewrites is left to it.
    void plainWebArgumentIsWhatOpeningGives_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("common");
        for (const HostileAddresses::Case &c : HostileAddresses::corpus())
            QTest::newRow(c.name) << c.file << false;
        for (const char *file : {"www.example.org", "example.org/a/b.html?q=1&r=two", "localhost",
                                 "http://example.org", "https://www.example.org/", "http://h?x",
                                 "host/a@b:c", "https://x.example/!*()+,;=:@/?&a=+b!*()/?~._-"})
            QTest::newRow(file) << QString::fromLatin1(file) << true;
        for (const char *file : {"HTTP://Example.org/", "www.EXAMPLE.org", "ftp.example.org/pub",
                                 "192.168.0.1", "0x7f.1", "xn--bcher-kva.example", "example.org:8080",
                                 "user@host.example", "host./x", "http://h/%41", "http://h/#top",
                                 "http://h/a b", "http://h/caf\u00e9", "https://", "http:host.example"})
            QTest::newRow(file) << QString::fromUtf8(file) << false;
    }

    void plainWebArgumentIsWhatOpeningGives()
    {
        QFETCH(QString, file);
        QFETCH(bool, common);
        const std::optional<QByteArray> plain = DesktopShell::plainWebArgument(file);
        QVERIFY(plain.has_value() || !common);
        if (plain) {
            const std::optional<QUrl> url = DesktopShell::urlToOpen(file);
            QVERIFY(url);
            QCOMPARE(*plain, DesktopShell::encodedArgument(*url));
        }
    }

    void startProgram_data()
    {
        QTest::addColumn<QString>("path"); // %1 stands for the folder
        QTest::addColumn<bool>("starts");
        QTest::newRow("hostile file name") << u"%1/a b $(pwn);'q'`x`"_s << true;
        QTest::newRow("relative name is not looked up") << u"a b $(pwn);'q'`x`"_s << false;
        QTest::newRow("not executable") << u"%1/plain"_s << false;
    }

    void startProgram()
    {
        QFETCH(QString, path);
        QFETCH(bool, starts);
        QTemporaryDir dir;
        const QString tool = dir.filePath(u"a b $(pwn);'q'`x`"_s);
        QVERIFY(makeFile(tool, true) && makeFile(dir.filePath(u"plain"_s), false));
        const QString savedDir = QDir::currentPath();
        const QByteArray savedPath = qgetenv("PATH");
        QDir::setCurrent(dir.path());
        qputenv("PATH", QFile::encodeName(dir.path()) + ':' + savedPath);
        QCOMPARE(DesktopShell::startProgram(path.contains(u"%1"_s) ? path.arg(dir.path()) : path, 3).ok(),
                 starts);
        QDir::setCurrent(savedDir);
        qputenv("PATH", savedPath);
        const auto ran = [&tool] {
            QFile record(tool + u".ran"_s);
            return record.open(QIODevice::ReadOnly) ? record.readAll() : QByteArray();
        };
        if (starts) // with no arguments
            QTRY_COMPARE_WITH_TIMEOUT(ran(), QByteArray("0\n"), 5000);
    }

    // "PATH" holds the first installed tool's path as NUL-terminated 8-bit
    // text; without one the key does not exist. The tool is looked for at
    // every open, and neither a folder, nor a file that cannot run, nor a
    // relative name (here one that would be found) is taken for it.
    void answersTheFirstInstalledTool()
    {
        QTemporaryDir dir;
        const QString later = dir.filePath(u"t\u00ebst tool"_s);
        QVERIFY(makeFile(dir.filePath(u"plain"_s), false) && makeFile(dir.filePath(u"here"_s), true));
        const QString savedDir = QDir::currentPath();
        QDir::setCurrent(dir.path());
        LinuxRegistry registry({dir.filePath(u"missing"_s), dir.filePath(u"plain"_s), dir.path(),
                                u"here"_s, later});
        quint32 key = 0;
        QCOMPARE(openMsinfo(registry, &key), 2L);
        QVERIFY(makeFile(later, true));
        QCOMPARE(openMsinfo(registry, &key), 0L);
        QDir::setCurrent(savedDir);
        QByteArray buffer(1024, '\0');
        quint32 size = 1024;
        quint32 type = 0;
        QCOMPARE(registry.regQueryValueEx(key, u"PATH"_s, &type, &buffer, &size), 0L);
        QCOMPARE(buffer.left(size), QFile::encodeName(later) + '\0');
        QCOMPARE(registry.regCloseKey(key), 0L);
        QVERIFY(QFile::remove(later));
        QCOMPARE(openMsinfo(registry, &key), 2L);
    }
};

QTEST_MAIN(PlatformTest)
#include "tst_platform.moc"
