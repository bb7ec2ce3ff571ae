// The windows and what they start, on Qt's offscreen platform: the
// activation rule, the keys of the main window's categories, the splash
// window, the About box with its System Info command, and the address opener.
#include "AddressBookFile.h"
#include "RecordingPlatform.h"

#include "launcher/SystemInfo.h"
#include "about/frmAbout.h"
#include "launcher/Module1.h"
#include "main_window/Form1.h"
#include "platform/desktop/DesktopPlatform.h"
#include "platform/Registry.h"
#include "splash/frmSplash1.h"
#include "store/RecordCursor.h"
#include "window/ActivationHandler.h"
#include "window/FormInstance.h"
#include "window/HiddenTextField.h"
#include "window/WindowServices.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace Larkspan;
using namespace Qt::StringLiterals;
using Testing::RecordingPlatform;

namespace {

const QString firstKey = u"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"_s;
const QString secondKey = u"SOFTWARE\\Microsoft\\Shared Tools Location"_s;

struct ProbeForm : QWidget, ActivationHandler
{
    void Form_Activate() override { ++activations; }
    int activations = 0;
    QLineEdit *edit = new QLineEdit(this);
};
struct FormA : ProbeForm
{
};
struct FormB : ProbeForm
{
};

} // namespace

class WindowsTest : public QObject
{
    Q_OBJECT

    // A fresh platform for every case; the book the main window opens when
    // the splash leaves.
    std::optional<RecordingPlatform> m_os;
    AddressBookFile m_file {{{u"Work"_s, u"www.example.org"_s, u"x"_s},
                             {u"Home"_s, u"friend@example.org"_s, u"y"_s},
                             {u"home"_s, u"lower@example.org"_s, u"z"_s}}};

private Q_SLOTS:
    void initTestCase() { m_file.enter(); }

    void init() { m_os.emplace(); } // the old one goes first

    void cleanup()
    {
        WindowServices::instance().reset();
        QApplication::setActiveWindow(nullptr);
    }

