// The main window on Qt's offscreen platform: its controls, its menus, and
// the category list it rebuilds on every activation.
#include "AddressBookFile.h"
#include "ListProbe.h"
#include "RecordingPlatform.h"

#include "main_window/Form1.h"
#include "store/RecordCursor.h"
#include "window/FormInstance.h"
#include "window/HiddenTextField.h"
#include "window/Twips.h"
#include "window/WindowServices.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

using namespace Larkspan;
using namespace Qt::StringLiterals;
using Testing::RecordingPlatform;
using Testing::items;
using Testing::clickItem;
using Testing::centreOf;

namespace {


Form1 *showMainWindow()
{
    Form1 *form = FormInstance<Form1>::get();
    WindowServices::instance().showWindow(form);
    if (!QTest::qWaitFor([form] { return QApplication::activeWindow() == form; }, 2000))
        return nullptr;
    return form;
}


} // namespace

class Form1Test : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup()
    {
        WindowServices::instance().reset();
        QApplication::setActiveWindow(nullptr);
    }

    void controlsStandWhereTheLayoutPutsThem_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("twips");
        QTest::addColumn<QString>("caption");
        QTest::newRow("Label1") << u"Label1"_s << QRect(30, 30, 2655, 300)
                                << u"          Site Catagory:"_s;
        QTest::newRow("lstType") << u"lstType"_s << QRect(30, 400, 2655, 3960) << QString();
        QTest::newRow("Label2") << u"Label2"_s << QRect(2760, 30, 5295, 300)
                                << u"               The complete web/email address:"_s;
        QTest::newRow("lstAddress") << u"lstAddress"_s << QRect(2760, 400, 5295, 1815) << QString();
        QTest::newRow("Label3") << u"Label3"_s << QRect(2760, 2280, 5295, 300)
                                << u"         Information about the web/email address:"_s;
        QTest::newRow("About") << u"About"_s << QRect(2760, 2640, 5295, 1720) << QString();
    }

    void controlsStandWhereTheLayoutPutsThem()
    {
        QFETCH(QString, name);
        QFETCH(QRect, twips);
        QFETCH(QString, caption);
        RecordingPlatform platform;
        AddressBookFile file;
        file.enter();
        Form1 *form = showMainWindow();
        QVERIFY(form);
        auto *control = form->findChild<QWidget *>(name);
        QVERIFY(control);
        QVERIFY(control->isVisible());
        QCOMPARE(control->geometry(),
                 Twips::rect(twips.x(), twips.y(), twips.width(), twips.height(), form));
        if (auto *label = qobject_cast<QLabel *>(control); label && !caption.isEmpty())
            QCOMPARE(label->text(), caption);
        // A screen reader hears the caption's words, not its padding.
        if (!caption.isEmpty()) {
            QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(control);
            QVERIFY(accessible);
            QCOMPARE(accessible->text(QAccessible::Name), caption.trimmed());
        }
    }

    void theWindowAndItsHiddenFields()
    {
        RecordingPlatform platform;
        AddressBookFile file;
        file.enter();
        Form1 *form = showMainWindow();
        QVERIFY(form);
        QCOMPARE(form->windowTitle(), u"Larkspan"_s);
        QCOMPARE(form->centralWidget()->size(), Twips::size(8100, 4425, form));
        QVERIFY(!(form->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(form->lstAddress->toolTip(), u"Double Click to Visit"_s);
        QCOMPARE(form->Text1->text(), u"Text1"_s);
        for (const char16_t *name : {u"Text1", u"Text2", u"Text3", u"Text4"}) {
            auto *field = form->findChild<HiddenTextField *>(QString::fromUtf16(name));
            QVERIFY(field);
            QVERIFY(!field->isVisible());
            QCOMPARE(field->focusPolicy(), Qt::NoFocus);
        }
        QVERIFY(form->findChild<RecordCursor *>(u"Data1"_s));
        QCOMPARE(form->lstType->font().pointSizeF(), 8.25);
        QVERIFY(form->Label1->font().bold());
    }

    void theMenusOfferTheirCommands()
    {
        RecordingPlatform platform;
        AddressBookFile file;
        file.enter();
        Form1 *form = showMainWindow();
        QVERIFY(form);
        const QList<QAction *> top = form->menuBar()->actions();
        QCOMPARE(top.size(), 2);
        QCOMPARE(top[0]->text(), u"&Edit"_s);
        QCOMPARE(top[0]->menu(), form->ed);
        QCOMPARE(top[1], form->mnuAbout);
        QCOMPARE(form->mnuAbout->text(), u"&About"_s);
        QVERIFY(!form->mnuAbout->menu());

        const QList<QAction *> edit = form->findChildren<QAction *>(u"mnuedit"_s);
        QCOMPARE(edit.size(), 5);
        QCOMPARE(form->ed->actions(), form->mnuedit);
        const QStringList captions = {u"Add"_s, u"Delete"_s, u"Modify"_s, QString(), u"Exit"_s};
        const QList<QKeySequence> keys = {QKeySequence(u"Ctrl+A"_s), QKeySequence(u"Ctrl+D"_s),
                                          QKeySequence(u"Ctrl+M"_s), QKeySequence(),
                                          QKeySequence(u"Ctrl+E"_s)};
        for (int index = 0; index < 5; ++index) {
            QAction *item = form->mnuedit[index];
            QCOMPARE(item->property("index").toInt(), index);
            QCOMPARE(item->isSeparator(), index == 3);
            QCOMPARE(item->text(), captions[index]);
            QCOMPARE(item->shortcut(), keys[index]);
            QVERIFY(item->isEnabled());
        }
    }

    void activationListsEachCategoryOnceInOrderOfFirstAppearance_data()
    {
        QTest::addColumn<QStringList>("types");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("empty table") << QStringList() << QStringList();
        QTest::newRow("case differs") << QStringList{u"News"_s, u"Mail"_s, u"News"_s, u"news"_s}
                                      << QStringList{u"News"_s, u"Mail"_s, u"news"_s};
        QTest::newRow("empty category is one item")
            << QStringList{u""_s, u"Web"_s, u""_s} << QStringList{u""_s, u"Web"_s};
        QTest::newRow("spaces count") << QStringList{u"Web"_s, u"Web "_s, u" Web"_s}
                                      << QStringList{u"Web"_s, u"Web "_s, u" Web"_s};
        QTest::newRow("non-ASCII") << QStringList{u"Čísla"_s, u"ČÍSLA"_s, u"日本"_s, u"Čísla"_s}
                                   << QStringList{u"Čísla"_s, u"ČÍSLA"_s, u"日本"_s};
    }

    void activationListsEachCategoryOnceInOrderOfFirstAppearance()
    {
        QFETCH(QStringList, types);
        QFETCH(QStringList, expected);
        RecordingPlatform platform;
        QList<Record> entries;
        for (const QString &type : types)
            entries.append({type, type + u"@example.org"_s, u"about "_s + type});
        AddressBookFile file(entries);
        file.enter();
        Form1 *form = showMainWindow();
        QVERIFY(form);
        QCOMPARE(items(form->lstType), expected);
        QCOMPARE(form->lstType->selectedItems().size(), 0);
        QVERIFY(form->Data1->Eof());
        QCOMPARE(form->About->text(), QString());
        // Rebuilding twice gives the same list.
        form->init();
        QCOMPARE(items(form->lstType), expected);
        // A screen reader hears the items as they stand.
        QAccessibleInterface *list = QAccessible::queryAccessibleInterface(form->lstType);
        QVERIFY(list);
        QStringList heard;
        for (int i = 0; i < list->childCount(); ++i)
            heard << list->child(i)->text(QAccessible::Name);
        QCOMPARE(heard, expected);
    }

    void returningToTheWindowRebuildsTheList()
    {
        RecordingPlatform platform;
        AddressBookFile file({{u"Web"_s, u"www.example.org"_s, u"one"_s},
                              {u"Mail"_s, u"a@example.org"_s, u"two"_s}});
        file.enter();
        Form1 *form = showMainWindow();
        QVERIFY(form);
        clickItem(form->lstType, 0);
        QCOMPARE(items(form->lstAddress), QStringList{u"www.example.org"_s});
        QCOMPARE(form->lstType->selectedItems().size(), 1);

        file.append({{u"Added"_s, u"x@example.org"_s, u""_s}});
        // Another window of the program comes and goes: rebuilt, selection
        // lost, the address list kept.
        auto *other = new QWidget; // unloaded with the other forms at cleanup
        WindowServices::instance().registerForm(other, [] {});
        WindowServices::instance().showWindow(other);
        QTRY_COMPARE(QApplication::activeWindow(), other);
        WindowServices::instance().giveFocus(form->lstType);
        QTRY_COMPARE(QApplication::activeWindow(), form);
        QCOMPARE(items(form->lstType), QStringList({u"Web"_s, u"Mail"_s, u"Added"_s}));
        QCOMPARE(form->lstType->selectedItems().size(), 0);
        QCOMPARE(items(form->lstAddress), QStringList{u"www.example.org"_s});
    }

    void anUnusableFileEndsTheProgramAtTheFirstActivation()
    {
        RecordingPlatform platform;
        AddressBookFile file;
        file.enter();
        {
            QFile bad(file.path());
            QVERIFY(bad.open(QIODevice::WriteOnly | QIODevice::Truncate));
            bad.write(QByteArray(2048, 'x'));
        }
        const QByteArray before = AddressBookFile::digest(file.path());
        // Loading the window still works; its first rebuild fails.
        Form1 *form = FormInstance<Form1>::get();
        QCOMPARE(form->About->text(), u"About"_s);
        QVERIFY_THROWS_EXCEPTION(RecordingPlatform::Unhandled, form->Form_Activate());
        QCOMPARE(platform.unhandledFailures, QStringList{u"file is not a database"_s});
        QCOMPARE(AddressBookFile::digest(file.path()), before);
    }

    void closingTheWindowEndsTheProgram()
    {
        RecordingPlatform platform;
        AddressBookFile file;
        file.enter();
        Form1 *form = showMainWindow();
        QVERIFY(form);
        form->close();
        QVERIFY(WindowServices::instance().ending());
        QVERIFY(!form->isVisible());
    }
};

QTEST_MAIN(Form1Test)
#include "tst_form1.moc"
