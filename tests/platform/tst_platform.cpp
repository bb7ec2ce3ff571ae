// The seam's own pieces: the scheme test and the program start of the
// desktop shell (what reaches the real opener is checked under Xvfb), and
// the registry stand-in that answers where the System Info tool is.
#include "HostileAddresses.h"
#include "TestFiles.h"

#include "platform/ShellUrl.h"
#include "platform/desktop/DesktopShell.h"
#include "platform/LinuxRegistry.h"
#include "platform/Registry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace Larkspan;
using namespace Larkspan::Testing;

namespace {

// Leaves a record of how many arguments it was started with.
const QByteArray script = "#!/bin/sh\necho $# > \"$0.ran\"\n";

} // namespace

class PlatformTest : public QObject
{
    Q_OBJECT

    // Where a program looking for a relative name would find it: the
    // working directory, first on PATH as well, holding a hostile name that
    // runs.
    QTemporaryDir m_dir;
    const QString m_hostile = u"a b $(pwn);'q'`x`"_s;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(writeFile(m_dir.filePath(m_hostile), script, QFile::ExeOwner)
                && writeFile(m_dir.filePath(u"plain"_s), script));
        QDir::setCurrent(m_dir.path());
        qputenv("PATH", QFile::encodeName(m_dir.path()) + ':' + qgetenv("PATH"));
    }

    void hasScheme_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("scheme");
        for (const auto &[tag, file, scheme] :
             {std::tuple {"upper case", u"HTTP://example.org"_s, true},
              {"plus, dash, dot and digit", u"svn+ssh-2.x://host/x"_s, true},
              {"drive letter", u"C:\\x"_s, false},
              {"leading dash", u"-x:y"_s, false},
              {"non-ASCII letter", u"j\u00f6rg:x"_s, false},
              {"host and port", u"www.x.org:80/a"_s, false}})
            QTest::newRow(tag) << file << scheme;
    }

    void hasScheme()
    {
        QFETCH(QString, file);
        QFETCH(bool, scheme);
        QCOMPARE(ShellUrl::hasScheme(file), scheme);
    }

    // The shortcut the export takes gives the very bytes opening gives, and
    // answers the common shapes; anything opening rewrites is left to it.
    void plainWebArgumentIsWhatOpeningGives_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("common");
        for (const HostileAddresses::Case &c : HostileAddresses::corpus())
            QTest::newRow(c.name) << c.file << false;
        for (const char *file : {"www.example.org", "example.org/a/b.html?q=1&r=two", "http://h?x",
                                 "https://x.example/!*()+,;=:@/?&a=+b!*()/?~._-"})
            QTest::newRow(file) << QString::fromLatin1(file) << true;
        for (const char *file :
             {"HTTP://Example.org/", "www.EXAMPLE.org", "0x7f.1", "example.org:8080",
              "user@host.example", "http://h/%41", "http://h/caf\u00e9", "https://"})
            QTest::newRow(file) << QString::fromUtf8(file) << false;
    }

    void plainWebArgumentIsWhatOpeningGives()
    {
        QFETCH(QString, file);
        QFETCH(bool, common);
        const std::optional<QByteArray> plain = ShellUrl::plainWebArgument(file);
        QVERIFY(plain.has_value() || !common);
        if (plain)
            QCOMPARE(*plain, ShellUrl::encodedArgument(ShellUrl::urlToOpen(file).value()));
    }

    // "PATH" holds the first installed tool's path as NUL-terminated 8-bit
    // text; without one the key does not exist. The tool is looked for at
    // every open, and neither a folder, nor a file that cannot run, nor a
    // relative name (here one that would be found) is taken for it, nor
    // started. Its hostile name starts it with no arguments, read by no
    // shell (a shell would have run something else: no record appears).
    void answersAndStartsTheFirstInstalledTool()
    {
        const QString tool = m_dir.filePath(u"t\u00ebst "_s + m_hostile);
        LinuxRegistry registry({m_dir.filePath(u"missing"_s), m_dir.filePath(u"plain"_s),
                                m_dir.path(), m_hostile, tool});
        quint32 key = 0;
        const auto openMsinfo = [&registry, &key] {
            return registry.regOpenKeyEx(Registry::localMachine,
                                         u"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"_s, 0,
                                         Registry::queryValueSetValueAndMore, &key);
        };
        QCOMPARE(openMsinfo(), 2L);
        QVERIFY(writeFile(tool, script, QFile::ExeOwner));
        QCOMPARE(openMsinfo(), 0L);
        QByteArray buffer(1024, '\0');
        quint32 size = 1024;
        quint32 type = 0;
        QCOMPARE(registry.regQueryValueEx(key, u"PATH"_s, &type, &buffer, &size), 0L);
        QCOMPARE(buffer.left(size), QFile::encodeName(tool) + '\0');
        QCOMPARE(registry.regCloseKey(key), 0L);
        QVERIFY(!DesktopShell::startProgram(m_hostile, 3).ok());
        QVERIFY(!DesktopShell::startProgram(m_dir.filePath(u"plain"_s), 3).ok());
        QVERIFY(DesktopShell::startProgram(tool, 3).ok());
        QTRY_COMPARE_WITH_TIMEOUT(readFile(tool + u".ran"_s), "0\n"_ba, 5000);
        QVERIFY(QFile::remove(tool));
        QCOMPARE(openMsinfo(), 2L);
    }
};

QTEST_MAIN(PlatformTest)
#include "tst_platform.moc"
