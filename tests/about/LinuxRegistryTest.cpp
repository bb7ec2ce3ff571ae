#include "about/LinuxRegistry.h"
#include "about/Registry.h"

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
    void openAnswers_data();
    void openAnswers();
    void queryAnswers_data();
    void queryAnswers();
    void closeAnswers();
    void toolIsLookedForAtEveryOpen();
    void defaultCandidatesAreAbsolute();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_tool;
};

void LinuxRegistryTest::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_tool = m_dir->filePath(u"t\u00ebst tool"_s);
    QVERIFY(makeFile(m_tool, true));
}

void LinuxRegistryTest::findsFirstInstalledTool_data()
{
    QTest::addColumn<QStringList>("candidates"); // %1 stands for the folder
    QTest::addColumn<QString>("found");          // "" for none

    QTest::newRow("one installed") << QStringList{u"%1/t\u00ebst tool"_s} << u"%1/t\u00ebst tool"_s;
    QTest::newRow("missing ones skipped")
        << QStringList{u"%1/hardinfo2"_s, u"%1/t\u00ebst tool"_s} << u"%1/t\u00ebst tool"_s;
    QTest::newRow("not executable skipped")
        << QStringList{u"%1/plain"_s, u"%1/t\u00ebst tool"_s} << u"%1/t\u00ebst tool"_s;
    QTest::newRow("folder skipped") << QStringList{u"%1"_s, u"%1/t\u00ebst tool"_s} << u"%1/t\u00ebst tool"_s;
    QTest::newRow("relative skipped, even when it exists here")
        << QStringList{u"t\u00ebst tool"_s} << QString();
    QTest::newRow("none installed") << QStringList{u"%1/hardinfo"_s, u"%1/plain"_s} << QString();
    QTest::newRow("no candidates") << QStringList() << QString();
    QTest::newRow("first installed wins")
        << QStringList{u"%1/second"_s, u"%1/t\u00ebst tool"_s} << u"%1/second"_s;
}

void LinuxRegistryTest::findsFirstInstalledTool()
{
    QFETCH(QStringList, candidates);
    QFETCH(QString, found);

    QVERIFY(makeFile(m_dir->filePath(u"plain"_s), false));
    QVERIFY(makeFile(m_dir->filePath(u"second"_s), true));
    for (QString &candidate : candidates) {
        if (candidate.contains(u"%1"_s))
            candidate = candidate.arg(m_dir->path());
    }
    const QString savedDir = QDir::currentPath();
    QDir::setCurrent(m_dir->path());
    const LinuxRegistry registry(candidates);
    const std::optional<QString> tool = registry.installedTool();
    QDir::setCurrent(savedDir);

    QCOMPARE(tool.value_or(QString()), found.isEmpty() ? found : found.arg(m_dir->path()));
}

void LinuxRegistryTest::openAnswers_data()
{
    QTest::addColumn<bool>("installed");
    QTest::addColumn<quint32>("root");
    QTest::addColumn<QString>("subKey");
    QTest::addColumn<quint32>("options");
    QTest::addColumn<quint32>("access");
    QTest::addColumn<long>("status");

    const quint32 hklm = Registry::localMachine;
    QTest::newRow("tool installed") << true << hklm << msinfo << 0u << askedAccess << 0L;
    QTest::newRow("no tool: no key") << false << hklm << msinfo << 0u << askedAccess << 2L;
    QTest::newRow("case does not matter")
        << true << hklm << u"software\\MICROSOFT\\shared tools\\msinfo"_s << 0u << askedAccess << 0L;
    QTest::newRow("read rights only") << true << hklm << msinfo << 0u << 0x20019u << 0L;
    QTest::newRow("second key never exists")
        << true << hklm << u"SOFTWARE\\Microsoft\\Shared Tools Location"_s << 0u << askedAccess << 2L;
    QTest::newRow("below the key") << true << hklm << msinfo + u"\\More"_s << 0u << askedAccess << 2L;
    QTest::newRow("another root") << true << Registry::currentUser << msinfo << 0u << askedAccess << 2L;
    QTest::newRow("not a handle") << true << 0x1234u << msinfo << 0u << askedAccess << 6L;
    QTest::newRow("unknown option") << true << hklm << msinfo << 1u << askedAccess << 87L;
    QTest::newRow("not a key right") << true << hklm << msinfo << 0u << 0x00100000u << 87L;
}

