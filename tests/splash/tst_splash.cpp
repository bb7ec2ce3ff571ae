// The splash window on Qt's offscreen platform: it leaves for the main
// window at the first timer tick or at the first key that types a
// character, and at nothing else.
#include "AddressBookFile.h"
#include "RecordingPlatform.h"

#include "main_window/Form1.h"
#include "splash/frmSplash1.h"
#include "window/FormInstance.h"
#include "window/Twips.h"
#include "window/WindowServices.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QTest>
#include <QTimer>

using namespace Larkspan;
using namespace Qt::StringLiterals;
using Testing::RecordingPlatform;

class SplashTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_file = std::make_unique<AddressBookFile>(
            QList<Record>{{u"Web"_s, u"www.example.org"_s, u"x"_s}});
        m_file->enter();
    }
    void cleanup()
    {
        WindowServices::instance().reset();
        QApplication::setActiveWindow(nullptr);
        m_file.reset();
    }

    void theWindowShowsTheTitlePictureAlone()
    {
        RecordingPlatform platform;
        frmSplash1 *splash = FormInstance<frmSplash1>::get();
        QCOMPARE(splash->size(), Twips::size(6465, 3225, splash));
        QCOMPARE(splash->minimumSize(), splash->maximumSize());
        QVERIFY(splash->windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(splash->windowTitle(), QString());
        const QPixmap picture = splash->Image1->pixmap();
        QCOMPARE(picture.size(), QSize(432, 216));
        QCOMPARE(splash->Image1->geometry(), QRect(0, 0, 432, 216));
        QCOMPARE(splash->Timer1->interval(), 1000);
        QVERIFY(splash->Timer1->isActive());
        QVERIFY(!FormInstance<Form1>::exists());
    }

    void theFirstTickShowsTheMainWindow()
    {
        RecordingPlatform platform;
        frmSplash1 *splash = FormInstance<frmSplash1>::get();
        WindowServices::instance().showWindow(splash);
        QPointer<frmSplash1> guard(splash);
        QElapsedTimer clock;
        clock.start();
        QTRY_VERIFY_WITH_TIMEOUT(FormInstance<Form1>::exists(), 3000);
        QVERIFY(clock.elapsed() >= 900);
        QVERIFY(!FormInstance<frmSplash1>::exists());
        QTRY_VERIFY(guard.isNull());
        Form1 *form = FormInstance<Form1>::existing();
        QTRY_COMPARE(QApplication::activeWindow(), form);
        QCOMPARE(form->lstType->count(), 1);
    }

    void keysThatTypeACharacterLeaveAtOnce_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("text");
        QTest::newRow("letter") << int(Qt::Key_Q) << u"q"_s;
        QTest::newRow("digit") << int(Qt::Key_7) << u"7"_s;
        QTest::newRow("space") << int(Qt::Key_Space) << u" "_s;
        QTest::newRow("Enter") << int(Qt::Key_Return) << u"\r"_s;
        QTest::newRow("Esc") << int(Qt::Key_Escape) << u"\x1b"_s;
    }

    void keysThatTypeACharacterLeaveAtOnce()
    {
        QFETCH(int, key);
        QFETCH(QString, text);
        RecordingPlatform platform;
        frmSplash1 *splash = FormInstance<frmSplash1>::get();
        WindowServices::instance().showWindow(splash);
        QTRY_COMPARE(QApplication::activeWindow(), splash);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(splash, &press);
        QVERIFY(FormInstance<Form1>::exists());
        QVERIFY(!FormInstance<frmSplash1>::exists());
    }

    void otherKeysAndClicksChangeNothing_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("arrow") << int(Qt::Key_Down);
        QTest::newRow("function key") << int(Qt::Key_F5);
        QTest::newRow("Shift alone") << int(Qt::Key_Shift);
        QTest::newRow("mouse click") << 0;
    }

    void otherKeysAndClicksChangeNothing()
    {
        QFETCH(int, key);
        RecordingPlatform platform;
        frmSplash1 *splash = FormInstance<frmSplash1>::get();
        WindowServices::instance().showWindow(splash);
        QTRY_COMPARE(QApplication::activeWindow(), splash);
        if (key)
            QTest::keyClick(splash, Qt::Key(key));
        else
            QTest::mouseClick(splash->Image1, Qt::LeftButton);
        QTest::qWait(50);
        QVERIFY(FormInstance<frmSplash1>::exists());
        QVERIFY(!FormInstance<Form1>::exists());
        // The tick still comes.
        QTRY_VERIFY_WITH_TIMEOUT(FormInstance<Form1>::exists(), 3000);
    }

private:
    std::unique_ptr<AddressBookFile> m_file;
};

QTEST_MAIN(SplashTest)
#include "tst_splash.moc"
