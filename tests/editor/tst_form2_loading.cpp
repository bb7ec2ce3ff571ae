// What the entry editor loads, and what it gives back: the fields reset or
// reloaded on every return from the main window, stored text that goes back
// exactly as it came when the user leaves it alone, and the address limit
// that holds for typing only.
#include "AddressBookFile.h"
#include "EditorFixture.h"
#include "RecordingPlatform.h"

#include "window/HiddenTextField.h"

#include <QPushButton>

using namespace EditorFixture;
using namespace Larkspan;
using namespace Qt::StringLiterals;
using Testing::RecordingPlatform;

namespace {

const Record web{u"Web"_s, u"www.example.org"_s, u"one"_s};
const Record mail{u"Mail"_s, u"a@example.org"_s, u"two"_s};
const Record late{u"Late"_s, u"late@example.org"_s, u"three"_s};

QString longAddress(int length)
{
    QString address = u"www.example.org/"_s;
    while (address.size() < length)
        address += QString::number(address.size() % 10);
    return address;
}

} // namespace

class Form2LoadingTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup()
    {
        WindowServices::instance().reset();
        QApplication::setActiveWindow(nullptr);
    }

    void returningFromTheMainWindowReloads_data()
    {
        QTest::addColumn<Qt::Key>("command");
        QTest::addColumn<QStringList>("clickedMeanwhile");
        QTest::addColumn<Shown>("reloaded");
        QTest::addColumn<QList<Record>>("stored");

        const Record typed{u"Typed"_s, u"typed.example"_s, QString()};
        QTest::newRow("adding: the fields start over")
            << Qt::Key_A << QStringList() << Shown{QString(), u"www."_s, QString(), true}
            << QList<Record>{web, mail, late, typed};
        // The main window's own activation left its cursor at end-of-file.
        QTest::newRow("modifying: reloaded at end-of-file, OK changes nothing")
            << Qt::Key_M << QStringList() << Shown{QString(), QString(), QString(), false}
            << QList<Record>{web, mail, late};
        QTest::newRow("modifying: reloaded from the address clicked meanwhile")
            << Qt::Key_M << QStringList{mail.type, mail.address}
            << Shown{mail.type, mail.address, mail.about, false}
            << QList<Record>{web, {typed.type, typed.address, mail.about}, late};
        // The category click puts the category where the mode word was.
        QTest::newRow("adding, then a category clicked: modifying, OK adds nothing")
            << Qt::Key_A << QStringList{mail.type} << Shown{QString(), QString(), QString(), false}
            << QList<Record>{web, mail, late};
    }

    void returningFromTheMainWindowReloads()
    {
        QFETCH(Qt::Key, command);
        QFETCH(QStringList, clickedMeanwhile);
        QFETCH(Shown, reloaded);
        QFETCH(QList<Record>, stored);
        RecordingPlatform platform;
        AddressBookFile file({web, mail});
        file.enter();
        Form1 *main = showMainWindow();
        QVERIFY(main);
        QVERIFY(selectEntry(main, web.type, web.address));
        press(main, command);
        Form2 *editor = activeEditor();
        QVERIFY(editor);
        retype(editor->Combo1, u"Lost"_s);
        retype(editor->Text1, u"lost.example"_s);
        retype(editor->Text2, u"lost"_s);

        // Meanwhile the table gained a category; the main window's rebuild
        // shows it, and so will the editor's choices.
        file.append({late});
        QApplication::setActiveWindow(main);
        QVERIFY(becameActive(main));
        if (!clickedMeanwhile.isEmpty())
            QVERIFY(clickItem(main->lstType, clickedMeanwhile[0]));
        if (clickedMeanwhile.size() > 1)
            QVERIFY(clickItem(main->lstAddress, clickedMeanwhile[1]));

        QApplication::setActiveWindow(editor);
        QCOMPARE(activeEditor(), editor);
        QCOMPARE(shown(editor), reloaded);
        QCOMPARE(items(editor->Combo1), (QStringList{web.type, mail.type, late.type}));

        retype(editor->Combo1, u"Typed"_s);
        retype(editor->Text1, u"typed.example"_s);
        QTest::mouseClick(editor->Command1, Qt::LeftButton);
        QVERIFY(platform.messages.isEmpty());
        QVERIFY(becameActive(main));
        QCOMPARE(file.rows(), stored);
    }

    void untouchedTextGoesBackAsStored_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("about");
        QTest::newRow("address of 121 characters") << longAddress(121) << u"long"_s;
        QTest::newRow("address of 300 characters") << longAddress(300) << u"long"_s;
        QTest::newRow("address of 40000 characters") << longAddress(40000) << u"very long"_s;
        QTest::newRow("information in lines ending CR LF")
            << web.address << u"first\r\nsecond\r\n"_s;
        QTest::newRow("information with a lone CR and separators")
            << web.address << u"a\rb\u2028c\u2029d"_s;
        QTest::newRow("address with a tab") << u"www.example.org/\tx"_s << u"tab"_s;
    }

    void untouchedTextGoesBackAsStored()
    {
        // Only the category is changed; address and information go back
        // character for character.
        QFETCH(QString, address);
        QFETCH(QString, about);
        RecordingPlatform platform;
        AddressBookFile file({{u"Web"_s, address, about}, mail});
        file.enter();
        Form1 *main = showMainWindow();
        QVERIFY(main);
        QVERIFY(selectEntry(main, u"Web"_s, address));
        press(main, Qt::Key_M);
        Form2 *editor = activeEditor();
        QVERIFY(editor);
        QCOMPARE(editor->Text1->text(), address);

        retype(editor->Combo1, u"Sites"_s);
        QTest::mouseClick(editor->Command1, Qt::LeftButton);
        QVERIFY(becameActive(main));
        QCOMPARE(file.rows(), (QList<Record>{{u"Sites"_s, address, about}, mail}));
    }

    void editedInformationIsStoredAsShown()
    {
        RecordingPlatform platform;
        AddressBookFile file({{u"Web"_s, web.address, u"first\r\nsecond"_s}});
        file.enter();
        Form1 *main = showMainWindow();
        QVERIFY(main);
        QVERIFY(selectEntry(main, u"Web"_s, web.address));
        press(main, Qt::Key_M);
        Form2 *editor = activeEditor();
        QVERIFY(editor);
        editor->Text2->moveCursor(QTextCursor::End);
        QTest::keyClick(editor->Text2, Qt::Key_Return);
        QTest::keyClicks(editor->Text2, u"third"_s);
        QTest::mouseClick(editor->Command1, Qt::LeftButton);
        QVERIFY(becameActive(main));
        QCOMPARE(file.rows().first().about, u"first\nsecond\nthird"_s);
    }

    void theAddressLimitHoldsForTypingOnly_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("backspaces");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");

        const QString a300 = longAddress(300);
        QTest::newRow("300 characters cannot grow") << a300 << 0 << u"xyz"_s << a300;
        QTest::newRow("300 characters edited within their length")
            << a300 << 3 << u"xyz"_s << a300.chopped(3) + u"xyz"_s;
        QTest::newRow("300 characters shortened") << a300 << 10 << QString() << a300.chopped(10);
        const QString a120 = longAddress(120);
        QTest::newRow("120 characters are full") << a120 << 0 << u"x"_s << a120;
        const QString typed(200, u'b');
        QTest::newRow("a short address grows to 120")
            << web.address << 0 << typed << (web.address + typed).left(120);
    }

    void theAddressLimitHoldsForTypingOnly()
    {
        QFETCH(QString, address);
        QFETCH(int, backspaces);
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        RecordingPlatform platform;
        AddressBookFile file({{u"Web"_s, address, u"about"_s}});
        file.enter();
        Form1 *main = showMainWindow();
        QVERIFY(main);
        QVERIFY(selectEntry(main, u"Web"_s, address));
        press(main, Qt::Key_M);
        Form2 *editor = activeEditor();
        QVERIFY(editor);

        QTest::keyClick(editor->Text1, Qt::Key_End);
        for (int i = 0; i < backspaces; ++i)
            QTest::keyClick(editor->Text1, Qt::Key_Backspace);
        QTest::keyClicks(editor->Text1, typed);
        QCOMPARE(editor->Text1->text(), stored);
        QTest::mouseClick(editor->Command1, Qt::LeftButton);
        QVERIFY(becameActive(main));
        QCOMPARE(file.rows(), (QList<Record>{{u"Web"_s, stored, u"about"_s}}));
    }

    void afterALongAddressTheNextEntryIsLimitedAgain()
    {
        RecordingPlatform platform;
        const QString a300 = longAddress(300);
        AddressBookFile file({{u"Web"_s, a300, u"about"_s}});
        file.enter();
        Form1 *main = showMainWindow();
        QVERIFY(main);
        QVERIFY(selectEntry(main, u"Web"_s, a300));
        press(main, Qt::Key_M);
        Form2 *editor = activeEditor();
        QVERIFY(editor);
        QCOMPARE(editor->Text1->text(), a300);

        QApplication::setActiveWindow(main);
        QVERIFY(becameActive(main));
        press(main, Qt::Key_A);
        QCOMPARE(activeEditor(), editor);
        QTest::keyClicks(editor->Combo1, u"New"_s);
        QTest::keyClicks(editor->Text1, QString(200, u'c'));
        const QString typed = u"www."_s + QString(116, u'c');
        QCOMPARE(editor->Text1->text(), typed);
        QTest::mouseClick(editor->Command2, Qt::LeftButton);
        QCOMPARE(file.rows().last(), (Record{u"New"_s, typed, QString()}));
    }
};

QTEST_MAIN(Form2LoadingTest)
#include "tst_form2_loading.moc"
