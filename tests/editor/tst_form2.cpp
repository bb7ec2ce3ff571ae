// The entry editor with the main window on Qt's offscreen platform, driven
// as a user drives it: the Edit menu's shortcuts, typed text and clicks. The
// table is read back through a connection of the test's own.
#include "AddressBookFile.h"
#include "RecordingPlatform.h"

#include "editor/Form2.h"
#include "editor/InformationEdit.h"
#include "main_window/Form1.h"
#include "store/RecordCursor.h"
#include "window/FormInstance.h"
#include "store/LongText.h"
#include "window/WindowServices.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>

using namespace Larkspan;
using namespace Qt::StringLiterals;
using Records = QList<Record>;

namespace {

const QStringList blank {QString(), u"www."_s, QString(), u"Add New offered"_s};
const Record web {u"Web"_s, u"www.example.org"_s, u"one"_s};
// A category that reads like the mode word "add" but for its case.
const Record capitals {u"ADD"_s, u"a@example.org"_s, u"two"_s};
const Record late {u"Late"_s, u"late@example.org"_s, u"three"_s};

bool becameActive(const QWidget *window)
{
    return QTest::qWaitFor([window] {
        return QApplication::activeWindow() == window
            && WindowServices::instance().lastActiveForm() == window;
    });
}

bool click(QListWidget *list, const QString &text)
{
    const QList<QListWidgetItem *> found = list->findItems(text, Qt::MatchExactly);
    if (!found.isEmpty()) // sent to the list itself, a click is lost
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(found.first()).center());
    return !found.isEmpty() && list->currentItem() == found.first();
}

// Select all, then type, as a user replaces a field's text; null: left alone.
void retype(QWidget *field, const QString &text)
{
    if (text.isNull())
        return;
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClicks(field, text);
}

// Category, address, information, and whether Add New is offered.
QStringList shown(const Form2 *editor)
{
    return {editor->Combo1->currentText(), editor->Text1->text(), editor->Text2->toPlainText(),
            editor->Command2->isHidden() ? u"Add New hidden"_s : u"Add New offered"_s};
}

// A recording platform, a book of these entries in the current directory
// and the main window shown on it.
struct Book
{
    explicit Book(const Records &entries)
        : file(entries)
    {
        file.enter();
        main = FormInstance<Form1>::get();
        WindowServices::instance().showWindow(main);
    }

    // The table as the book holds it, once the program has written it.
    Records stored() const { return main->Data1->table().publish().ok() ? file.rows() : Records(); }

    // Clicks the entry (when one is given) and presses Ctrl+key: the editor
    // that came up and became active, or nullptr.
    Form2 *open(Qt::Key key, const Record &entry = {})
    {
        if (becameActive(main)
            && (entry.type.isEmpty()
                || (click(main->lstType, entry.type) && click(main->lstAddress, entry.address))))
            QTest::keyClick(main, key, Qt::ControlModifier);
        using Editor = FormInstance<Form2>;
        const bool up = QTest::qWaitFor(&Editor::exists, 3000) && becameActive(Editor::existing());
        return up ? Editor::existing() : nullptr;
    }

    Testing::RecordingPlatform platform;
    AddressBookFile file;
    Form1 *main = nullptr;
};

} // namespace

