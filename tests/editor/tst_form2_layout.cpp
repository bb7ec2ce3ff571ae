// The entry editor's window on Qt's offscreen platform: where its controls
// stand, how it looks, and how the keyboard moves through it.
#include "AddressBookFile.h"
#include "EditorFixture.h"
#include "RecordingPlatform.h"

#include "window/Twips.h"

#include <QLabel>
#include <QPushButton>
#include <QScreen>

using namespace EditorFixture;
using namespace Larkspan;
using namespace Qt::StringLiterals;
using Testing::RecordingPlatform;

namespace {

const QString okRefusal = u"Enter proper data as requesterd !!!"_s;
const QString addNewRefusal = u"Enter proper data as requesterd"_s;
const Record web{u"Web"_s, u"www.example.org"_s, u"one"_s};

// The editor's control that holds the focus (a combo box's own line edit
// counts as the combo box).
QString focused(const Form2 *editor)
{
    for (QWidget *widget = QApplication::focusWidget(); widget; widget = widget->parentWidget()) {
        if (widget->parentWidget() == editor)
            return widget->objectName();
    }
    return QString();
}

} // namespace

class Form2LayoutTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup()
    {
        WindowServices::instance().reset();
        QApplication::setActiveWindow(nullptr);
    }

    void controlsKeepTheirPlaces_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("twips");
        QTest::addColumn<QString>("caption");
        QTest::newRow("Label1") << u"Label1"_s << QRect(120, 120, 1455, 180)
                                << u"Catagory of website:"_s;
        QTest::newRow("Combo1") << u"Combo1"_s << QRect(120, 360, 5295, 315) << QString();
        QTest::newRow("Label2") << u"Label2"_s << QRect(120, 840, 1935, 180)
                                << u"Full address of the web site"_s;
        QTest::newRow("Text1") << u"Text1"_s << QRect(120, 1080, 5295, 300) << QString();
        QTest::newRow("Label3") << u"Label3"_s << QRect(120, 1560, 2175, 180)
                                << u"Information about the web site"_s;
        QTest::newRow("Text2") << u"Text2"_s << QRect(120, 1800, 5295, 1455) << QString();
        QTest::newRow("Command2") << u"Command2"_s << QRect(3120, 3360, 1095, 375)
                                  << u"&Add New"_s;
        QTest::newRow("Command1") << u"Command1"_s << QRect(4320, 3360, 1095, 375) << u"&Ok"_s;
    }

    void controlsKeepTheirPlaces()
    {
        QFETCH(QString, name);
        QFETCH(QRect, twips);
        QFETCH(QString, caption);
        RecordingPlatform platform;
        AddressBookFile file;
        file.enter();
        Form1 *main = showMainWindow();
        QVERIFY(main);
        press(main, Qt::Key_A);
        Form2 *editor = activeEditor();
        QVERIFY(editor);
        auto *control = editor->findChild<QWidget *>(name);
        QVERIFY(control);
        QCOMPARE(control->parentWidget(), editor);
        QVERIFY(control->isVisible());

        const QRect design = Twips::rect(twips.x(), twips.y(), twips.width(), twips.height(), editor);
        const QRect placed = control->geometry();
        if (auto *label = qobject_cast<QLabel *>(control)) {
            // A caption stands where it was drawn and shows its whole text.
            QCOMPARE(label->text(), caption);
            QCOMPARE(placed.topLeft(), design.topLeft());
            QVERIFY(placed.width() >= design.width() && placed.height() >= design.height());
            const QFontMetrics metrics = label->fontMetrics();
            QVERIFY(placed.width() >= metrics.horizontalAdvance(caption));
            QVERIFY(placed.height() >= metrics.height());
        } else {
            QCOMPARE(placed, design);
        }
        if (auto *button = qobject_cast<QPushButton *>(control))
            QCOMPARE(button->text(), caption);

        editor->resize(editor->size() * 2);
        QTRY_COMPARE(editor->size(), Twips::size(5550, 3795, editor) * 2);
        QCOMPARE(control->geometry(), placed);
        editor->resize(editor->size() / 3);
        QTRY_COMPARE(editor->size(), Twips::size(5550, 3795, editor) * 2 / 3);
        QCOMPARE(control->geometry(), placed);
    }

    void theWindow()
    {
        RecordingPlatform platform;
        AddressBookFile file;
        file.enter();
        Form1 *main = showMainWindow();
        QVERIFY(main);
        press(main, Qt::Key_A);
        Form2 *editor = activeEditor();
        QVERIFY(editor);
        QCOMPARE(editor->objectName(), u"Form2"_s);
        QCOMPARE(editor->windowTitle(), QString());
        QVERIFY(!editor->windowIcon().isNull());
        QCOMPARE(editor->size(), Twips::size(5550, 3795, editor));
        QVERIFY(editor->isWindow());
        QVERIFY(!editor->isModal());
        const Qt::WindowFlags flags = editor->windowFlags();
        QVERIFY(flags & Qt::WindowMinimizeButtonHint);
        QVERIFY(flags & Qt::WindowMaximizeButtonHint);
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QCOMPARE(editor->frameGeometry().center(),
                 QGuiApplication::primaryScreen()->availableGeometry().center());
        // The main window stays usable: it is no parent that the editor
        // would keep above.
        QCOMPARE(editor->parentWidget(), nullptr);
    }

    void tabOrder_data()
    {
        QTest::addColumn<Qt::Key>("command");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("adding") << Qt::Key_A
                                << QStringList{u"Combo1"_s, u"Text1"_s, u"Text2"_s,
                                               u"Command1"_s, u"Command2"_s, u"Combo1"_s};
        // Add New is hidden, and out of the way.
        QTest::newRow("modifying") << Qt::Key_M
                                   << QStringList{u"Combo1"_s, u"Text1"_s, u"Text2"_s,
                                                  u"Command1"_s, u"Combo1"_s};
    }

    void tabOrder()
    {
        QFETCH(Qt::Key, command);
        QFETCH(QStringList, order);
        RecordingPlatform platform;
        AddressBookFile file({web});
        file.enter();
        Form1 *main = showMainWindow();
        QVERIFY(main);
        QVERIFY(selectEntry(main, web.type, web.address));
        press(main, command);
        Form2 *editor = activeEditor();
        QVERIFY(editor);

        QStringList visited{focused(editor)};
        while (visited.size() < order.size()) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << focused(editor);
        }
        QCOMPARE(visited, order);
    }

    void accessKeys_data()
    {
        QTest::addColumn<Qt::Key>("command");
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<QStringList>("messages");
        // With nothing typed the input is refused, and the message tells
        // which button the key pressed.
        QTest::newRow("Alt+O presses OK") << Qt::Key_A << Qt::Key_O << QStringList{okRefusal};
        QTest::newRow("Alt+A presses Add New")
            << Qt::Key_A << Qt::Key_A << QStringList{addNewRefusal};
        QTest::newRow("Alt+A does nothing while Add New is hidden")
            << Qt::Key_M << Qt::Key_A << QStringList();
    }

    void accessKeys()
    {
        QFETCH(Qt::Key, command);
        QFETCH(Qt::Key, key);
        QFETCH(QStringList, messages);
        RecordingPlatform platform;
        AddressBookFile file({web});
        file.enter();
        Form1 *main = showMainWindow();
        QVERIFY(main);
        QVERIFY(selectEntry(main, web.type, web.address));
        press(main, command);
        Form2 *editor = activeEditor();
        QVERIFY(editor);
        QTest::keyClick(editor, key, Qt::AltModifier);
        // An access key presses its button the way a click does, a moment later.
        if (messages.isEmpty())
            QTest::qWait(300);
        QTRY_COMPARE(platform.messages, messages);
        QCOMPARE(file.rows(), QList<Record>{web});
        QVERIFY(editor->isVisible());
    }

    void keysThatPressNoButton_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<QString>("information");
        QTest::newRow("Enter in the category") << u"Combo1"_s << Qt::Key_Return << u"info"_s;
        QTest::newRow("Enter in the address") << u"Text1"_s << Qt::Key_Return << u"info"_s;
        QTest::newRow("Escape in the category") << u"Combo1"_s << Qt::Key_Escape << u"info"_s;
        QTest::newRow("Escape in the information") << u"Text2"_s << Qt::Key_Escape << u"info"_s;
        QTest::newRow("Escape on OK") << u"Command1"_s << Qt::Key_Escape << u"info"_s;
        QTest::newRow("Enter in the information starts a line")
            << u"Text2"_s << Qt::Key_Return << u"info\n"_s;
    }

    void keysThatPressNoButton()
    {
        QFETCH(QString, field);
        QFETCH(Qt::Key, key);
        QFETCH(QString, information);
        RecordingPlatform platform;
        AddressBookFile file({web});
        file.enter();
        Form1 *main = showMainWindow();
        QVERIFY(main);
        press(main, Qt::Key_A);
        Form2 *editor = activeEditor();
        QVERIFY(editor);
        QTest::keyClicks(editor->Combo1, u"Typed"_s);
        QTest::keyClicks(editor->Text1, u"x.org"_s);
        QTest::keyClicks(editor->Text2, u"info"_s);

        auto *target = editor->findChild<QWidget *>(field);
        QVERIFY(target);
        target->setFocus();
        QTest::keyClick(target, key);

        QVERIFY(platform.messages.isEmpty());
        QCOMPARE(file.rows(), QList<Record>{web});
        QVERIFY(editor->isVisible());
        QCOMPARE(QApplication::activeWindow(), editor);
        QCOMPARE(shown(editor), (Shown{u"Typed"_s, u"www.x.org"_s, information, true}));
        QCOMPARE(items(editor->Combo1), QStringList{web.type});
    }

    void aCategoryIsTakenAsTyped_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("the start of a listed one") << u"We"_s;
        QTest::newRow("another case") << u"WEB"_s;
        QTest::newRow("a listed one") << u"Web"_s;
        QTest::newRow("a longer one") << u"Webs"_s;
    }

    void aCategoryIsTakenAsTyped()
    {
        QFETCH(QString, typed);
        RecordingPlatform platform;
        AddressBookFile file({web});
        file.enter();
        Form1 *main = showMainWindow();
        QVERIFY(main);
        press(main, Qt::Key_A);
        Form2 *editor = activeEditor();
        QVERIFY(editor);
        QTest::keyClicks(editor->Combo1, typed);
        // Tabbing on to the address selects it whole: what is typed replaces "www.".
        QTest::keyClick(editor->Combo1, Qt::Key_Tab);
        QVERIFY(editor->Text1->hasFocus());
        QTest::keyClicks(editor->Text1, u"www.x.org"_s);
        QCOMPARE(editor->Combo1->currentText(), typed);
        QTest::mouseClick(editor->Command2, Qt::LeftButton);
        QCOMPARE(file.rows().last(), (Record{typed, u"www.x.org"_s, QString()}));
    }
};

QTEST_MAIN(Form2LayoutTest)
#include "tst_form2_layout.moc"
