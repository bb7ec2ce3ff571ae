#include "RecordingPlatform.h"
#include "about/Registry.h"
#include "about/SystemInfo.h"

#include <QTest>

using namespace Qt::StringLiterals;
using Larkspan::Testing::RecordingPlatform;
namespace Registry = Larkspan::Registry;
namespace SystemInfo = Larkspan::SystemInfo;

namespace {

const QString firstKey = u"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"_s;
const QString secondKey = u"SOFTWARE\\Microsoft\\Shared Tools Location"_s;
const QString unavailable = u"messageBox(\"System Information Is Unavailable At This Time\")"_s;

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
    QTest::addColumn<bool>("hasFirst");
    QTest::addColumn<quint32>("firstType");
    QTest::addColumn<QByteArray>("firstData");
    QTest::addColumn<bool>("hasSecond");
    QTest::addColumn<QByteArray>("secondData");
    QTest::addColumn<File>("file");
    QTest::addColumn<QStringList>("unstartable");
    QTest::addColumn<bool>("secondAsked");
    QTest::addColumn<QStringList>("expected"); // start, file test and message calls in order

    const quint32 sz = Registry::typeString;
    const QByteArray none;
    const QString folderTool = u"C:\\Program Files\\Common Files\\MSINFO32.EXE"_s;
    const QByteArray folder = "C:\\Program Files\\Common Files\0";

    QTest::newRow("first key: started as read, never tested")
        << true << sz << QByteArray("/usr/bin/hardinfo\0", 18) << true << folder << File::Present
        << QStringList() << false << QStringList{start(u"/usr/bin/hardinfo"_s)};
    QTest::newRow("first key names nothing startable: no second lookup")
        << true << sz << QByteArray("/usr/bin/gone\0", 14) << true << folder << File::Present
        << QStringList{u"/usr/bin/gone"_s} << false
        << QStringList{start(u"/usr/bin/gone"_s), unavailable};
    QTest::newRow("first key of another type: empty path fails")
        << true << Registry::typeBinary << QByteArray("\x01", 1) << true << folder << File::Present
        << QStringList() << false << QStringList{start(QString()), unavailable};
    QTest::newRow("first key with no data: the error becomes the message")
        << true << sz << none << true << folder << File::Present << QStringList() << false
        << QStringList{unavailable};
    QTest::newRow("only second key, tool there")
        << false << sz << none << true << folder << File::Present << QStringList() << true
        << QStringList{fileTest(folderTool), start(folderTool)};
    QTest::newRow("second key folder ends in a backslash: kept")
        << false << sz << none << true << QByteArray("C:\\tools\\\0", 10) << File::Present
        << QStringList() << true
        << QStringList{fileTest(u"C:\\tools\\\\MSINFO32.EXE"_s), start(u"C:\\tools\\\\MSINFO32.EXE"_s)};
    QTest::newRow("only second key, tool missing")
        << false << sz << none << true << folder << File::Absent << QStringList() << true
        << QStringList{fileTest(folderTool), unavailable};
    QTest::newRow("only second key, malformed path")
        << false << sz << none << true << folder << File::Malformed << QStringList() << true
        << QStringList{fileTest(folderTool), unavailable};
    QTest::newRow("only second key, tool cannot start")
        << false << sz << none << true << folder << File::Present << QStringList{folderTool} << true
        << QStringList{fileTest(folderTool), start(folderTool), unavailable};
    QTest::newRow("second key with no data")
        << false << sz << none << true << QByteArray() << File::Present << QStringList() << true
        << QStringList{unavailable};
    QTest::newRow("neither key")
        << false << sz << none << false << none << File::Present << QStringList() << true
        << QStringList{unavailable};
}

void StartSysInfoTest::startsToolOrSaysUnavailable()
{
    QFETCH(bool, hasFirst);
    QFETCH(quint32, firstType);
    QFETCH(QByteArray, firstData);
    QFETCH(bool, hasSecond);
    QFETCH(QByteArray, secondData);
    QFETCH(File, file);
    QFETCH(QStringList, unstartable);
    QFETCH(bool, secondAsked);
    QFETCH(QStringList, expected);

    RecordingPlatform os;
    if (hasFirst)
        os.registry.setValue(Registry::localMachine, firstKey, u"PATH"_s, firstType, firstData);
    if (hasSecond)
        os.registry.setValue(Registry::localMachine, secondKey, u"MSINFO"_s, Registry::typeString,
                             secondData);
    const QString folder = QString::fromLocal8Bit(secondData).chopped(secondData.endsWith('\0') ? 1 : 0);
    const QString tool = folder + u"\\MSINFO32.EXE"_s;
    if (file == File::Present)
        os.files.insert(tool, u"MSINFO32.EXE"_s);
    else if (file == File::Malformed)
        os.files.insert(tool, std::nullopt);
    os.unstartablePaths = unstartable;

    SystemInfo::StartSysInfo();

    QStringList visible;
    for (const QString &call : std::as_const(os.calls)) {
        if (!call.startsWith(u"reg"_s))
            visible.append(call);
    }
    QCOMPARE(visible, expected);
    bool asked = false;
    for (const QString &call : std::as_const(os.calls))
        asked = asked || call.startsWith(u"regOpenKeyEx(0x80000002, \"%1\""_s.arg(secondKey));
    QCOMPARE(asked, secondAsked);
    QVERIFY(os.registry.openHandles().isEmpty());
    QVERIFY(os.unhandledFailures.isEmpty());
}

QTEST_GUILESS_MAIN(StartSysInfoTest)
#include "StartSysInfoTest.moc"