class Form2Test : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup()
    {
        WindowServices::instance().reset();
        QApplication::setActiveWindow(nullptr);
    }

    // `entry` is modified (Ctrl+M), or with none a new one is added (Ctrl+A).
    // A null field of `typed` is left alone; the information is typed at its end.
    void storesWhatTheUserTyped_data()
    {
        QTest::addColumn<Records>("entries");
        QTest::addColumn<Record>("entry");
        QTest::addColumn<Record>("typed");
        QTest::addColumn<bool>("addNew"); // Add New, else OK
        QTest::addColumn<QStringList>("elsewhere"); // run on the file before the click
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<Records>("stored");

        const auto add = [](const char *name, const Record &typed, bool addNew,
                            const QString &refusal, const Records &stored) {
            QTest::newRow(name) << Records {web} << Record() << typed << addNew << QStringList()
                                << refusal << Records {web} + stored;
        };
        // Add New stays for the next entry; what is typed is cut at the limit.
        add("Add New adds, the address limited", {u"Mail"_s, QString(200, u'c'), {}}, true, {},
            {{u"Mail"_s, QString(120, u'c'), {}}});
        add("OK, address left at www.", {u"Web"_s, {}, {}}, false,
            u"Enter proper data as requesterd !!!"_s, {});
        add("Add New, no category", {u""_s, u"x.org"_s, {}}, true,
            u"Enter proper data as requesterd"_s, {});
        const Record home {u"Home"_s, web.address, u"home"_s};
        QTest::newRow("Modify: the first entry with the address, whatever its category")
            << Records {home, web} << web << Record {u"News"_s, {}, u", changed"_s} << false
            << QStringList() << QString()
            << Records {{u"News"_s, web.address, u"home, changed"_s}, web};
        // An address too long to show is read-only, and goes back whole, as
        // does every character of the information the user did not touch.
        const QString huge = u"x"_s.repeated(LongText::shownLength + 1000);
        QTest::newRow("Modify: untouched text goes back as stored")
            << Records {{web.type, huge, u"first\u00a0line\r\nsecond"_s}}
            << Record {web.type, huge, {}} << Record {u"Sites"_s, u"lost"_s, u", changed"_s}
            << false << QStringList() << QString()
            << Records {{u"Sites"_s, huge, u"first\u00a0line\r\nsecond, changed"_s}};
        // A change made elsewhere is never overwritten: what the user typed
        // stays, and OK then adds it. A new entry may take a deleted one's rowid.
        QTest::newRow("Modify: deleted elsewhere, a new entry in its place")
            << Records {web, late} << late << Record {{}, {}, u"mine"_s} << false
            << QStringList {u"DELETE FROM Informaiton WHERE About = 'three'"_s,
                            u"INSERT INTO Informaiton VALUES ('Late', 'other@example.org', 'theirs')"_s}
            << u"Another program changed or deleted this entry while you were editing it, so it was"
               u" left as it is. What you typed is still here: OK adds it as a new entry."_s
            << Records {web,
                        {late.type, u"other@example.org"_s, u"theirs"_s},
                        {late.type, late.address, u"threemine"_s}};
    }

    void storesWhatTheUserTyped()
    {
        QFETCH(Records, entries);
        QFETCH(Record, entry);
        QFETCH(Record, typed);
        QFETCH(bool, addNew);
        QFETCH(QStringList, elsewhere);
        QFETCH(QString, refusal);
        QFETCH(Records, stored);
        Book book(entries);
        Form2 *editor = book.open(entry.type.isEmpty() ? Qt::Key_A : Qt::Key_M, entry);
        QVERIFY(editor);
        retype(editor->Combo1, typed.type);
        retype(editor->Text1, typed.address);
        editor->Text2->moveCursor(QTextCursor::End);
        QTest::keyClicks(editor->Text2, typed.about);
        for (const QString &statement : elsewhere)
            AddressBookFile::sql(book.file.path(), statement);
        QTest::mouseClick(addNew ? editor->Command2 : editor->Command1, Qt::LeftButton);
        if (!elsewhere.isEmpty())
            QTest::mouseClick(editor->Command1, Qt::LeftButton);

        QCOMPARE(book.stored(), stored);
        QCOMPARE(book.platform.calls.filter(u"messageBox"_s),
                 refusal.isEmpty() ? QStringList()
                                   : QStringList {u"messageBox(\"%1\")"_s.arg(refusal)});
        if (addNew && refusal.isEmpty())
            QCOMPARE(shown(editor), blank);
        const bool stays = addNew || (!refusal.isEmpty() && elsewhere.isEmpty());
        QVERIFY(becameActive(stays ? static_cast<QWidget *>(editor) : book.main));
    }

    // The editor reads the mode and the fields afresh on every activation.
    void returningFromTheMainWindowReloads_data()
    {
        QTest::addColumn<Qt::Key>("command");
        QTest::addColumn<QStringList>("clickedMeanwhile");
        QTest::addColumn<QStringList>("reloaded");
        QTest::addColumn<Records>("stored");

        const Record typed {u"Typed"_s, u"typed.example"_s, QString()};
        QTest::newRow("adding: the fields start over")
            << Qt::Key_A << QStringList() << blank << Records {web, capitals, late, typed};
        QTest::newRow("modifying: reloaded from the address clicked meanwhile")
            << Qt::Key_M << QStringList {capitals.type, capitals.address}
            << QStringList {capitals.type, capitals.address, capitals.about, u"Add New hidden"_s}
            << Records {web, {typed.type, typed.address, capitals.about}, late};
        // The category clicked takes the mode word's place.
        QTest::newRow("adding, then a category clicked: modifying, OK adds nothing")
            << Qt::Key_A << QStringList {capitals.type}
            << QStringList {QString(), QString(), QString(), u"Add New hidden"_s}
            << Records {web, capitals, late};
    }

    void returningFromTheMainWindowReloads()
    {
        QFETCH(Qt::Key, command);
        QFETCH(QStringList, clickedMeanwhile);
        QFETCH(QStringList, reloaded);
        QFETCH(Records, stored);
        Book book({web, capitals});
        Form2 *editor = book.open(command, web);
        QVERIFY(editor);
        retype(editor->Combo1, u"Lost"_s);

        // Meanwhile the table gained a category: the editor's choices show it.
        book.file.append({late});
        QApplication::setActiveWindow(book.main);
        QVERIFY(becameActive(book.main));
        for (qsizetype i = 0; i < clickedMeanwhile.size(); ++i)
            QVERIFY(click(i ? book.main->lstAddress : book.main->lstType, clickedMeanwhile[i]));
        QApplication::setActiveWindow(editor);
        QVERIFY(becameActive(editor));
        QCOMPARE(shown(editor), reloaded);
        QCOMPARE(editor->Combo1->count(), 3);

        retype(editor->Combo1, u"Typed"_s);
        retype(editor->Text1, u"typed.example"_s);
        QTest::mouseClick(editor->Command1, Qt::LeftButton);
        QCOMPARE(book.stored(), stored);
    }

    // Ctrl+Z takes each kind of change back, down to the table, and Ctrl+Y
    // makes it again; a change whose entry another program changed since is
    // left as it is, with a message.
    void ctrlZTakesAChangeBack_data()
    {
        QTest::addColumn<Qt::Key>("command"); // Ctrl+A, Ctrl+M or Ctrl+D on `web`
        QTest::addColumn<QString>("elsewhere"); // run on the file before Ctrl+Z
        QTest::addColumn<Records>("changed");
        const Record typed {u"Typed"_s, u"typed.example"_s, QString()};
        QTest::newRow("an entry added") << Qt::Key_A << QString() << Records {web, late, typed};
        QTest::newRow("an entry modified")
            << Qt::Key_M << QString() << Records {{typed.type, typed.address, web.about}, late};
        QTest::newRow("an entry deleted, in its place again")
            << Qt::Key_D << QString() << Records {late};
        QTest::newRow("modified, then changed elsewhere")
            << Qt::Key_M << u"UPDATE Informaiton SET About = 'theirs' WHERE Type = 'Typed'"_s
            << Records {{typed.type, typed.address, web.about}, late};
    }

    void ctrlZTakesAChangeBack()
    {
        QFETCH(Qt::Key, command);
        QFETCH(QString, elsewhere);
        QFETCH(Records, changed);
        Book book({web, late});
        if (command == Qt::Key_D) {
            QVERIFY(becameActive(book.main) && click(book.main->lstType, web.type)
                    && click(book.main->lstAddress, web.address));
            QTest::keyClick(book.main, Qt::Key_D, Qt::ControlModifier);
        } else {
            Form2 *editor = book.open(command, command == Qt::Key_M ? web : Record());
            QVERIFY(editor);
            retype(editor->Combo1, u"Typed"_s);
            retype(editor->Text1, u"typed.example"_s);
            QTest::mouseClick(editor->Command1, Qt::LeftButton);
        }
        QCOMPARE(book.stored(), changed);
        Records before {web, late};
        if (!elsewhere.isEmpty()) {
            AddressBookFile::sql(book.file.path(), elsewhere);
            before = book.file.rows(); // what Ctrl+Z must leave
        }
        const auto press = [&book](Qt::KeyboardModifiers modifiers, Qt::Key key) {
            QVERIFY(becameActive(book.main));
            QTest::keyClick(book.main, key, modifiers);
        };
        press(Qt::ControlModifier, Qt::Key_Z);
        QCOMPARE(book.stored(), before);
        QCOMPARE(book.platform.calls.filter(u"messageBox"_s).size(), elsewhere.isEmpty() ? 0 : 1);
        if (!elsewhere.isEmpty())
            return;
        QCOMPARE(book.main->lstAddress->count(), 0);
        press(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Z);
        QCOMPARE(book.stored(), changed);
        press(Qt::ControlModifier, Qt::Key_Z);
        press(Qt::ControlModifier, Qt::Key_Y);
        QCOMPARE(book.stored(), changed);
    }

    // Keys pressed where the field breaks a long line into pieces act on
    // the one line stored: a cut across the break pasted back changes
    // nothing, Backspace joins, Enter starts a line.
    void aLongLineIsEditedAsOneLine()
    {
        const QString head = u"head\r\n"_s;
        const QString about = head + u"no\u00a0break "_s.repeated(3000) + u"\r\ntail"_s;
        Book book({{web.type, web.address, about}});
        Form2 *editor = book.open(Qt::Key_M, web);
        QVERIFY(editor);
        const QTextDocument *document = editor->Text2->document();
        editor->Text2->setTextCursor(QTextCursor(document->findBlockByNumber(2)));
        const int piece = int(document->findBlockByNumber(1).text().size());
        for (const QKeyCombination key :
             {QKeyCombination(Qt::Key_Left), Qt::ShiftModifier | Qt::Key_Right,
              Qt::ShiftModifier | Qt::Key_Right, Qt::ControlModifier | Qt::Key_X,
              Qt::ControlModifier | Qt::Key_V, QKeyCombination(Qt::Key_Left),
              QKeyCombination(Qt::Key_Backspace), QKeyCombination(Qt::Key_Return)})
            QTest::keyClick(editor->Text2, key.key(), key.keyboardModifiers());
        QTest::mouseClick(editor->Command1, Qt::LeftButton);
        QCOMPARE(book.stored().value(0).about,
                 QString(about).replace(head.size() + piece - 1, 1, u"\n"_s));
    }
};

QTEST_MAIN(Form2Test)
#include "tst_form2.moc"
