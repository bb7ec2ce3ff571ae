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

bool makeFile(const QString &path, bool executable)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write("#!/bin/sh\n") > 0
           && (!executable || file.setPermissions(file.permissions() | QFileDevice::ExeOwner));
}

long openMsinfo(LinuxRegistry &registry, quint32 *key)
{
    return registry.regOpenKeyEx(Registry::localMachine, u"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"_s,
                                 0, Registry::queryValueSetValueAndMore, key);
}

} // namespace

class LinuxRegistryTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(makeFile(m_dir->filePath(u"t\u00ebst tool"_s), true));
        QVERIFY(makeFile(m_dir->filePath(u"plain"_s), false));
        QVERIFY(makeFile(m_dir->filePath(u"second"_s), true));
    }

    // "PATH" holds the first installed tool's path as NUL-terminated 8-bit
    // text; without one the key does not exist.
    void answersTheFirstInstalledTool_data()
    {
        QTest::addColumn<QStringList>("candidates"); // %1 stands for the folder
        QTest::addColumn<QString>("found");          // "" for none
        QTest::newRow("missing, not executable and folder skipped")
            << QStringList{u"%1/hardinfo2"_s, u"%1/plain"_s, u"%1"_s, u"%1/t\u00ebst tool"_s}
            << u"%1/t\u00ebst tool"_s;
        QTest::newRow("first installed wins") << QStringList{u"%1/second"_s, u"%1/plain"_s} << u"%1/second"_s;
        QTest::newRow("relative skipped, even when it exists here") << QStringList{u"second"_s} << QString();
    }

    void answersTheFirstInstalledTool()
    {
        QFETCH(QStringList, candidates);
        QFETCH(QString, found);
        for (QString &candidate : candidates)
            candidate.replace(u"%1"_s, m_dir->path());
        const QString savedDir = QDir::currentPath();
        QDir::setCurrent(m_dir->path());
        LinuxRegistry registry(candidates);
        quint32 key = 0;
        const long opened = openMsinfo(registry, &key);
        QDir::setCurrent(savedDir);
        QCOMPARE(opened, found.isEmpty() ? 2L : 0L);
        if (found.isEmpty())
            return;
        QByteArray buffer(1024, '\0');
        quint32 size = 1024;
        quint32 type = 0;
        QCOMPARE(registry.regQueryValueEx(key, u"PATH"_s, &type, &buffer, &size), 0L);
        QCOMPARE(type, Registry::typeString);
        QCOMPARE(buffer.left(size), QFile::encodeName(found.arg(m_dir->path())) + '\0');
    }

    void toolIsLookedForAtEveryOpen()
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

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

QTEST_GUILESS_MAIN(LinuxRegistryTest)
#include "LinuxRegistryTest.moc"
