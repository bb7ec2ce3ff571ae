// The About box on Qt's offscreen platform: how it closes, how the About
// command finds it, the contact address, its layout, its drawing and its
// focus, and what returning to the main window does.
#include "AddressBookFile.h"
#include "RecordingPlatform.h"

#include "about/SystemInfo.h"
#include "about/frmAbout.h"
#include "main_window/Form1.h"
#include "window/FormInstance.h"
#include "window/Twips.h"
#include "window/WindowServices.h"

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

using namespace Larkspan;
using namespace Qt::StringLiterals;
using Testing::RecordingPlatform;

namespace {

bool becameActive(QWidget *window)
{
    return QTest::qWaitFor([window] { return QApplication::activeWindow() == window; }, 2000);
}

frmAbout *openAbout()
{
    frmAbout *about = FormInstance<frmAbout>::get();
    WindowServices::instance().showWindow(about);
    return becameActive(about) ? about : nullptr;
}

Form1 *showMainWindow()
{
    Form1 *form = FormInstance<Form1>::get();
    WindowServices::instance().showWindow(form);
    return becameActive(form) ? form : nullptr;
}

int visibleAboutBoxes()
{
    int count = 0;
    for (QWidget *window : QApplication::topLevelWidgets())
        count += qobject_cast<frmAbout *>(window) && window->isVisible() ? 1 : 0;
    return count;
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

    void keysAndCommands_data()
    {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("closes");

        const int none = Qt::NoModifier;
        QTest::newRow("Esc on cmdOK") << u"cmdOK"_s << int(Qt::Key_Escape) << none << true;
        QTest::newRow("Esc on picIcon") << u"picIcon"_s << int(Qt::Key_Escape) << none << true;
        QTest::newRow("Esc on cmdSysInfo") << u"cmdSysInfo"_s << int(Qt::Key_Escape) << none << true;
        QTest::newRow("Return on cmdOK") << u"cmdOK"_s << int(Qt::Key_Return) << none << true;
        QTest::newRow("keypad Enter on cmdOK")
            << u"cmdOK"_s << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << true;
        QTest::newRow("Return on picIcon") << u"picIcon"_s << int(Qt::Key_Return) << none << true;
        // A focused button takes Enter itself: System Info runs, the box stays.
        QTest::newRow("Return on cmdSysInfo")
            << u"cmdSysInfo"_s << int(Qt::Key_Return) << none << false;
        // Once the focus has left System Info, Enter belongs to OK again.
        QTest::newRow("Return on picIcon after cmdSysInfo")
            << u"cmdSysInfo,picIcon"_s << int(Qt::Key_Return) << none << true;
        QTest::newRow("Alt+S on cmdOK") << u"cmdOK"_s << int(Qt::Key_S) << int(Qt::AltModifier)
                                        << false;
    }

    void keysAndCommands()
    {
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, closes);
        RecordingPlatform platform;
        frmAbout *about = openAbout();
        QVERIFY(about);
        QPointer<frmAbout> guard(about);

        QWidget *target = nullptr;
        for (const QString &name : focus.split(u',')) {
            target = about->findChild<QWidget *>(name);
            QVERIFY(target);
            target->setFocus(Qt::TabFocusReason);
            QTRY_VERIFY(target->hasFocus());
        }
        QTest::keyClick(target, Qt::Key(key), Qt::KeyboardModifiers(modifiers));

        if (closes) {
            QVERIFY(!FormInstance<frmAbout>::exists());
            QTRY_VERIFY(guard.isNull());
            QCOMPARE(platform.messages, QStringList());
        } else {
            // No registry entries here: System Info says it is unavailable.
            // (A mnemonic presses its button visibly, so the click comes late.)
            QTRY_COMPARE(platform.messages,
                     QStringList{QString::fromUtf16(SystemInfo::unavailableMessage)});
            QVERIFY(guard && guard->isVisible());
            QCOMPARE(FormInstance<frmAbout>::existing(), about);
        }
    }

    void theCloseCommandUnloads()
    {
        RecordingPlatform platform;
        QPointer<frmAbout> about(openAbout());
        QVERIFY(about);
        QVERIFY(about->close());
        QVERIFY(!FormInstance<frmAbout>::exists());
        QTRY_VERIFY(about.isNull());
        QCOMPARE(platform.calls, QStringList());
    }

