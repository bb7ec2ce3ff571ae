#include "platform/LinuxRegistry.h"
#include "platform/Registry.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using Larkspan::LinuxRegistry;
namespace Registry = Larkspan::Registry;

namespace {

const QString msinfo = u"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"_s;
constexpr quint32 askedAccess = Registry::queryValueSetValueAndMore;

bool makeFile(const QString &path, bool executable)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write("#!/bin/sh\n");
    file.close();
    return !executable || file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
}

} // namespace

class LinuxRegistryTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void findsFirstInstalledTool_data();
    void findsFirstInstalledTool();
    void answersThePathAlone();
    void toolIsLookedForAtEveryOpen();

private:
    static long openMsinfo(LinuxRegistry &registry, quint32 *key)
    {
        return registry.regOpenKeyEx(Registry::localMachine, msinfo, 0, askedAccess, key);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_tool;
};

void LinuxRegistryTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_tool = m_dir->filePath(u"t\u00ebst tool"_s);
    QVERIFY(makeFile(m_tool, true));
    QVERIFY(makeFile(m_dir->filePath(u"plain"_s), false));
    QVERIFY(makeFile(m_dir->filePath(u"second"_s), true));
}

void LinuxRegistryTest::findsFirstInstalledTool_data()
{
    QTest::addColumn<QStringList>("candidates"); // %1 stands for the folder
    QTest::addColumn<QString>("found");          // "" for none

    QTest::newRow("missing, not executable and folder skipped")
        << QStringList{u"%1/hardinfo2"_s, u"%1/plain"_s, u"%1"_s, u"%1/t\u00ebst tool"_s}
        << u"%1/t\u00ebst tool"_s;
    QTest::newRow("first installed wins")
        << QStringList{u"%1/second"_s, u"%1/t\u00ebst tool"_s} << u"%1/second"_s;
    QTest::newRow("relative skipped, even when it exists here")
        << QStringList{u"t\u00ebst tool"_s} << QString();
}

void LinuxRegistryTest::findsFirstInstalledTool()
{
    QFETCH(QStringList, candidates);
    QFETCH(QString, found);

    for (QString &candidate : candidates) {
        if (candidate.contains(u"%1"_s))
            candidate = candidate.arg(m_dir->path());
    }
    const QString savedDir = QDir::currentPath();
    QDir::setCurrent(m_dir->path());
    const std::optional<QString> tool = LinuxRegistry(candidates).installedTool();
    QDir::setCurrent(savedDir);

    QCOMPARE(tool.value_or(QString()), found.isEmpty() ? found : found.arg(m_dir->path()));
}

// "PATH" holds the tool's path as NUL-terminated 8-bit text; nothing else is
// there, the second key never exists, and a closed handle answers nothing.
void LinuxRegistryTest::answersThePathAlone()
{
    LinuxRegistry registry({m_tool});
    quint32 key = 0;
    QCOMPARE(registry.regOpenKeyEx(Registry::localMachine, u"SOFTWARE\\Microsoft\\Shared Tools Location"_s,
                                   0, askedAccess, &key),
             2L);
    QCOMPARE(openMsinfo(registry, &key), 0L);
    const QByteArray expected = QFile::encodeName(m_tool) + '\0';
    QByteArray buffer(1024, '\0');
    quint32 size = 1024;
    quint32 type = 0;
    QCOMPARE(registry.regQueryValueEx(key, u"PATH"_s, &type, &buffer, &size), 0L);
    QCOMPARE(type, Registry::typeString);
    QCOMPARE(buffer.left(size), expected);
    size = 1024;
    QCOMPARE(registry.regQueryValueEx(key, u"MSINFO"_s, &type, &buffer, &size), 2L);

    QCOMPARE(registry.regCloseKey(key), 0L);
    QCOMPARE(registry.regQueryValueEx(key, u"PATH"_s, &type, &buffer, &size), 6L);
}

void LinuxRegistryTest::toolIsLookedForAtEveryOpen()
{
    const QString later = m_dir->filePath(u"later"_s);
    LinuxRegistry registry({later});
    quint32 key = 0;
    QCOMPARE(openMsinfo(registry, &key), 2L);
    QVERIFY(makeFile(later, true));
    QCOMPARE(openMsinfo(registry, &key), 0L);
    QCOMPARE(registry.regCloseKey(key), 0L);
    QVERIFY(QFile::remove(later));
    QCOMPARE(openMsinfo(registry, &key), 2L);
}

QTEST_GUILESS_MAIN(LinuxRegistryTest)
#include "LinuxRegistryTest.moc"
