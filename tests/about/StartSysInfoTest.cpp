#include "RecordingPlatform.h"
#include "about/SystemInfo.h"
#include "platform/Registry.h"

#include <QTest>

using namespace Qt::StringLiterals;
using Larkspan::Testing::RecordingPlatform;
namespace Registry = Larkspan::Registry;
namespace SystemInfo = Larkspan::SystemInfo;

namespace {

const QString firstKey = u"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"_s;
const QString secondKey = u"SOFTWARE\\Microsoft\\Shared Tools Location"_s;
const QString unavailable = u"messageBox(\"System Information Is Unavailable At This Time\")"_s;
// Stands in the expected calls for the lookup of the second key.
const QString secondLookup = u"second key looked up"_s;

enum class File { Absent, Present, Malformed };

QString start(const QString &path)
{
    return u"startProgram(\"%1\", 1)"_s.arg(path);
}

QString fileTest(const QString &path)
{
    return u"fileName(\"%1\")"_s.arg(path);
}

} // namespace

Q_DECLARE_METATYPE(File)

class StartSysInfoTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void startsToolOrSaysUnavailable_data();
    void startsToolOrSaysUnavailable();
};

void StartSysInfoTest::startsToolOrSaysUnavailable_data()
{
    QTest::addColumn<QByteArray>("first");  // the string under the first key; null: no key
    QTest::addColumn<QByteArray>("second"); // the same for the second key
    QTest::addColumn<File>("file");
    QTest::addColumn<QStringList>("unstartable");
    QTest::addColumn<QStringList>("expected"); // calls other than the registry's, in order

    const QByteArray noKey;
    const QByteArray noData("");
    // A folder ending in a backslash: the tool's name is appended as it is.
    const QByteArray folder("C:\\tools\\\0", 10);
    const QString tool = u"C:\\tools\\\\MSINFO32.EXE"_s;

    QTest::newRow("first key: started as read, never tested")
        << QByteArray("/usr/bin/hardinfo\0", 18) << folder << File::Present << QStringList()
        << QStringList{start(u"/usr/bin/hardinfo"_s)};
    QTest::newRow("first key names nothing startable: no second lookup")
        << QByteArray("/usr/bin/gone\0", 14) << folder << File::Present << QStringList{u"/usr/bin/gone"_s}
        << QStringList{start(u"/usr/bin/gone"_s), unavailable};
    QTest::newRow("first key with no data: the error becomes the message")
        << noData << folder << File::Present << QStringList() << QStringList{unavailable};
    QTest::newRow("only second key, tool there")
        << noKey << folder << File::Present << QStringList()
        << QStringList{secondLookup, fileTest(tool), start(tool)};
    QTest::newRow("only second key, tool missing")
        << noKey << folder << File::Absent << QStringList()
        << QStringList{secondLookup, fileTest(tool), unavailable};
    QTest::newRow("only second key, malformed path")
        << noKey << folder << File::Malformed << QStringList()
        << QStringList{secondLookup, fileTest(tool), unavailable};
    QTest::newRow("only second key, tool cannot start")
        << noKey << folder << File::Present << QStringList{tool}
        << QStringList{secondLookup, fileTest(tool), start(tool), unavailable};
    QTest::newRow("neither key")
        << noKey << noKey << File::Present << QStringList() << QStringList{secondLookup, unavailable};
}

void StartSysInfoTest::startsToolOrSaysUnavailable()
{
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, second);
    QFETCH(File, file);
    QFETCH(QStringList, unstartable);
    QFETCH(QStringList, expected);

    RecordingPlatform os;
    if (!first.isNull())
        os.registry.setValue(Registry::localMachine, firstKey, u"PATH"_s, Registry::typeString, first);
    if (!second.isNull())
        os.registry.setValue(Registry::localMachine, secondKey, u"MSINFO"_s, Registry::typeString, second);
    if (file != File::Absent)
        os.files.insert(u"C:\\tools\\\\MSINFO32.EXE"_s,
                        file == File::Present ? std::optional(u"MSINFO32.EXE"_s) : std::nullopt);
    os.unstartablePaths = unstartable;

    SystemInfo::StartSysInfo();

    QStringList calls;
    for (const QString &call : std::as_const(os.calls)) {
        if (call.startsWith(u"regOpenKeyEx(0x80000002, \"%1\""_s.arg(secondKey)))
            calls.append(secondLookup);
        else if (!call.startsWith(u"reg"_s))
            calls.append(call);
    }
    QCOMPARE(calls, expected);
    QVERIFY(os.registry.openHandles().isEmpty());
    QVERIFY(os.unhandledFailures.isEmpty());
}

QTEST_GUILESS_MAIN(StartSysInfoTest)
#include "StartSysInfoTest.moc"