    // A form's handler runs when it first shows, when the user comes back
    // to it from another form, and when another form's handler gives the
    // focus to one of its controls; never when one of the program's own
    // message boxes closes, nor when the user comes back from another
    // program. One letter a step: A and B show that form; a activates A
    // again, as a click on it does; - goes to another program; f gives A's
    // field the focus; m shows a message box and closes it; h hides B and
    // shows it.
    void handlerRuns_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QList<int>>("activations"); // of A and of B
        QTest::newRow("first show") << u"A"_s << QList<int> {1, 0};
        QTest::newRow("back from another form") << u"ABa"_s << QList<int> {2, 1};
        QTest::newRow("focus given from another form") << u"ABf"_s << QList<int> {2, 1};
        QTest::newRow("a message box closes") << u"Am"_s << QList<int> {1, 0};
        QTest::newRow("back from another program") << u"A-a"_s << QList<int> {1, 0};
        QTest::newRow("hidden and shown again") << u"ABh"_s << QList<int> {1, 1};
    }

    void handlerRuns()
    {
        QFETCH(QString, steps);
        QFETCH(QList<int>, activations);
        WindowServices &services = WindowServices::instance();
        FormA &a = *FormInstance<FormA>::get();
        FormB &b = *FormInstance<FormB>::get();
        QWidget *expectedActive = nullptr;
        QTimer closer; // answers a message box as soon as it shows
        closer.callOnTimeout([] {
            if (QWidget *box = QApplication::activeModalWidget())
                box->close();
        });
        closer.start(5);
        for (const QChar step : steps) {
            if (step == u'h')
                services.hideWindow(&b);
            if (step == u'A' || step == u'B' || step == u'h')
                services.showWindow(step == u'A' ? static_cast<QWidget *>(&a) : &b);
            if (step == u'a' || step == u'-')
                QApplication::setActiveWindow(step == u'a' ? &a : nullptr);
            if (step == u'f')
                services.giveFocus(a.edit);
            if (step == u'm')
                DesktopPlatform().messageBox(u"Something to say"_s);
            if (step == u'A' || step == u'a' || step == u'f' || step == u'B')
                expectedActive = step == u'B' ? static_cast<QWidget *>(&b) : &a;
            // Qt can lose the active window over a hide and show; the
            // services repair it, so the form is active (and its shortcuts work).
            if (step != u'-')
                QTRY_COMPARE(QApplication::activeWindow(), expectedActive);
        }
        QCOMPARE((QList<int> {a.activations, b.activations}), activations);
    }

    // Each key that moves the selection in the main window's categories runs
    // the handler once; the first key after a refill selects the first item.
    void eachCategoryKeyRunsTheHandlerOnce()
    {
        Form1 *form = FormInstance<Form1>::get();
        WindowServices::instance().showWindow(form);
        QTRY_COMPARE(QApplication::activeWindow(), form);
        QSignalSpy runs(form->Data1, &RecordCursor::recordLoaded);
        const QList<QPair<Qt::Key, QString>> keys
            = {{Qt::Key_Down, u"Work"_s}, {Qt::Key_Down, u"Home"_s}, {Qt::Key_Up, u"Work"_s},
               {Qt::Key_End, u"home"_s},  {Qt::Key_Home, u"Work"_s}, {Qt::Key_PageDown, u"home"_s},
               {Qt::Key_H, u"Home"_s}};
        for (int i = 0; i < keys.size(); ++i) {
            QTest::keyClick(form->lstType, keys[i].first);
            QCOMPARE(runs.count(), i + 1);
            QCOMPARE(form->Text1->text(), keys[i].second);
        }
    }

    // The splash leaves for the main window at the first timer tick or at
    // the first key that types a character, and at nothing else. Key 0
    // stands for a mouse click; key -1 for waiting for the timer.
    void splashLeavesAtOnceOnAKeyThatTypes_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("leaves");
        QTest::newRow("letter") << int(Qt::Key_Q) << u"q"_s << true;
        QTest::newRow("Enter") << int(Qt::Key_Return) << u"\r"_s << true;
        QTest::newRow("Esc") << int(Qt::Key_Escape) << u"\x1b"_s << true;
        QTest::newRow("Delete") << int(Qt::Key_Delete) << u"\x7f"_s << false;
        QTest::newRow("arrow") << int(Qt::Key_Down) << QString() << false;
        QTest::newRow("mouse click") << 0 << QString() << false;
        QTest::newRow("the first tick") << -1 << QString() << true;
    }

    void splashLeavesAtOnceOnAKeyThatTypes()
    {
        QFETCH(int, key);
        QFETCH(QString, text);
        QFETCH(bool, leaves);
        frmSplash1 *splash = FormInstance<frmSplash1>::get();
        WindowServices::instance().showWindow(splash);
        QTRY_COMPARE(QApplication::activeWindow(), splash);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        if (key > 0)
            QApplication::sendEvent(splash, &press);
        else if (key == 0)
            QTest::mouseClick(splash->Image1, Qt::LeftButton);
        else
            QTRY_VERIFY_WITH_TIMEOUT(FormInstance<Form1>::exists(), 3000);
        QCOMPARE(FormInstance<Form1>::exists(), leaves);
        QCOMPARE(FormInstance<frmSplash1>::exists(), !leaves);
    }

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
        QTest::newRow("1025 bytes: unreadable")
            << sz << QByteArray(1024, 'a') + '\0' << 0 << QString();
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
        if (!data.isNull())
            m_os->registry.setValue(Registry::localMachine, firstKey, u"Path"_s, type, data);
        QString value = u"AB"_s;
        const Outcome<bool> read
            = SystemInfo::GetKeyValue(Registry::localMachine, firstKey, u"Path"_s, value);
        QCOMPARE(read.ok() ? int(read.value()) : -1, result);
        QCOMPARE(value, after);
        // One close on every path; a key that never opened closes handle 0.
        QCOMPARE(m_os->closedKeys, QList<quint32> {data.isNull() ? 0u : 0x100u});
        QVERIFY(m_os->registry.openHandles().isEmpty());
    }

    // The path under the first key is started as read; the second names a
    // folder, where the tool must be.
    void startSysInfo_data()
    {
        QTest::addColumn<QByteArray>("first"); // the string under the first key; null: no key
        QTest::addColumn<bool>("toolThere");
        QTest::addColumn<QStringList>("expected"); // the calls other than the registry's
        const QString unavailable
            = u"messageBox(\"System Information Is Unavailable At This Time\")"_s;
        const QString found = u"fileName(\"C:\\tools\\\\MSINFO32.EXE\")"_s;
        QTest::newRow("first key") << QByteArray("/usr/bin/hardinfo\0", 18) << true
                                   << QStringList {u"startProgram(\"/usr/bin/hardinfo\", 1)"_s};
        QTest::newRow("second key, tool there")
            << QByteArray() << true
            << QStringList {found, u"startProgram(\"C:\\tools\\\\MSINFO32.EXE\", 1)"_s};
        QTest::newRow("second key, tool missing")
            << QByteArray() << false << QStringList {found, unavailable};
    }

    void startSysInfo()
    {
        QFETCH(QByteArray, first);
        QFETCH(bool, toolThere);
        QFETCH(QStringList, expected);
        RecordingPlatform &os = *m_os;
        if (!first.isNull())
            os.registry.setValue(Registry::localMachine, firstKey, u"PATH"_s, Registry::typeString,
                                 first);
        os.registry.setValue(Registry::localMachine, secondKey, u"MSINFO"_s, Registry::typeString,
                             QByteArray("C:\\tools\\\0", 10));
        if (toolThere)
            os.files.insert(u"C:\\tools\\\\MSINFO32.EXE"_s, u"MSINFO32.EXE"_s);
        SystemInfo::StartSysInfo();
        os.calls.removeIf([](const QString &call) { return call.startsWith(u"reg"_s); });
        QCOMPARE(os.calls, expected);
    }

    // Neither the right button nor a press released off the label opens
    // the contact address.
    void aboutLabel2OpensTheContactAddressOnALeftClick()
    {
        frmAbout *about = FormInstance<frmAbout>::get();
        WindowServices::instance().showWindow(about);
        QTRY_COMPARE(QApplication::activeWindow(), about);
        QLabel *address = about->Label2;
        const QPoint inside = address->rect().center();
        QTest::mouseClick(address, Qt::RightButton, {}, inside);
        QTest::mousePress(address, Qt::LeftButton, {}, inside);
        QTest::mouseRelease(address, Qt::LeftButton, {}, QPoint(address->width() + 5, 5));
        QCOMPARE(m_os->calls, QStringList());
        QTest::mouseClick(address, Qt::LeftButton, {}, inside);
        QCOMPARE(m_os->calls,
                 QStringList {
                     u"shellExecute(0, null, \"mailto:merrin@example.org\", null, \"C:\\\", 1)"_s});
    }

    // The calls as RecordingPlatform writes them: "null" is a missing
    // operation or parameter, not an empty text.
    void openAddressCalls_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>(
            "failure"); // "no browser", the shell "call" fails, or its "result"
        QTest::addColumn<QStringList>("expectedCalls");
        const auto shell = [](const QString &file) {
            return u"shellExecute(0, null, \"%1\", null, \"C:\\\", 1)"_s.arg(file);
        };
        const auto web = [&shell](const QString &address) {
            return QStringList {
                u"startProgram(\"C:\\program files\\internet explorer\\Iexplore.exe\", 3)"_s,
                shell(address)};
        };
        QTest::newRow("empty: a link without recipient")
            << QString() << QString() << QStringList {shell(u"mailto:"_s)};
        QTest::newRow("two @: all of it follows mailto")
            << u"a@b@c"_s << QString() << QStringList {shell(u"mailto:a@b@c"_s)};
        QTest::newRow("full-width at is no @") << u"a\uFF20b"_s << QString() << web(u"a\uFF20b"_s);
        QTest::newRow("web, no browser: address still opened")
            << u"x.org"_s << u"no browser"_s << web(u"x.org"_s);
        QTest::newRow("web, shell call fails: skipped")
            << u"x.org"_s << u"call"_s << web(u"x.org"_s);
        QTest::newRow("mail, shell fails by result: not looked at")
            << u"a@b"_s << u"result"_s << QStringList {shell(u"mailto:a@b"_s)};
        QTest::newRow("mail, shell call fails: ends the program")
            << u"a@b"_s << u"call"_s
            << QStringList {shell(u"mailto:a@b"_s), u"unhandledFailure(\"gone\")"_s};
    }

    void openAddressCalls()
    {
        QFETCH(QString, address);
        QFETCH(QString, failure);
        QFETCH(QStringList, expectedCalls);
        RecordingPlatform &os = *m_os;
        if (failure == u"no browser"_s)
            os.unstartablePaths.append(QString::fromUtf16(Module1::browserProgram));
        if (failure == u"call"_s)
            os.shellFailure = u"gone"_s; // the shell call itself fails
        if (failure == u"result"_s)
            os.shellResult = 2; // the shell answers with a failure code
        Module1::TargetAddress = address;
        bool left = false;
        try {
            Module1::OpenAddress();
        } catch (const RecordingPlatform::Unhandled &) {
            left = true;
        }
        // An unhandled failure leaves OpenAddress; nothing else does.
        QCOMPARE(os.calls, expectedCalls);
        QCOMPARE(left, expectedCalls.last().startsWith(u"unhandledFailure"_s));
    }
};

QTEST_MAIN(WindowsTest)
#include "tst_windows.moc"