void LinuxRegistryTest::openAnswers()
{
    QFETCH(bool, installed);
    QFETCH(quint32, root);
    QFETCH(QString, subKey);
    QFETCH(quint32, options);
    QFETCH(quint32, access);
    QFETCH(long, status);

    LinuxRegistry registry(installed ? QStringList{m_tool} : QStringList());
    quint32 key = 0;
    QCOMPARE(registry.regOpenKeyEx(root, subKey, options, access, &key), status);
    QCOMPARE(key != 0, status == 0);
    // Nowhere to put the handle: refused before anything else.
    QCOMPARE(registry.regOpenKeyEx(root, subKey, options, access, nullptr), Registry::invalidParameter);
}

void LinuxRegistryTest::queryAnswers_data()
{
    QTest::addColumn<QString>("valueName");
    QTest::addColumn<int>("room");       // bytes offered; -1: no buffer at all
    QTest::addColumn<long>("status");
    QTest::addColumn<bool>("filled");

    QTest::newRow("PATH into 1024 bytes") << u"PATH"_s << 1024 << 0L << true;
    QTest::newRow("value name in any case") << u"path"_s << 1024 << 0L << true;
    QTest::newRow("no such value") << u"MSINFO"_s << 1024 << 2L << false;
    QTest::newRow("size asked without buffer") << u"PATH"_s << -1 << 0L << false;
    QTest::newRow("one byte short") << u"PATH"_s << -2 << 234L << false;
}

void LinuxRegistryTest::queryAnswers()
{
    QFETCH(QString, valueName);
    QFETCH(int, room);
    QFETCH(long, status);
    QFETCH(bool, filled);

    const QByteArray expected = QFile::encodeName(m_tool) + '\0';
    if (room == -2)
        room = int(expected.size()) - 1;

    LinuxRegistry registry({m_tool});
    quint32 key = 0;
    QCOMPARE(registry.regOpenKeyEx(Registry::localMachine, msinfo, 0, askedAccess, &key), 0L);

    QByteArray buffer(room < 0 ? 0 : room, '\0');
    quint32 size = room < 0 ? 0 : quint32(room);
    quint32 type = 0;
    QCOMPARE(registry.regQueryValueEx(key, valueName, &type, room == -1 ? nullptr : &buffer, &size),
             status);
    if (status != Registry::fileNotFound) {
        QCOMPARE(type, Registry::typeString);
        QCOMPARE(size, quint32(expected.size())); // what the value needs, also when it did not fit
    }
    if (filled)
        QCOMPARE(buffer.left(expected.size()), expected);
    else
        QCOMPARE(buffer, QByteArray(room < 0 ? 0 : room, '\0'));
    QCOMPARE(registry.regCloseKey(key), 0L);
}

void LinuxRegistryTest::closeAnswers()
{
    LinuxRegistry registry({m_tool});
    quint32 first = 0;
    quint32 second = 0;
    QCOMPARE(registry.regOpenKeyEx(Registry::localMachine, msinfo, 0, askedAccess, &first), 0L);
    QCOMPARE(registry.regOpenKeyEx(Registry::localMachine, msinfo, 0, askedAccess, &second), 0L);
    QVERIFY(first != second);
    QCOMPARE(registry.regCloseKey(first), 0L);
    QCOMPARE(registry.regCloseKey(first), 6L);
    quint32 type = 0;
    quint32 size = 0;
    QCOMPARE(registry.regQueryValueEx(first, u"PATH"_s, &type, nullptr, &size), 6L);
    QCOMPARE(registry.regQueryValueEx(second, u"PATH"_s, &type, nullptr, &size), 0L);
    QCOMPARE(registry.regCloseKey(second), 0L);
    QCOMPARE(registry.regCloseKey(0), 6L);
    QCOMPARE(registry.regCloseKey(Registry::localMachine), 0L);
}

void LinuxRegistryTest::toolIsLookedForAtEveryOpen()
{
    const QString later = m_dir->filePath(u"later"_s);
    LinuxRegistry registry({later});
    quint32 key = 0;
    QCOMPARE(registry.regOpenKeyEx(Registry::localMachine, msinfo, 0, askedAccess, &key), 2L);

    QVERIFY(makeFile(later, true));
    QCOMPARE(registry.regOpenKeyEx(Registry::localMachine, msinfo, 0, askedAccess, &key), 0L);
    QCOMPARE(registry.regCloseKey(key), 0L);

    QVERIFY(QFile::remove(later));
    QCOMPARE(registry.regOpenKeyEx(Registry::localMachine, msinfo, 0, askedAccess, &key), 2L);
}

void LinuxRegistryTest::defaultCandidatesAreAbsolute()
{
    const QStringList candidates = LinuxRegistry::defaultCandidates();
    QVERIFY(!candidates.isEmpty());
    for (const QString &candidate : candidates)
        QVERIFY2(QDir::isAbsolutePath(candidate), qPrintable(candidate));
}

QTEST_GUILESS_MAIN(LinuxRegistryTest)
#include "LinuxRegistryTest.moc"
