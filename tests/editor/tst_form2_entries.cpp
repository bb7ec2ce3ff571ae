// The entry editor with the main window, on Qt's offscreen platform: adding,
// changing and deleting entries the way a user does, through the Edit menu's
// shortcuts, typed text and button clicks, with the table read back through
// a connection of the test's own.
#include "AddressBookFile.h"
#include "EditorFixture.h"
#include "RecordingPlatform.h"

#include "window/HiddenTextField.h"

#include <QPointer>
#include <QPushButton>

using namespace EditorFixture;
using namespace Larkspan;
using namespace Qt::StringLiterals;
using Testing::RecordingPlatform;

namespace {

const QString okRefusal = u"Enter proper data as requesterd !!!"_s;
const QString addNewRefusal = u"Enter proper data as requesterd"_s;

const Record web{u"Web"_s, u"www.example.org"_s, u"one"_s};
const Record mail{u"Mail"_s, u"a@example.org"_s, u"two"_s};

} // namespace

class Form2EntriesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup()
    {
        WindowServices::instance().reset();
        QApplication::setActiveWindow(nullptr);
    }

    void okAddsTheEntryAndReturnsToTheMainWindow()
    {
        RecordingPlatform platform;
        AddressBookFile file({mail});
        file.enter();
        Form1 *main = showMainWindow();
        QVERIFY(main);
        QVERIFY(selectEntry(main, u"Mail"_s, u"a@example.org"_s));

        press(main, Qt::Key_A);
        Form2 *editor = activeEditor();
        QVERIFY(editor);
        QCOMPARE(main->Text1->text(), u"add"_s);
        QCOMPARE(shown(editor), (Shown{QString(), u"www."_s, QString(), true}));
        QCOMPARE(items(editor->Combo1), QStringList{u"Mail"_s});
        QVERIFY(editor->Combo1->hasFocus());

        QTest::keyClicks(editor->Combo1, u"Web"_s);
        QTest::keyClicks(editor->Text1, u"example.org"_s);
        typeLines(editor->Text2, {u"A search engine"_s, u"and more"_s});
        QTest::mouseClick(editor->Command1, Qt::LeftButton);

        QVERIFY(platform.messages.isEmpty());
        QCOMPARE(file.rows(), (QList<Record>{mail, {u"Web"_s, u"www.example.org"_s,
                                                    u"A search engine\nand more"_s}}));
        QVERIFY(becameActive(main));
        // Hidden, not destroyed: it keeps what it showed.
        QCOMPARE(FormInstance<Form2>::existing(), editor);
        QVERIFY(!editor->isVisible());
        QCOMPARE(editor->Text1->text(), u"www.example.org"_s);
        QCOMPARE(items(main->lstType), (QStringList{u"Mail"_s, u"Web"_s}));
        QCOMPARE(main->lstType->selectedItems().size(), 0);
        QCOMPARE(main->lstAddress->count(), 0);
        QTRY_VERIFY(main->lstType->hasFocus());
    }

    void addNewStoresAndStartsTheNextEntry()
    {
        RecordingPlatform platform;
        AddressBookFile file;
        file.enter();
        Form1 *main = showMainWindow();
        QVERIFY(main);
        press(main, Qt::Key_A);
        Form2 *editor = activeEditor();
        QVERIFY(editor);

        QTest::keyClicks(editor->Combo1, u"News"_s);
        QTest::keyClicks(editor->Text1, u"one.example"_s);
        QTest::keyClicks(editor->Text2, u"first"_s);
        QTest::mouseClick(editor->Command2, Qt::LeftButton);
        QCOMPARE(shown(editor), (Shown{QString(), u"www."_s, QString(), true}));

        QTest::keyClicks(editor->Combo1, u"News"_s);
        QTest::keyClicks(editor->Text1, u"two.example"_s);
        QTest::mouseClick(editor->Command2, Qt::LeftButton);
        QCOMPARE(shown(editor), (Shown{QString(), u"www."_s, QString(), true}));

        QVERIFY(platform.messages.isEmpty());
        QCOMPARE(file.rows(), (QList<Record>{{u"News"_s, u"www.one.example"_s, u"first"_s},
                                             {u"News"_s, u"www.two.example"_s, QString()}}));
        // The editor stays, and nothing else is refreshed: not its choices,
        // not the main window's lists.
        QCOMPARE(QApplication::activeWindow(), editor);
        QCOMPARE(editor->Combo1->count(), 0);
        QCOMPARE(main->lstType->count(), 0);

        // OK right after, with nothing typed, is refused; the stored entries stay.
        QTest::mouseClick(editor->Command1, Qt::LeftButton);
        QCOMPARE(platform.messages, QStringList{okRefusal});
        QCOMPARE(file.rows().size(), 2);
        QVERIFY(editor->isVisible());
    }

    void theInputCheck_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("category");
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("refused");
        QTest::newRow("OK, address left at www.") << u"Command1"_s << u"Web"_s << u"www."_s << true;
        QTest::newRow("Add New, address left at www.")
            << u"Command2"_s << u"Web"_s << u"www."_s << true;
        QTest::newRow("OK, no category") << u"Command1"_s << QString() << u"www.x.org"_s << true;
        QTest::newRow("Add New, no category")
            << u"Command2"_s << QString() << u"www.x.org"_s << true;
        QTest::newRow("OK, nothing typed") << u"Command1"_s << QString() << u"www."_s << true;
        QTest::newRow("capitals are an address") << u"Command1"_s << u"Web"_s << u"WWW."_s << false;
        QTest::newRow("a trailing space too") << u"Command2"_s << u"Web"_s << u"www. "_s << false;
        QTest::newRow("empty address") << u"Command1"_s << u"Web"_s << QString() << false;
        QTest::newRow("category of spaces") << u"Command2"_s << u"  "_s << u"www.x.org"_s << false;
    }

    void theInputCheck()
    {
        QFETCH(QString, button);
        QFETCH(QString, category);
        QFETCH(QString, address);
        QFETCH(bool, refused);
        RecordingPlatform platform;
        AddressBookFile file;
        file.enter();
        Form1 *main = showMainWindow();
        QVERIFY(main);
        press(main, Qt::Key_A);
        Form2 *editor = activeEditor();
        QVERIFY(editor);

        retype(editor->Combo1, category);
        retype(editor->Text1, address);
        QTest::keyClicks(editor->Text2, u"typed"_s);
        QTest::mouseClick(editor->findChild<QPushButton *>(button), Qt::LeftButton);

        if (refused) {
            QCOMPARE(platform.messages,
                     QStringList{button == u"Command1"_s ? okRefusal : addNewRefusal});
            QCOMPARE(file.rows(), QList<Record>());
            QVERIFY(editor->isVisible());
            QCOMPARE(QApplication::activeWindow(), editor);
            QCOMPARE(shown(editor), (Shown{category, address, u"typed"_s, true}));
        } else {
            QVERIFY(platform.messages.isEmpty());
            QCOMPARE(file.rows(), (QList<Record>{{category, address, u"typed"_s}}));
        }
    }

    void modifyChangesTheSelectedEntry_data()
    {
        QTest::addColumn<QList<Record>>("entries");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("address");
        QTest::addColumn<Shown>("loaded");
        QTest::addColumn<QList<Record>>("stored");
        QTest::addColumn<QStringList>("categories");

        QTest::newRow("the old category goes with its last entry")
            << QList<Record>{web, mail} << u"Web"_s << web.address
            << Shown{u"Web"_s, web.address, u"one"_s, false}
            << QList<Record>{{u"News"_s, web.address, u"one, changed"_s}, mail}
            << QStringList{u"News"_s, u"Mail"_s};
        const Record otherWeb{u"Web"_s, u"www.other.org"_s, u"three"_s};
        QTest::newRow("the old category stays while another entry has it")
            << QList<Record>{web, otherWeb, mail} << u"Web"_s << web.address
            << Shown{u"Web"_s, web.address, u"one"_s, false}
            << QList<Record>{{u"News"_s, web.address, u"one, changed"_s}, otherWeb, mail}
            << QStringList{u"News"_s, u"Web"_s, u"Mail"_s};
        // The command finds the first entry with the address, whatever its
        // category.
        const Record home{u"Home"_s, u"x@example.org"_s, u"home"_s};
        const Record work{u"Work"_s, u"x@example.org"_s, u"work"_s};
        QTest::newRow("an address filed twice: the first entry")
            << QList<Record>{home, work} << u"Work"_s << work.address
            << Shown{u"Home"_s, home.address, u"home"_s, false}
            << QList<Record>{{u"News"_s, home.address, u"home, changed"_s}, work}
            << QStringList{u"News"_s, u"Work"_s};
    }

    void modifyChangesTheSelectedEntry()
    {
        QFETCH(QList<Record>, entries);
        QFETCH(QString, type);
        QFETCH(QString, address);
        QFETCH(Shown, loaded);
        QFETCH(QList<Record>, stored);
        QFETCH(QStringList, categories);
        RecordingPlatform platform;
        AddressBookFile file(entries);
        file.enter();
        Form1 *main = showMainWindow();
        QVERIFY(main);
        QVERIFY(selectEntry(main, type, address));
        const QStringList choices = items(main->lstType);

        press(main, Qt::Key_M);
        Form2 *editor = activeEditor();
        QVERIFY(editor);
        QCOMPARE(main->Text1->text(), u"mod"_s);
        QCOMPARE(shown(editor), loaded);
        QCOMPARE(items(editor->Combo1), choices);

        retype(editor->Combo1, u"News"_s);
        editor->Text2->moveCursor(QTextCursor::End);
        QTest::keyClicks(editor->Text2, u", changed"_s);
        QTest::keyClick(editor, Qt::Key_O, Qt::AltModifier);

        QVERIFY(becameActive(main));
        QVERIFY(platform.messages.isEmpty());
        QCOMPARE(file.rows(), stored);
        QVERIFY(!editor->isVisible());
        QCOMPARE(items(main->lstType), categories);
    }

    void modifyWithNothingSelectedOnlySetsTheModeWord()
    {
        RecordingPlatform platform;
        AddressBookFile file({web});
        file.enter();
        Form1 *main = showMainWindow();
        QVERIFY(main);
        QVERIFY(clickItem(main->lstType, u"Web"_s));
        QCOMPARE(main->Text1->text(), u"Web"_s);
        press(main, Qt::Key_M);
        QCOMPARE(main->Text1->text(), u"mod"_s);
        QTest::qWait(50);
        QVERIFY(!FormInstance<Form2>::exists());
    }

    void deleteRemovesOnlyTheFirstOfTwoEqualEntries()
    {
        RecordingPlatform platform;
        const Record second{web.type, web.address, u"second"_s};
        AddressBookFile file({web, second, mail});
        file.enter();
        Form1 *main = showMainWindow();
        QVERIFY(main);
        QVERIFY(selectEntry(main, web.type, web.address));
        press(main, Qt::Key_D);
        QCOMPARE(file.rows(), (QList<Record>{second, mail}));
        QCOMPARE(main->lstAddress->count(), 0);
        QCOMPARE(items(main->lstType), (QStringList{u"Web"_s, u"Mail"_s}));
        QTRY_VERIFY(main->lstType->hasFocus());
        QVERIFY(!FormInstance<Form2>::exists());
    }

    void deleteAfterModifyDeletesNothing_data()
    {
        QTest::addColumn<bool>("closeEditor");
        QTest::newRow("editor left open") << false;
        QTest::newRow("editor closed with its close button") << true;
    }

    void deleteAfterModifyDeletesNothing()
    {
        // Modify leaves "mod" where Delete looks for the selected category.
        QFETCH(bool, closeEditor);
        RecordingPlatform platform;
        AddressBookFile file({web, mail});
        file.enter();
        Form1 *main = showMainWindow();
        QVERIFY(main);
        QVERIFY(selectEntry(main, web.type, web.address));
        press(main, Qt::Key_M);
        QPointer<Form2> editor = activeEditor();
        QVERIFY(editor);
        if (closeEditor) {
            editor->close();
            QTRY_VERIFY(editor.isNull());
        }
        QApplication::setActiveWindow(main);
        QVERIFY(becameActive(main));
        QCOMPARE(items(main->lstAddress), QStringList{web.address});
        QVERIFY(clickItem(main->lstAddress, web.address));
        press(main, Qt::Key_D);

        QCOMPARE(file.rows(), (QList<Record>{web, mail}));
        QCOMPARE(main->Text1->text(), u"mod"_s);
        QCOMPARE(main->lstAddress->count(), 0);
    }

    void theCloseButtonStoresNothingAndTheNextAddStartsAfresh()
    {
        RecordingPlatform platform;
        AddressBookFile file({web});
        file.enter();
        Form1 *main = showMainWindow();
        QVERIFY(main);
        QVERIFY(selectEntry(main, web.type, web.address));
        press(main, Qt::Key_M);
        QPointer<Form2> editor = activeEditor();
        QVERIFY(editor);
        retype(editor->Combo1, u"Gone"_s);
        retype(editor->Text2, u"gone"_s);
        editor->move(editor->pos() + QPoint(40, 30));

        editor->close();
        QTRY_VERIFY(editor.isNull());
        QVERIFY(!FormInstance<Form2>::exists());
        // Back in the main window, whose rebuild would store a pending change.
        QApplication::setActiveWindow(main);
        QVERIFY(becameActive(main));
        QCOMPARE(file.rows(), QList<Record>{web});

        press(main, Qt::Key_A);
        Form2 *fresh = activeEditor();
        QVERIFY(fresh);
        QCOMPARE(shown(fresh), (Shown{QString(), u"www."_s, QString(), true}));
        QCOMPARE(fresh->frameGeometry().center(),
                 QGuiApplication::primaryScreen()->availableGeometry().center());
        QCOMPARE(file.rows(), QList<Record>{web});
    }
};

QTEST_MAIN(Form2EntriesTest)
#include "tst_form2_entries.moc"
