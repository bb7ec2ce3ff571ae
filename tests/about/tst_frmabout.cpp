// The About box on Qt's offscreen platform: how it closes, how the About
// command finds it, the contact address, its layout and drawing order, and
// what returning to the main window does.
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
    return window
           && QTest::qWaitFor([window] { return QApplication::activeWindow() == window; }, 2000);
}

template<typename Form>
Form *showForm()
{
    Form *form = FormInstance<Form>::get();
    WindowServices::instance().showWindow(form);
    return becameActive(form) ? form : nullptr;
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

    // The focus is moved with Tab from where the box puts it, so the rows
    // also walk the tab order: cmdOK, picIcon, cmdSysInfo and round again.
    // Key 0 stands for the window's close command.
    void keysAndCommands_data()
    {
        QTest::addColumn<int>("tabs");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("closes");
        QTest::newRow("Esc on cmdOK") << 0 << u"cmdOK"_s << int(Qt::Key_Escape) << true;
        QTest::newRow("Esc on picIcon") << 1 << u"picIcon"_s << int(Qt::Key_Escape) << true;
        QTest::newRow("Esc on cmdSysInfo") << 2 << u"cmdSysInfo"_s << int(Qt::Key_Escape) << true;
        QTest::newRow("Return on cmdOK") << 0 << u"cmdOK"_s << int(Qt::Key_Return) << true;
        // A focused button takes Enter itself: System Info runs, the box stays.
        QTest::newRow("Return on cmdSysInfo")
            << 2 << u"cmdSysInfo"_s << int(Qt::Key_Return) << false;
        // Once the focus has left System Info, Enter belongs to OK again.
        QTest::newRow("Return on picIcon after cmdSysInfo")
            << 4 << u"picIcon"_s << int(Qt::Key_Return) << true;
        QTest::newRow("close command") << 3 << u"cmdOK"_s << 0 << true;
    }

    void keysAndCommands()
    {
        QFETCH(int, tabs);
        QFETCH(QString, focus);
        QFETCH(int, key);
        QFETCH(bool, closes);
        RecordingPlatform platform;
        QPointer<frmAbout> about = showForm<frmAbout>();
        QVERIFY(about);
        for (int i = 0; i < tabs; ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTRY_COMPARE(QApplication::focusWidget(), about->findChild<QWidget *>(focus));

        if (key)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
        else
            QVERIFY(about->close());
        // No registry entries here: System Info says it is unavailable.
        const QString unavailable = QString::fromUtf16(SystemInfo::unavailableMessage);
        QCOMPARE(platform.messages, closes ? QStringList() : QStringList{unavailable});
        QCOMPARE(platform.calls.isEmpty(), closes);
        QCOMPARE(FormInstance<frmAbout>::existing(), closes ? nullptr : about.data());
        QTRY_COMPARE(about.isNull(), closes);
        QCOMPARE(about && about->isVisible(), !closes);
    }

    void theAboutCommandComesForwardAndReturningRebuildsCategories()
    {
        RecordingPlatform platform;
        AddressBookFile file({{u"News"_s, u"www.example.org"_s, u"n"_s},
                              {u"Mail"_s, u"a@example.org"_s, u"m"_s},
                              {u"News"_s, u"news.example.org"_s, u"n2"_s}});
        file.enter();
        Form1 *form = showForm<Form1>();
        QVERIFY(form);
        form->lstType->setCurrentRow(0);
        form->mnuAbout->trigger();
        QPointer<frmAbout> first = FormInstance<frmAbout>::existing();
        QVERIFY(becameActive(first));
        QVERIFY(!first->isModal() && !first->parentWidget());

        // Back at the main window, its categories are listed afresh.
        QApplication::setActiveWindow(form);
        QVERIFY(becameActive(form));
        QCOMPARE(form->lstType->count(), 2);
        QCOMPARE(form->lstType->selectedItems().size(), 0);
        QCOMPARE(form->lstAddress->count(), 2);

        // About while the box is open brings that box forward; once it is
        // unloaded, About builds a new one.
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
        frmAbout *about = showForm<frmAbout>();
        QVERIFY(about);
        QLabel *address = about->Label2;
        const QPoint inside = address->rect().center();
        // Neither the right button nor a press that ends off the label opens it.
        QTest::mouseClick(address, Qt::RightButton, {}, inside);
        QTest::mousePress(address, Qt::LeftButton, {}, inside);
        QTest::mouseRelease(address, Qt::LeftButton, {}, QPoint(address->width() + 5, 5));
        QCOMPARE(platform.calls, QStringList());

        QTest::mouseClick(address, Qt::LeftButton, {}, inside);
        const RecordingPlatform::ShellCall mail{0, std::nullopt, u"mailto:merrin@example.org"_s,
                                                std::nullopt, u"C:\\"_s, 1};
        QCOMPARE(platform.shellCalls, QList<RecordingPlatform::ShellCall>{mail});
        QCOMPARE(platform.calls.size(), 1);
        // The label takes no focus; the box stays open.
        QVERIFY(about->cmdOK->hasFocus() && about->isVisible());
    }

    // Row names are the controls' names, from the top of the drawing order.
    void controlsStandWhereTheLayoutPutsThem_data()
    {
        QTest::addColumn<QRect>("twips");
        QTest::addColumn<QString>("caption");
        QTest::newRow("picIcon") << QRect(4200, 240, 1410, 1635) << QString();
        QTest::newRow("cmdOK") << QRect(4245, 3465, 1260, 345) << u"OK"_s;
        QTest::newRow("cmdSysInfo") << QRect(4260, 3915, 1245, 345) << u"&System Info..."_s;
        QTest::newRow("Label8") << QRect(120, 1920, 2295, 255) << QString();
        QTest::newRow("lblTitle") << QRect(120, 120, 2115, 465) << u"Larkspan"_s;
        QTest::newRow("Label7") << QRect(3120, 2760, 2535, 255) << QString();
        QTest::newRow("Label6") << QRect(2520, 2520, 3135, 255) << QString();
        QTest::newRow("Label5") << QRect(2160, 2280, 3495, 255) << QString();
        QTest::newRow("Label4") << QRect(3360, 2040, 2295, 255) << QString();
        QTest::newRow("Label3") << QRect(120, 3000, 1455, 255) << u"Mail me here:"_s;
        QTest::newRow("Label2") << QRect(1560, 3000, 2415, 255) << QString();
        QTest::newRow("lblDescription")
            << QRect(120, 720, 3885, 1170)
            << u"This Larkspan is capable of storing your necessary web addresses and email "
               "addresses. By double clicking on the name of the address you can directly access "
               "to the web or send a mial to the account. If you find any bug, please send me an "
               "email. Check my website for more free software:"_s;
        QTest::newRow("lblVersion") << QRect(2400, 360, 1245, 225) << u"Version 0.1"_s;
        QTest::newRow("lblDisclaimer") << QRect(120, 3465, 3870, 825) << QString();
        QTest::newRow("Label1") << QRect(210, 150, 2085, 495) << u"Label1"_s;
    }

    void controlsStandWhereTheLayoutPutsThem()
    {
        QFETCH(QRect, twips);
        QFETCH(QString, caption);
        RecordingPlatform platform;
        frmAbout *about = showForm<frmAbout>();
        QVERIFY(about);
        const QString name = QString::fromLatin1(QTest::currentDataTag());
        auto *control = about->findChild<QWidget *>(name);
        QVERIFY(control);
        QCOMPARE(control->geometry(),
                 Twips::rect(twips.x(), twips.y(), twips.width(), twips.height(), about));
        if (!caption.isEmpty() || qobject_cast<QPushButton *>(control))
            QCOMPARE(control->property("text").toString(), caption);

        // Every text shows in full within its label (Label1 lies under the title).
        auto *label = qobject_cast<QLabel *>(control);
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

    void theWindowIsAFixedToolDialogInItsDrawingOrder()
    {
        RecordingPlatform platform;
        frmAbout *about = showForm<frmAbout>();
        QVERIFY(about);
        QCOMPARE(about->minimumSize(), Twips::size(5730, 4350, about));
        QCOMPARE(about->maximumSize(), about->minimumSize());
        const auto buttons = Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint;
        QCOMPARE(about->windowFlags() & (Qt::WindowType_Mask | buttons),
                 Qt::Tool | Qt::WindowCloseButtonHint);
        // The picture box fits the picture inside its border.
        QCOMPARE(about->picIcon->pixmap().size(), QSize(90, 105));
        QCOMPARE(about->picIcon->contentsRect().size(), QSize(90, 105));

        // Children are painted in creation order: the first created lies lowest.
        QStringList bottomUp;
        for (QWidget *child : about->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            const QVariant i = child->property("index");
            bottomUp << child->objectName() + (i.isValid() ? u"(%1)"_s.arg(i.toInt()) : QString());
        }
        QCOMPARE(bottomUp, (u"Label1 lblDisclaimer lblVersion Line1(0) lblDescription Line1(1) "
                            "Label2 Label3 Label4 Label5 Label6 Label7 lblTitle Label8 cmdSysInfo "
                            "cmdOK picIcon"_s).split(u' '));
        QCOMPARE(about->Line1, about->findChildren<QFrame *>(u"Line1"_s));
    }
};

QTEST_MAIN(FrmAboutTest)
#include "tst_frmabout.moc"
