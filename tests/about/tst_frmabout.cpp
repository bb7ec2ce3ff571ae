// The About box on Qt's offscreen platform: how it closes, how the About
// command finds it, and the contact address.
#include "AddressBookFile.h"
#include "RecordingPlatform.h"

#include "about/SystemInfo.h"
#include "about/frmAbout.h"
#include "main_window/Form1.h"
#include "window/FormInstance.h"
#include "window/WindowServices.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace Larkspan;
using namespace Qt::StringLiterals;
using Testing::RecordingPlatform;

namespace {

bool becameActive(QWidget *window)
{
    return window
           && QTest::qWaitFor([window] { return QApplication::activeWindow() == window; }, 2000);
}

frmAbout *showAbout()
{
    frmAbout *about = FormInstance<frmAbout>::get();
    WindowServices::instance().showWindow(about);
    return becameActive(about) ? about : nullptr;
}

} // namespace

class FrmAboutTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup()
    {
        WindowServices::instance().reset();
        QApplication::setActiveWindow(nullptr);
    }

    // Tab walks cmdOK, picIcon, cmdSysInfo and round again. Key 0 stands for
    // the window's close command.
    void keysAndCommands_data()
    {
        QTest::addColumn<int>("tabs");
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("closes");
        QTest::newRow("Esc on cmdSysInfo") << 2 << int(Qt::Key_Escape) << true;
        QTest::newRow("Return on cmdOK") << 0 << int(Qt::Key_Return) << true;
        // A focused button takes Enter itself: System Info runs, the box stays.
        QTest::newRow("Return on cmdSysInfo") << 2 << int(Qt::Key_Return) << false;
        // Once the focus has left System Info, Enter belongs to OK again.
        QTest::newRow("Return on picIcon after cmdSysInfo") << 4 << int(Qt::Key_Return) << true;
        QTest::newRow("close command") << 0 << 0 << true;
    }

    void keysAndCommands()
    {
        QFETCH(int, tabs);
        QFETCH(int, key);
        QFETCH(bool, closes);
        RecordingPlatform platform;
        QPointer<frmAbout> about = showAbout();
        QVERIFY(about);
        for (int i = 0; i < tabs; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        if (key)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
        else
            QVERIFY(about->close());
        // No registry entries here: System Info says it is unavailable.
        const QString unavailable = QString::fromUtf16(SystemInfo::unavailableMessage);
        QCOMPARE(platform.messages, closes ? QStringList() : QStringList{unavailable});
        QCOMPARE(FormInstance<frmAbout>::existing(), closes ? nullptr : about.data());
        QTRY_COMPARE(about.isNull(), closes);
    }

    // About while the box is open brings that box forward; once it is
    // unloaded, About builds a new one.
    void theAboutCommandComesForward()
    {
        RecordingPlatform platform;
        AddressBookFile file({{u"News"_s, u"www.example.org"_s, u"n"_s}});
        file.enter();
        Form1 *form = FormInstance<Form1>::get();
        WindowServices::instance().showWindow(form);
        QVERIFY(becameActive(form));
        form->mnuAbout->trigger();
        QPointer<frmAbout> first = FormInstance<frmAbout>::existing();
        QVERIFY(becameActive(first));
        QVERIFY(!first->isModal());
        QApplication::setActiveWindow(form);
        QVERIFY(becameActive(form));
        form->mnuAbout->trigger();
        QVERIFY(becameActive(first));
        QTest::mouseClick(first->cmdOK, Qt::LeftButton);
        QTRY_VERIFY(first.isNull());
        form->mnuAbout->trigger();
        QVERIFY(becameActive(FormInstance<frmAbout>::existing()));
    }

    void label2OpensTheContactAddressOnALeftClick()
    {
        RecordingPlatform platform;
        frmAbout *about = showAbout();
        QVERIFY(about);
        QLabel *address = about->Label2;
        const QPoint inside = address->rect().center();
        // Neither the right button nor a press that ends off the label opens it.
        QTest::mouseClick(address, Qt::RightButton, {}, inside);
        QTest::mousePress(address, Qt::LeftButton, {}, inside);
        QTest::mouseRelease(address, Qt::LeftButton, {}, QPoint(address->width() + 5, 5));
        QCOMPARE(platform.calls, QStringList());

        QTest::mouseClick(address, Qt::LeftButton, {}, inside);
        QCOMPARE(platform.calls,
                 QStringList{u"shellExecute(0, null, \"mailto:merrin@example.org\", null, \"C:\\\", 1)"_s});
        QVERIFY(about->isVisible());
    }
};

QTEST_MAIN(FrmAboutTest)
#include "tst_frmabout.moc"
