// The entry editor with the main window, on Qt's offscreen platform: adding,
// changing and deleting entries the way a user does, through the Edit menu's
// shortcuts, typed text and button clicks; the fields reloaded on every
// return from the main window; stored text that goes back exactly as it came.
// The table is read back through a connection of the test's own.
#include "EditorFixture.h"

#include "window/HiddenTextField.h"
#include "window/LongText.h"

#include <QPointer>
#include <QScreen>
#include <QTextBlock>

using namespace EditorFixture;
using namespace Larkspan;
using namespace Qt::StringLiterals;

namespace {

const QString offered = u"Add New offered"_s;
const QString hidden = u"Add New hidden"_s;
const QStringList blank{QString(), u"www."_s, QString(), offered};
const Record web{u"Web"_s, u"www.example.org"_s, u"one"_s};
const Record mail{u"Mail"_s, u"a@example.org"_s, u"two"_s};
const Record late{u"Late"_s, u"late@example.org"_s, u"three"_s};
// Longer than a user may type into an empty address field.
const QString a300 = u"www.example.org/"_s.leftJustified(300, u'7');

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
        Book book({mail});
        Form2 *editor = book.open(Qt::Key_A, mail.type, mail.address);
        QVERIFY(editor);
        QCOMPARE(shown(editor), blank);

        QTest::keyClicks(editor->Combo1, u"Web"_s);
        QTest::keyClicks(editor->Text1, u"example.org"_s);
        QTest::keyClicks(editor->Text2, u"A search engine"_s);
        QTest::keyClick(editor->Text2, Qt::Key_Return);
        QTest::keyClicks(editor->Text2, u"and more"_s);
        QTest::mouseClick(editor->Command1, Qt::LeftButton);

