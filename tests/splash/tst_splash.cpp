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
        m_platform = std::make_unique<RecordingPlatform>();
        m_file = std::make_unique<AddressBookFile>(QList<Record>{{u"Web"_s, u"www.example.org"_s, u"x"_s}});
        m_file->enter();
        WindowServices::instance().showWindow(FormInstance<frmSplash1>::get());
        QTRY_COMPARE(QApplication::activeWindow(), FormInstance<frmSplash1>::existing());
    }
    void cleanup()
    {
        WindowServices::instance().reset();
        QApplication::setActiveWindow(nullptr);
        m_file.reset();
        m_platform.reset();
    }

    void theFirstTickShowsTheMainWindow()
    {
        QTRY_VERIFY_WITH_TIMEOUT(FormInstance<Form1>::exists(), 3000);
        QVERIFY(!FormInstance<frmSplash1>::exists());
        QTRY_COMPARE(QApplication::activeWindow(), FormInstance<Form1>::existing());
    }

    // Key 0 stands for a mouse click.
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
        QTest::newRow("Shift alone") << int(Qt::Key_Shift) << QString() << false;
        QTest::newRow("mouse click") << 0 << QString() << false;
    }

    void leavesAtOnceOnAKeyThatTypes()
    {
        QFETCH(int, key);
        QFETCH(QString, text);
        QFETCH(bool, leaves);
        frmSplash1 *splash = FormInstance<frmSplash1>::existing();
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        if (key)
            QApplication::sendEvent(splash, &press);
        else
            QTest::mouseClick(splash->Image1, Qt::LeftButton);
        QCOMPARE(FormInstance<Form1>::exists(), leaves);
        QCOMPARE(FormInstance<frmSplash1>::exists(), !leaves);
    }

private:
    std::unique_ptr<RecordingPlatform> m_platform;
    std::unique_ptr<AddressBookFile> m_file;
};

QTEST_MAIN(SplashTest)
#include "tst_splash.moc"
