// The About box on Qt's offscreen platform, and its System Info command:
// the registry reader and the tool it starts.
#include "RecordingPlatform.h"

#include "about/SystemInfo.h"
#include "about/frmAbout.h"
#include "platform/Registry.h"
#include "window/FormInstance.h"
#include "window/WindowServices.h"

#include <QApplication>
#include <QLabel>
#include <QTest>

using namespace Larkspan;
using namespace Qt::StringLiterals;
using Testing::RecordingPlatform;

const QString firstKey = u"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"_s;
const QString secondKey = u"SOFTWARE\\Microsoft\\Shared Tools Location"_s;

class AboutTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A null `data` is a missing value; -1 a failure.
    void getKeyValue_data()
    {
        QTest::addColumn<quint32>("type");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("after"); // what was "AB" before
        const quint32 sz = Registry::typeString;
        QTest::newRow("only the last NUL goes")
            << sz << QByteArray("ab\0cd\0\0", 7) << 1 << QString::fromLatin1("ab\0cd\0", 6);
        QTest::newRow("1025 bytes: unreadable") << sz << QByteArray(1024, 'a') + '\0' << 0 << QString();
        // Most significant byte first, two digits each, after what was held.
        QTest::newRow("32-bit") << Registry::typeDword << QByteArray("\x0D\x0C\x00\x0A", 4) << 1
                                << u"&hAB0A000C0D"_s;
        QTest::newRow("no data: a failure") << sz << QByteArray("") << -1 << u"AB"_s;
        QTest::newRow("no such key") << sz << QByteArray() << 0 << QString();
    }

    void getKeyValue()
    {
        QFETCH(quint32, type);
        QFETCH(QByteArray, data);
        QFETCH(int, result);
        QFETCH(QString, after);
        RecordingPlatform os;
        if (!data.isNull())
            os.registry.setValue(Registry::localMachine, firstKey, u"Path"_s, type, data);
        QString value = u"AB"_s;
        const Outcome<bool> read
            = SystemInfo::GetKeyValue(Registry::localMachine, firstKey, u"Path"_s, value);
        QCOMPARE(read.ok() ? int(read.value()) : -1, result);
        QCOMPARE(value, after);
        // One close on every path; a key that never opened closes handle 0.
        QCOMPARE(os.closedKeys, QList<quint32>{data.isNull() ? 0u : 0x100u});
        QVERIFY(os.registry.openHandles().isEmpty());
    }

    // The path under the first key is started as read; the second names a
    // folder, where the tool must be.
    void startSysInfo_data()
    {
        QTest::addColumn<QByteArray>("first"); // the string under the first key; null: no key
        QTest::addColumn<bool>("toolThere");
        QTest::addColumn<QStringList>("expected"); // the calls other than the registry's
        const QString unavailable = u"messageBox(\"System Information Is Unavailable At This Time\")"_s;
        const QString found = u"fileName(\"C:\\tools\\\\MSINFO32.EXE\")"_s;
        QTest::newRow("first key") << QByteArray("/usr/bin/hardinfo\0", 18) << true
                                   << QStringList{u"startProgram(\"/usr/bin/hardinfo\", 1)"_s};
        QTest::newRow("second key, tool there") << QByteArray() << true
            << QStringList{found, u"startProgram(\"C:\\tools\\\\MSINFO32.EXE\", 1)"_s};
        QTest::newRow("second key, tool missing") << QByteArray() << false
                                                  << QStringList{found, unavailable};
    }

    void startSysInfo()
    {
        QFETCH(QByteArray, first);
        QFETCH(bool, toolThere);
        QFETCH(QStringList, expected);
        RecordingPlatform os;
        if (!first.isNull())
            os.registry.setValue(Registry::localMachine, firstKey, u"PATH"_s, Registry::typeString, first);
        os.registry.setValue(Registry::localMachine, secondKey, u"MSINFO"_s, Registry::typeString,
                             QByteArray("C:\\tools\\\0", 10));
        if (toolThere)
            os.files.insert(u"C:\\tools\\\\MSINFO32.EXE"_s, u"MSINFO32.EXE"_s);
        SystemInfo::StartSysInfo();
        QStringList calls = os.calls;
        calls.removeIf([](const QString &call) { return call.startsWith(u"reg"_s); });
        QCOMPARE(calls, expected);
    }

    // Neither the right button nor a press released off the label opens
    // the contact address.
    void label2OpensTheContactAddressOnALeftClick()
    {
        RecordingPlatform platform;
        frmAbout *about = FormInstance<frmAbout>::get();
        WindowServices::instance().showWindow(about);
        QTRY_COMPARE(QApplication::activeWindow(), about);
        QLabel *address = about->Label2;
        const QPoint inside = address->rect().center();
        QTest::mouseClick(address, Qt::RightButton, {}, inside);
        QTest::mousePress(address, Qt::LeftButton, {}, inside);
        QTest::mouseRelease(address, Qt::LeftButton, {}, QPoint(address->width() + 5, 5));
        QCOMPARE(platform.calls, QStringList());
        QTest::mouseClick(address, Qt::LeftButton, {}, inside);
        QCOMPARE(platform.calls,
                 QStringList{u"shellExecute(0, null, \"mailto:merrin@example.org\", null, \"C:\\\", 1)"_s});
    }
};

QTEST_MAIN(AboutTest)
#include "tst_about.moc"
