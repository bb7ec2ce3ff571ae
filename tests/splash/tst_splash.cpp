// The splash window on Qt's offscreen platform: it leaves for the main
// window at the first timer tick or at the first key that types a
// character, and at nothing else.
#include "AddressBookFile.h"
#include "RecordingPlatform.h"

#include "main_window/Form1.h"
#include "splash/frmSplash1.h"
#include "window/FormInstance.h"
#include "window/WindowServices.h"

#include <QApplication>
#include <QLabel>
#include <QTest>

using namespace Larkspan;
using namespace Qt::StringLiterals;
using Testing::RecordingPlatform;

class SplashTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_file.enter();
        WindowServices::instance().showWindow(FormInstance<frmSplash1>::get());
        QTRY_COMPARE(QApplication::activeWindow(), FormInstance<frmSplash1>::existing());
    }

    void cleanup()
    {
        WindowServices::instance().reset();
        QApplication::setActiveWindow(nullptr);
    }

    // Key 0 stands for a mouse click; key -1 for waiting for the timer.
    void leavesAtOnceOnAKeyThatTypes_data()
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

    void leavesAtOnceOnAKeyThatTypes()
    {
        QFETCH(int, key);
        QFETCH(QString, text);
        QFETCH(bool, leaves);
        frmSplash1 *splash = FormInstance<frmSplash1>::existing();
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

private:
    RecordingPlatform m_platform;
    AddressBookFile m_file{{{u"Web"_s, u"www.example.org"_s, u"x"_s}}};
};

QTEST_MAIN(SplashTest)
#include "tst_splash.moc"