    void theAboutCommandOpensOneBoxAndAFreshOneAfterUnload()
    {
        RecordingPlatform platform;
        AddressBookFile file;
        file.enter();
        Form1 *form = showMainWindow();
        QVERIFY(form);

        form->mnuAbout->trigger();
        auto *first = FormInstance<frmAbout>::existing();
        QVERIFY(first);
        QVERIFY(becameActive(first));
        QVERIFY(!first->isModal());
        QVERIFY(!first->parentWidget());
        first->Label2->setText(u"changed while open"_s);

        // Back to the main window, then About again: the same box comes forward.
        QApplication::setActiveWindow(form);
        QVERIFY(becameActive(form));
        form->mnuAbout->trigger();
        QCOMPARE(FormInstance<frmAbout>::existing(), first);
        QVERIFY(becameActive(first));
        QCOMPARE(visibleAboutBoxes(), 1);

        QPointer<frmAbout> gone(first);
        QTest::mouseClick(first->cmdOK, Qt::LeftButton);
        QTRY_VERIFY(gone.isNull());
        form->mnuAbout->trigger();
        auto *second = FormInstance<frmAbout>::existing();
        QVERIFY(second);
        QVERIFY(becameActive(second));
        QCOMPARE(second->Label2->text(), u"merrin@example.org"_s);
        QCOMPARE(visibleAboutBoxes(), 1);
    }

    void returningToTheMainWindowRebuildsItsCategories()
    {
        RecordingPlatform platform;
        AddressBookFile file({{u"News"_s, u"www.example.org"_s, u"n"_s},
                              {u"Mail"_s, u"a@example.org"_s, u"m"_s},
                              {u"News"_s, u"news.example.org"_s, u"n2"_s}});
        file.enter();
        Form1 *form = showMainWindow();
        QVERIFY(form);
        QTest::mouseClick(form->lstType->viewport(), Qt::LeftButton, {},
                          form->lstType->visualItemRect(form->lstType->item(0)).center());
        QCOMPARE(form->lstType->selectedItems().size(), 1);
        QCOMPARE(form->lstAddress->count(), 2);

        form->mnuAbout->trigger();
        QVERIFY(becameActive(FormInstance<frmAbout>::existing()));
        QApplication::setActiveWindow(form);
        QVERIFY(becameActive(form));

        QCOMPARE(form->lstType->count(), 2);
        QCOMPARE(form->lstType->selectedItems().size(), 0);
        QCOMPARE(form->lstAddress->count(), 2);
    }