        QCOMPARE(book.file.rows(), (QList<Record>{mail, {u"Web"_s, u"www.example.org"_s,
                                                         u"A search engine\nand more"_s}}));
        Form1 *main = book.main;
        QVERIFY(becameActive(main));
        // Hidden, not destroyed: it keeps what it showed.
        QCOMPARE(FormInstance<Form2>::existing(), editor);
        QVERIFY(!editor->isVisible());
        QCOMPARE(editor->Text1->text(), u"www.example.org"_s);
        QCOMPARE(items(main->lstType), (QStringList{u"Mail"_s, u"Web"_s}));
        QCOMPARE(main->lstAddress->count(), 0);
        QTRY_VERIFY(main->lstType->hasFocus());
    }

    void addNewStoresAndStartsTheNextEntry()
    {
        Book book;
        Form2 *editor = book.open(Qt::Key_A);
        QVERIFY(editor);
        for (const QString &site : {u"one.example"_s, u"two.example"_s}) {
            QTest::keyClicks(editor->Combo1, u"News"_s);
            QTest::keyClicks(editor->Text1, site);
            QTest::keyClicks(editor->Text2, site.left(3));
            QTest::mouseClick(editor->Command2, Qt::LeftButton);
            QCOMPARE(shown(editor), blank);
        }
        QCOMPARE(book.file.rows(), (QList<Record>{{u"News"_s, u"www.one.example"_s, u"one"_s},
                                                  {u"News"_s, u"www.two.example"_s, u"two"_s}}));
        // The editor stays, and nothing else is refreshed: not its choices,
        // not the main window's lists.
        QCOMPARE(QApplication::activeWindow(), editor);
        QCOMPARE(editor->Combo1->count(), 0);
        QCOMPARE(book.main->lstType->count(), 0);
    }

    void modifyChangesTheSelectedEntry_data()
    {
        QTest::addColumn<QList<Record>>("entries");
        QTest::addColumn<QStringList>("loaded");
        QTest::addColumn<QList<Record>>("stored");
        QTest::addColumn<QStringList>("categories");

        QTest::newRow("the old category goes with its last entry")
            << QList<Record>{web, mail}
            << QStringList{u"Web"_s, web.address, u"one"_s, hidden}
            << QList<Record>{{u"News"_s, web.address, u"one, changed"_s}, mail}
            << QStringList{u"News"_s, u"Mail"_s};
        // The command finds the first entry with the address, whatever its
        // category.
        const Record home{u"Home"_s, web.address, u"home"_s};
        QTest::newRow("an address filed twice: the first entry")
            << QList<Record>{home, web}
            << QStringList{u"Home"_s, web.address, u"home"_s, hidden}
            << QList<Record>{{u"News"_s, web.address, u"home, changed"_s}, web}
            << QStringList{u"News"_s, u"Web"_s};
    }

    void modifyChangesTheSelectedEntry()
    {
        QFETCH(QList<Record>, entries);
        QFETCH(QStringList, loaded);
        QFETCH(QList<Record>, stored);
        QFETCH(QStringList, categories);
        Book book(entries);
        Form2 *editor = book.open(Qt::Key_M, u"Web"_s, web.address);
        QVERIFY(editor);
        QCOMPARE(shown(editor), loaded);

        retype(editor->Combo1, u"News"_s);
        editor->Text2->moveCursor(QTextCursor::End);
        QTest::keyClicks(editor->Text2, u", changed"_s);
        QTest::keyClick(editor, Qt::Key_O, Qt::AltModifier);

        QVERIFY(becameActive(book.main));
        QCOMPARE(book.file.rows(), stored);
        QVERIFY(!editor->isVisible());
        QCOMPARE(items(book.main->lstType), categories);
    }

    void aChangeMadeElsewhereIsNeverOverwritten_data()
    {
        QTest::addColumn<QStringList>("elsewhere");
        QTest::addColumn<QList<Record>>("left");

        const QString removeLate = u"DELETE FROM Informaiton WHERE About = 'three'"_s;
        // The new entry takes the rowid the deleted one had.
        QTest::newRow("deleted, and a new entry added in its place")
            << QStringList{removeLate,
                           u"INSERT INTO Informaiton (Type, address, About)"
                           u" VALUES ('Late', 'other@example.org', 'theirs')"_s}
            << QList<Record>{web, mail, {late.type, u"other@example.org"_s, u"theirs"_s}};
        QTest::newRow("deleted") << QStringList{removeLate} << QList<Record>{web, mail};
        QTest::newRow("changed")
            << QStringList{u"UPDATE Informaiton SET About = 'theirs' WHERE About = 'three'"_s}
            << QList<Record>{web, mail, {late.type, late.address, u"theirs"_s}};
    }

    void aChangeMadeElsewhereIsNeverOverwritten()
    {
        QFETCH(QStringList, elsewhere);
        QFETCH(QList<Record>, left);
        Book book({web, mail, late});
        Form2 *editor = book.open(Qt::Key_M, late.type, late.address);
        QVERIFY(editor);
        retype(editor->Text2, u"mine"_s);
        for (const QString &statement : elsewhere)
            AddressBookFile::sql(book.file.path(), statement);
        QTest::mouseClick(editor->Command1, Qt::LeftButton);

        QCOMPARE(book.file.rows(), left);
        QCOMPARE(book.platform.messages.size(), 1);
        // What the user typed is still there, and OK now adds it.
        QVERIFY(editor->isVisible());
        QCOMPARE(shown(editor), (QStringList{late.type, late.address, u"mine"_s, offered}));
        QTest::mouseClick(editor->Command1, Qt::LeftButton);
        QCOMPARE(book.file.rows(), left + QList<Record>({{late.type, late.address, u"mine"_s}}));
    }

    void modifyWithNothingSelectedOpensNoEditor()
    {
        Book book({web});
        QVERIFY(book.main);
        QVERIFY(clickItem(book.main->lstType, web.type));
        press(book.main, Qt::Key_M);
        QCOMPARE(book.main->Text1->text(), u"mod"_s);
        QTest::qWait(50);
        QVERIFY(!FormInstance<Form2>::exists());
    }

    void deleteRemovesOnlyTheFirstOfTwoEqualEntries()
    {
        const Record second{web.type, web.address, u"second"_s};
        Book book({web, second, mail});
        QVERIFY(book.main);
        QVERIFY(selectEntry(book.main, web.type, web.address));
        press(book.main, Qt::Key_D);
        QCOMPARE(book.file.rows(), (QList<Record>{second, mail}));
        QCOMPARE(book.main->lstAddress->count(), 0);
        QCOMPARE(items(book.main->lstType), (QStringList{u"Web"_s, u"Mail"_s}));
        QTRY_VERIFY(book.main->lstType->hasFocus());
    }

    void deleteAfterModifyDeletesNothing()
    {
        // Modify leaves "mod" where Delete looks for the selected category.
        Book book({web, mail});
        QVERIFY(book.open(Qt::Key_M, web.type, web.address));
        QApplication::setActiveWindow(book.main);
        QVERIFY(becameActive(book.main));
        QVERIFY(clickItem(book.main->lstAddress, web.address));
        press(book.main, Qt::Key_D);
        QCOMPARE(book.file.rows(), (QList<Record>{web, mail}));
    }

    void theCloseButtonStoresNothingAndTheNextAddStartsAfresh()
    {
        Book book({web});
        QPointer<Form2> editor = book.open(Qt::Key_M, web.type, web.address);
        QVERIFY(editor);
        retype(editor->Combo1, u"Gone"_s);
        retype(editor->Text2, u"gone"_s);
        editor->move(editor->pos() + QPoint(40, 30));

        editor->close();
        QTRY_VERIFY(editor.isNull());
        // Back in the main window, whose rebuild would store a pending change.
        QApplication::setActiveWindow(book.main);
        QVERIFY(becameActive(book.main));
        QCOMPARE(book.file.rows(), QList<Record>{web});

        press(book.main, Qt::Key_A);
        Form2 *fresh = activeEditor();
        QVERIFY(fresh);
        QCOMPARE(shown(fresh), blank);
        QCOMPARE(fresh->frameGeometry().center(),
                 QGuiApplication::primaryScreen()->availableGeometry().center());
    }

    void returningFromTheMainWindowReloads_data()
    {
        QTest::addColumn<Qt::Key>("command");
        QTest::addColumn<QStringList>("clickedMeanwhile");
        QTest::addColumn<QStringList>("reloaded");
        QTest::addColumn<QList<Record>>("stored");

        const Record typed{u"Typed"_s, u"typed.example"_s, QString()};
        QTest::newRow("adding: the fields start over")
            << Qt::Key_A << QStringList() << blank << QList<Record>{web, mail, late, typed};
        QTest::newRow("modifying: reloaded from the address clicked meanwhile")
            << Qt::Key_M << QStringList{mail.type, mail.address}
            << QStringList{mail.type, mail.address, mail.about, hidden}
            << QList<Record>{web, {typed.type, typed.address, mail.about}, late};
        // The category click puts the category where the mode word was.
        QTest::newRow("adding, then a category clicked: modifying, OK adds nothing")
            << Qt::Key_A << QStringList{mail.type}
            << QStringList{QString(), QString(), QString(), hidden}
            << QList<Record>{web, mail, late};
    }

    void returningFromTheMainWindowReloads()
    {
        QFETCH(Qt::Key, command);
        QFETCH(QStringList, clickedMeanwhile);
        QFETCH(QStringList, reloaded);
        QFETCH(QList<Record>, stored);
        Book book({web, mail});
        Form2 *editor = book.open(command, web.type, web.address);
        QVERIFY(editor);
        retype(editor->Combo1, u"Lost"_s);
        retype(editor->Text1, u"lost.example"_s);
        retype(editor->Text2, u"lost"_s);

        // Meanwhile the table gained a category; the main window's rebuild
        // shows it, and so will the editor's choices.
        book.file.append({late});
        QApplication::setActiveWindow(book.main);
        QVERIFY(becameActive(book.main));
        if (!clickedMeanwhile.isEmpty())
            QVERIFY(clickItem(book.main->lstType, clickedMeanwhile[0]));
        if (clickedMeanwhile.size() > 1)
            QVERIFY(clickItem(book.main->lstAddress, clickedMeanwhile[1]));

        QApplication::setActiveWindow(editor);
        QCOMPARE(activeEditor(), editor);
        QCOMPARE(shown(editor), reloaded);
        QCOMPARE(items(editor->Combo1), (QStringList{web.type, mail.type, late.type}));

        retype(editor->Combo1, u"Typed"_s);
        retype(editor->Text1, u"typed.example"_s);
        QTest::mouseClick(editor->Command1, Qt::LeftButton);
        QVERIFY(becameActive(book.main));
        QCOMPARE(book.file.rows(), stored);
    }

    void untouchedTextGoesBackAsStored_data()
    {
        // What the user did not touch goes back character for character: the
        // fields they left alone, and in the information everything before
        // and after their change.
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("about");
        QTest::addColumn<bool>("editInformation");
        QTest::addColumn<Record>("stored");
        QTest::newRow("address of 300 characters, the information added to")
            << a300 << u"first\u00a0line\r\nsecond"_s << true
            << Record{u"Web"_s, a300, u"first\u00a0line\r\nsecond, changed"_s};
        QTest::newRow("information in lines ending CR LF, only the category changed")
            << web.address << u"first\r\nsecond\r\n"_s << false
            << Record{u"Sites"_s, web.address, u"first\r\nsecond\r\n"_s};
    }

    void untouchedTextGoesBackAsStored()
    {
        QFETCH(QString, address);
        QFETCH(QString, about);
        QFETCH(bool, editInformation);
        QFETCH(Record, stored);
        Book book({{u"Web"_s, address, about}});
        Form2 *editor = book.open(Qt::Key_M, u"Web"_s, address);
        QVERIFY(editor);
        QCOMPARE(editor->Text1->text(), address);

        if (editInformation) {
            editor->Text2->moveCursor(QTextCursor::End);
            QTest::keyClicks(editor->Text2, u", changed"_s);
        } else {
            retype(editor->Combo1, u"Sites"_s);
        }
        QTest::mouseClick(editor->Command1, Qt::LeftButton);
        QVERIFY(becameActive(book.main));
        QCOMPARE(book.file.rows(), QList<Record>{stored});
    }

    void aLongLineIsEditedAsOneLine_data()
    {
        // Keys pressed where the field breaks a long line into pieces, and
        // what they do to the text there.
        QTest::addColumn<QList<QKeyCombination>>("keys");
        QTest::addColumn<int>("at"); // from the break
        QTest::addColumn<int>("removed");
        QTest::addColumn<QString>("inserted");
        using K = QKeyCombination;
        QTest::newRow("Backspace") << QList<K>{K(Qt::Key_Backspace)} << -1 << 1 << QString();
        QTest::newRow("Delete") << QList<K>{K(Qt::Key_Left), K(Qt::Key_Delete)} << 0 << 1
                                << QString();
        QTest::newRow("Enter") << QList<K>{K(Qt::Key_Return)} << 0 << 0 << u"\n"_s;
        QTest::newRow("Shift+Enter") << QList<K>{Qt::ShiftModifier | Qt::Key_Return} << 0 << 0
                                     << u"\n"_s;
        QTest::newRow("cut across the break, pasted back")
            << QList<K>{K(Qt::Key_Left), K(Qt::Key_Left), Qt::ShiftModifier | Qt::Key_Right,
                        Qt::ShiftModifier | Qt::Key_Right, Qt::ShiftModifier | Qt::Key_Right,
                        Qt::ControlModifier | Qt::Key_X, Qt::ControlModifier | Qt::Key_V}
            << 0 << 0 << QString();
    }

    void aLongLineIsEditedAsOneLine()
    {
        QFETCH(QList<QKeyCombination>, keys);
        QFETCH(int, at);
        QFETCH(int, removed);
        QFETCH(QString, inserted);
        const QString head = u"head\r\n"_s;
        const QString about = head + u"no\u00a0break "_s.repeated(3000) + u"\r\ntail"_s;
        Book book({{web.type, web.address, about}});
        Form2 *editor = book.open(Qt::Key_M, web.type, web.address);
        QVERIFY(editor);
        const QTextDocument *document = editor->Text2->document();
        QVERIFY(document->blockCount() > 3);
        editor->Text2->setTextCursor(QTextCursor(document->findBlockByNumber(2)));
        const int piece = int(document->findBlockByNumber(1).text().size());

        for (const QKeyCombination key : keys)
            QTest::keyClick(editor->Text2, key.key(), key.keyboardModifiers());
        QTest::mouseClick(editor->Command1, Qt::LeftButton);
        QVERIFY(becameActive(book.main));
        QString expected = about;
        expected.replace(head.size() + piece + at, removed, inserted);
        QCOMPARE(book.file.rows().value(0).about, expected);
    }

    void aCategoryOrAddressTooLongToShowGoesBackWhole_data()
    {
        QTest::addColumn<Record>("entry");
        QTest::addColumn<Record>("stored"); // after "!" is typed at the end of each field
        const QString huge = u"x"_s.repeated(LongText::shownLength + 1000);
        QTest::newRow("address")
            << Record{web.type, huge, web.about} << Record{u"Web!"_s, huge, u"one!"_s};
        QTest::newRow("category") << Record{huge, web.address, web.about}
                                  << Record{huge, u"www.example.org!"_s, u"one!"_s};
    }

    void aCategoryOrAddressTooLongToShowGoesBackWhole()
    {
        QFETCH(Record, entry);
        QFETCH(Record, stored);
        Book book({entry});
        Form2 *editor = book.open(Qt::Key_M, entry.type, entry.address);
        QVERIFY(editor);
        for (QWidget *field : {static_cast<QWidget *>(editor->Combo1),
                               static_cast<QWidget *>(editor->Text1),
                               static_cast<QWidget *>(editor->Text2)}) {
            QTest::keyClick(field, Qt::Key_End, Qt::ControlModifier);
            QTest::keyClicks(field, u"!"_s);
        }
        QTest::mouseClick(editor->Command1, Qt::LeftButton);
        QVERIFY(becameActive(book.main));
        QCOMPARE(book.file.rows(), QList<Record>{stored});
    }

    void theAddressLimitHoldsForTypingOnly()
    {
        // A stored address longer than the limit is shown whole but cannot
        // grow; the next new entry is limited again.
        Book book({{u"Web"_s, a300, u"about"_s}});
        Form2 *editor = book.open(Qt::Key_M, u"Web"_s, a300);
        QVERIFY(editor);
        QTest::keyClick(editor->Text1, Qt::Key_End);
        QTest::keyClicks(editor->Text1, u"xyz"_s);
        QCOMPARE(editor->Text1->text(), a300);

        QApplication::setActiveWindow(book.main);
        QVERIFY(becameActive(book.main));
        press(book.main, Qt::Key_A);
        QCOMPARE(activeEditor(), editor);
        QTest::keyClicks(editor->Combo1, u"New"_s);
        QTest::keyClicks(editor->Text1, QString(200, u'c'));
        const QString typed = u"www."_s + QString(116, u'c');
        QTest::mouseClick(editor->Command2, Qt::LeftButton);
        QCOMPARE(book.file.rows(), (QList<Record>{{u"Web"_s, a300, u"about"_s},
                                                  {u"New"_s, typed, QString()}}));
    }
};

QTEST_MAIN(Form2EntriesTest)
#include "tst_form2_entries.moc"
