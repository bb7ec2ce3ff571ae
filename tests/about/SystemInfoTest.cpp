// The System Info command: the registry reader and the tool it starts.
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
const QString tool = u"C:\\tools\\\\MSINFO32.EXE"_s; // the folder's backslash is kept
const QString unavailable = u"messageBox(\"System Information Is Unavailable At This Time\")"_s;
const QString secondLookup = u"second key looked up"_s;

enum class File { Absent, Present, Malformed };

QString start(const QString &path)
{
    return u"startProgram(\"%1\", 1)"_s.arg(path);
}

} // namespace

Q_DECLARE_METATYPE(File)

class SystemInfoTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A null `data` is a missing value.
    void getKeyValue_data()
    {
        QTest::addColumn<quint32>("type");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("result"); // 1 true, 0 false, -1 failure
        QTest::addColumn<QString>("after");

        const quint32 sz = Registry::typeString;
        const quint32 dw = Registry::typeDword;
        const QString prior = u"prior"_s;
        const QByteArray text1023(1023, 'a');
        QTest::newRow("only the last NUL goes")
            << sz << QByteArray("ab\0cd\0\0", 7) << prior << 1 << QString::fromLatin1("ab\0cd\0", 6);
        QTest::newRow("1024 bytes with NUL")
            << sz << text1023 + '\0' << prior << 1 << QString::fromLatin1(text1023);
        QTest::newRow("1024 bytes without NUL")
            << sz << text1023 + 'b' << prior << 1 << QString::fromLatin1(text1023 + 'b');
        QTest::newRow("1025 bytes: unreadable") << sz << QByteArray(1024, 'a') + '\0' << prior << 0 << QString();
        // Most significant byte first, two digits each, after what was held.
        QTest::newRow("32-bit") << dw << QByteArray("\x0D\x0C\x00\x0A", 4) << u"AB"_s << 1 << u"&hAB0A000C0D"_s;
        QTest::newRow("binary: read, value kept") << Registry::typeBinary << QByteArray("\1\2", 2) << prior << 1 << prior;
        QTest::newRow("no data: a failure") << sz << QByteArray("") << prior << -1 << prior;
        QTest::newRow("no such value") << sz << QByteArray() << prior << 0 << QString();
        QTest::newRow("no such key") << sz << QByteArray() << prior << 0 << QString();
    }

    void getKeyValue()
    {
        QFETCH(quint32, type);
        QFETCH(QByteArray, data);
        QFETCH(QString, before);
        QFETCH(int, result);
        QFETCH(QString, after);
        const bool noKey = QByteArray(QTest::currentDataTag()) == "no such key";
        RecordingPlatform os;
        if (!noKey)
            os.registry.addKey(Registry::localMachine, firstKey);
        if (!data.isNull())
            os.registry.setValue(Registry::localMachine, firstKey, u"Path"_s, type, data);

        QString value = before;
        const Larkspan::Outcome<bool> read
            = SystemInfo::GetKeyValue(Registry::localMachine, firstKey, u"Path"_s, value);
        QCOMPARE(read.ok() ? int(read.value()) : -1, result);
        QCOMPARE(value, after);
        // One close on every path; a key that never opened closes handle 0.
        QCOMPARE(os.closedKeys, QList<quint32>{noKey ? 0u : 0x100u});
        QVERIFY(os.registry.openHandles().isEmpty());
    }

    void startSysInfo_data()
    {
        QTest::addColumn<QByteArray>("first");  // the string under the first key; null: no key
        QTest::addColumn<QByteArray>("second"); // the same for the second key
        QTest::addColumn<File>("file");
        QTest::addColumn<QString>("unstartable");
        QTest::addColumn<QStringList>("expected"); // calls other than the registry's

        const QByteArray none;
        const QByteArray folder("C:\\tools\\\0", 10);
        const QString found = u"fileName(\"%1\")"_s.arg(tool);
        QTest::newRow("first key: started as read, never tested")
            << QByteArray("/usr/bin/hardinfo\0", 18) << folder << File::Present << QString()
            << QStringList{start(u"/usr/bin/hardinfo"_s)};
        QTest::newRow("first key names nothing startable: no second lookup")
            << QByteArray("/usr/bin/gone\0", 14) << folder << File::Present << u"/usr/bin/gone"_s
            << QStringList{start(u"/usr/bin/gone"_s), unavailable};
        QTest::newRow("first key with no data")
            << QByteArray("") << folder << File::Present << QString() << QStringList{unavailable};
        QTest::newRow("second key, tool there")
            << none << folder << File::Present << QString() << QStringList{secondLookup, found, start(tool)};
        QTest::newRow("second key, tool missing")
            << none << folder << File::Absent << QString() << QStringList{secondLookup, found, unavailable};
        QTest::newRow("second key, malformed path")
            << none << folder << File::Malformed << QString() << QStringList{secondLookup, found, unavailable};
        QTest::newRow("second key, tool cannot start") << none << folder << File::Present << tool
            << QStringList{secondLookup, found, start(tool), unavailable};
        QTest::newRow("neither key") << none << none << File::Present << QString()
                                     << QStringList{secondLookup, unavailable};
    }

    void startSysInfo()
    {
        QFETCH(QByteArray, first);
        QFETCH(QByteArray, second);
        QFETCH(File, file);
        QFETCH(QString, unstartable);
        QFETCH(QStringList, expected);
        RecordingPlatform os;
        if (!first.isNull())
            os.registry.setValue(Registry::localMachine, firstKey, u"PATH"_s, Registry::typeString, first);
        if (!second.isNull())
            os.registry.setValue(Registry::localMachine, secondKey, u"MSINFO"_s, Registry::typeString, second);
        if (file != File::Absent)
            os.files.insert(tool, file == File::Present ? std::optional(u"MSINFO32.EXE"_s) : std::nullopt);
        os.unstartablePaths = QStringList{unstartable};

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
    }
};

QTEST_GUILESS_MAIN(SystemInfoTest)
#include "SystemInfoTest.moc"