    void label2OpensTheContactAddress_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("releasedOutside");
        QTest::addColumn<bool>("opens");
        QTest::newRow("left click") << int(Qt::LeftButton) << false << true;
        QTest::newRow("right click") << int(Qt::RightButton) << false << false;
        QTest::newRow("pressed, released elsewhere") << int(Qt::LeftButton) << true << false;
    }

    void label2OpensTheContactAddress()
    {
        QFETCH(int, button);
        QFETCH(bool, releasedOutside);
        QFETCH(bool, opens);
        RecordingPlatform platform;
        frmAbout *about = openAbout();
        QVERIFY(about);
        QLabel *address = about->Label2;
        const auto mouse = Qt::MouseButton(button);
        QTest::mousePress(address, mouse, {}, address->rect().center());
        QTest::mouseRelease(address, mouse, {},
                            releasedOutside ? QPoint(address->width() + 5, 5)
                                            : address->rect().center());

        if (!opens) {
            QCOMPARE(platform.calls, QStringList());
            return;
        }
        QCOMPARE(platform.calls.size(), 1);
        const RecordingPlatform::ShellCall mail{0, std::nullopt, u"mailto:merrin@example.org"_s,
                                                std::nullopt, u"C:\\"_s, 1};
        QCOMPARE(platform.shellCalls, QList<RecordingPlatform::ShellCall>{mail});
        // The label takes no focus; the box stays open.
        QVERIFY(about->cmdOK->hasFocus());
        QVERIFY(about->isVisible());
    }

    void controlsStandWhereTheLayoutPutsThem_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("twips");
        QTest::addColumn<QString>("caption");
        // From the top of the drawing order to the bottom.
        QTest::newRow("picIcon") << u"picIcon"_s << QRect(4200, 240, 1410, 1635) << QString();
        QTest::newRow("cmdOK") << u"cmdOK"_s << QRect(4245, 3465, 1260, 345) << u"OK"_s;
        QTest::newRow("cmdSysInfo") << u"cmdSysInfo"_s << QRect(4260, 3915, 1245, 345)
                                    << u"&System Info..."_s;
        QTest::newRow("Label8") << u"Label8"_s << QRect(120, 1920, 2295, 255) << QString();
        QTest::newRow("lblTitle") << u"lblTitle"_s << QRect(120, 120, 2115, 465) << u"Larkspan"_s;
        QTest::newRow("Label7") << u"Label7"_s << QRect(3120, 2760, 2535, 255) << QString();
        QTest::newRow("Label6") << u"Label6"_s << QRect(2520, 2520, 3135, 255) << QString();
        QTest::newRow("Label5") << u"Label5"_s << QRect(2160, 2280, 3495, 255) << QString();
        QTest::newRow("Label4") << u"Label4"_s << QRect(3360, 2040, 2295, 255) << QString();
        QTest::newRow("Label3") << u"Label3"_s << QRect(120, 3000, 1455, 255) << u"Mail me here:"_s;
        QTest::newRow("Label2") << u"Label2"_s << QRect(1560, 3000, 2415, 255) << QString();
        QTest::newRow("lblDescription")
            << u"lblDescription"_s << QRect(120, 720, 3885, 1170)
            << u"This Larkspan is capable of storing your necessary web addresses and email "
               "addresses. By double clicking on the name of the address you can directly access "
               "to the web or send a mial to the account. If you find any bug, please send me an "
               "email. Check my website for more free software:"_s;
        QTest::newRow("lblVersion") << u"lblVersion"_s << QRect(2400, 360, 1245, 225)
                                    << u"Version 0.1"_s;
        QTest::newRow("lblDisclaimer") << u"lblDisclaimer"_s << QRect(120, 3465, 3870, 825)
                                       << QString();
        QTest::newRow("Label1") << u"Label1"_s << QRect(210, 150, 2085, 495) << u"Label1"_s;
    }

    void controlsStandWhereTheLayoutPutsThem()
    {
        QFETCH(QString, name);
        QFETCH(QRect, twips);
        QFETCH(QString, caption);
        RecordingPlatform platform;
        frmAbout *about = openAbout();
        QVERIFY(about);
        auto *control = about->findChild<QWidget *>(name);
        QVERIFY(control);
        QCOMPARE(control->geometry(),
                 Twips::rect(twips.x(), twips.y(), twips.width(), twips.height(), about));
        if (auto *button = qobject_cast<QPushButton *>(control))
            QCOMPARE(button->text(), caption);
        auto *label = qobject_cast<QLabel *>(control);
        if (label && !caption.isEmpty())
            QCOMPARE(label->text(), caption);

        // Every text shows in full within its label.
        if (label && !label->text().isEmpty() && name != u"Label1") {
            const QFontMetrics metrics(label->font());
            const bool oneLine = 2 * metrics.height() > label->height();
            const int needed = oneLine ? metrics.horizontalAdvance(label->text())
                                       : label->heightForWidth(label->width());
            QVERIFY2(needed <= (oneLine ? label->width() : label->height()),
                     qPrintable(u"\"%1\" needs %2 pixels"_s.arg(label->text()).arg(needed)));
            QVERIFY(metrics.height() <= label->height());
        }
    }

    void theWindowIsAFixedToolDialog()
    {
        RecordingPlatform platform;
        frmAbout *about = openAbout();
        QVERIFY(about);
        QCOMPARE(about->objectName(), u"frmAbout"_s);
        QCOMPARE(about->windowTitle(), u" About Larkspan"_s);
        const QSize client = Twips::size(5730, 4350, about);
        QCOMPARE(about->size(), client);
        QCOMPARE(about->minimumSize(), client);
        QCOMPARE(about->maximumSize(), client);
        const Qt::WindowFlags flags = about->windowFlags();
        QCOMPARE(flags & Qt::WindowType_Mask, Qt::Tool);
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QVERIFY(!about->windowIcon().isNull());
        QCOMPARE(about->picIcon->pixmap().size(), QSize(90, 105));
        // The picture box fits the picture inside its border.
        QCOMPARE(about->picIcon->contentsRect().size(), QSize(90, 105));
    }

    void drawingOrderFollowsTheTable()
    {
        RecordingPlatform platform;
        frmAbout *about = openAbout();
        QVERIFY(about);
        // Children are painted in creation order: later ones lie on top.
        const QObjectList stack = about->children();
        const QList<QObject *> topDown = {
            about->picIcon, about->cmdOK, about->cmdSysInfo, about->Label8, about->lblTitle,
            about->Label7, about->Label6, about->Label5, about->Label4, about->Label3,
            about->Label2, about->Line1.value(1), about->lblDescription, about->Line1.value(0),
            about->lblVersion, about->lblDisclaimer, about->Label1};
        for (int i = 1; i < topDown.size(); ++i) {
            QVERIFY(topDown[i]);
            QVERIFY2(stack.indexOf(topDown[i - 1]) > stack.indexOf(topDown[i]),
                     qPrintable(topDown[i - 1]->objectName() + u" under "_s
                                + topDown[i]->objectName()));
        }
        for (int index = 0; index < 2; ++index) {
            QCOMPARE(about->Line1[index]->objectName(), u"Line1"_s);
            QCOMPARE(about->Line1[index]->property("index").toInt(), index);
        }
    }

    void theTitleCastsAShadowAndTheRuleIsEtched()
    {
        RecordingPlatform platform;
        frmAbout *about = openAbout();
        QVERIFY(about);
        const QImage image = about->grab().toImage();
        const QRect title = about->lblTitle->geometry();
        const QRect shadow = about->Label1->geometry();
        const QColor background = image.pixelColor(about->width() - 2, about->height() / 2);
        const QColor pink(255, 128, 128);

        // The title covers the shadow label but for 60-twip strips along its
        // right and bottom edges.
        QCOMPARE(shadow.right() - title.right(), Twips::toPixels(60, about));
        QCOMPARE(shadow.bottom() - title.bottom(), Twips::toPixels(60, about));
        QCOMPARE(image.pixelColor(shadow.topLeft() + QPoint(1, 1)), pink);
        QCOMPARE(image.pixelColor(shadow.right() - 1, title.center().y()), QColor(Qt::black));
        QCOMPARE(image.pixelColor(title.center().x(), shadow.bottom() - 1), QColor(Qt::black));
        QCOMPARE(image.pixelColor(shadow.right() + 1, title.center().y()), background);

        // Grey over white at the same height: a grey line with white below it.
        const int y = Twips::toPixels(3300, about);
        const int x = about->width() / 2;
        QCOMPARE(image.pixelColor(x, y - 1), background);
        QCOMPARE(image.pixelColor(x, y), QColor(128, 128, 128));
        QCOMPARE(image.pixelColor(x, y + 1), QColor(Qt::white));
        QCOMPARE(image.pixelColor(x, y + 2), background);
        QCOMPARE(background, QColor(212, 208, 200));
    }

    void focusStartsOnOkAndCyclesThroughThreeControls_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QStringList>("visited");
        QTest::newRow("Tab") << int(Qt::Key_Tab)
                             << QStringList{u"picIcon"_s, u"cmdSysInfo"_s, u"cmdOK"_s};
        QTest::newRow("Shift+Tab") << int(Qt::Key_Backtab)
                                   << QStringList{u"cmdSysInfo"_s, u"picIcon"_s, u"cmdOK"_s};
    }

    void focusStartsOnOkAndCyclesThroughThreeControls()
    {
        QFETCH(int, key);
        QFETCH(QStringList, visited);
        RecordingPlatform platform;
        frmAbout *about = openAbout();
        QVERIFY(about);
        QTRY_COMPARE(QApplication::focusWidget(), about->cmdOK);
        for (const QString &name : visited) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
            QTRY_COMPARE(QApplication::focusWidget()->objectName(), name);
        }
        for (QLabel *label : about->findChildren<QLabel *>())
            QCOMPARE(label->focusPolicy(), label == about->picIcon ? Qt::StrongFocus : Qt::NoFocus);
    }
};

QTEST_MAIN(FrmAboutTest)
#include "tst_frmabout.moc"
