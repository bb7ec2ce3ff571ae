// The entry editor's window on Qt's offscreen platform: how it looks, how
// the keyboard moves through it, and which input its buttons refuse.
#include "EditorFixture.h"

#include "window/Twips.h"

#include <QLabel>

using namespace EditorFixture;
using namespace Larkspan;
using namespace Qt::StringLiterals;

namespace {

const QString okRefusal = u"Enter proper data as requesterd !!!"_s;
const QString addNewRefusal = u"Enter proper data as requesterd"_s;
const Record web{u"Web"_s, u"www.example.org"_s, u"one"_s};
const QString offered = u"Add New offered"_s;

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

    void theWindowAndItsTabOrder()
    {
        Book book;
        Form2 *editor = book.open(Qt::Key_A);
        QVERIFY(editor);
        QCOMPARE(editor->windowTitle(), QString());
        QVERIFY(!editor->windowIcon().isNull());
        // No parent that the editor would be kept above: the main window stays usable.
        QCOMPARE(editor->parentWidget(), nullptr);
        QCOMPARE((QStringList{editor->Label1->text(), editor->Label2->text(),
                              editor->Label3->text(), editor->Command2->text(),
                              editor->Command1->text()}),
                 (QStringList{u"Catagory of website:"_s, u"Full address of the web site"_s,
                              u"Information about the web site"_s, u"&Add New"_s, u"&Ok"_s}));
        // The captions show their whole text in the dialog font.
        for (const QLabel *label : {editor->Label1, editor->Label2, editor->Label3}) {
            QVERIFY2(label->width() >= label->fontMetrics().horizontalAdvance(label->text())
                         && label->height() >= label->fontMetrics().height(),
                     qPrintable(label->objectName()));
        }

        QStringList visited{focused(editor)};
        for (int i = 0; i < 5; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << focused(editor);
        }
        QCOMPARE(visited, (QStringList{u"Combo1"_s, u"Text1"_s, u"Text2"_s, u"Command1"_s,
                                       u"Command2"_s, u"Combo1"_s}));

        // It can be resized, and that moves nothing.
        const auto places = [editor] {
            QList<QRect> rects;
            for (const QWidget *control :
                 editor->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
                rects << control->geometry();
            return rects;
        };
        const QList<QRect> designed = places();
        const QSize larger = Twips::size(5550, 3795, editor) * 2;
        editor->resize(larger);
        QTRY_COMPARE(editor->size(), larger);
        QCOMPARE(places(), designed);
    }

    void theInputCheck_data()
    {
        // Alt+O presses OK, Alt+A presses Add New.
        QTest::addColumn<Qt::Key>("accessKey");
        QTest::addColumn<QString>("category");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("OK, address left at www.")
            << Qt::Key_O << u"Web"_s << u"www."_s << okRefusal;
        QTest::newRow("Add New, address left at www.")
            << Qt::Key_A << u"Web"_s << u"www."_s << addNewRefusal;
        QTest::newRow("OK, no category") << Qt::Key_O << QString() << u"www.x.org"_s << okRefusal;
        QTest::newRow("Add New, no category")
            << Qt::Key_A << QString() << u"www.x.org"_s << addNewRefusal;
        QTest::newRow("capitals are an address") << Qt::Key_O << u"Web"_s << u"WWW."_s << QString();
        QTest::newRow("a trailing space too") << Qt::Key_A << u"Web"_s << u"www. "_s << QString();
        QTest::newRow("empty address") << Qt::Key_O << u"Web"_s << QString() << QString();
        QTest::newRow("category of spaces") << Qt::Key_A << u"  "_s << u"www.x.org"_s << QString();
        // Nothing completes a category from the list.
        QTest::newRow("the start of a listed category")
            << Qt::Key_A << u"We"_s << u"www.x.org"_s << QString();
    }

    void theInputCheck()
    {
        QFETCH(Qt::Key, accessKey);
        QFETCH(QString, category);
        QFETCH(QString, address);
        QFETCH(QString, refusal);
        Book book({web});
        Form2 *editor = book.open(Qt::Key_A);
        QVERIFY(editor);
        retype(editor->Combo1, category);
        retype(editor->Text1, address);
        QTest::keyClicks(editor->Text2, u"typed"_s);
        // An access key presses its button the way a click does, a moment later.
        QTest::keyClick(editor, accessKey, Qt::AltModifier);
        QTRY_VERIFY(!book.platform.messages.isEmpty() || book.file.rows().size() > 1);

        if (refusal.isEmpty()) {
            QCOMPARE(book.platform.messages, QStringList());
            QCOMPARE(book.file.rows(), (QList<Record>{web, {category, address, u"typed"_s}}));
        } else {
            QCOMPARE(book.platform.messages, QStringList{refusal});
            QCOMPARE(book.file.rows(), QList<Record>{web});
            QCOMPARE(QApplication::activeWindow(), editor);
            QCOMPARE(shown(editor), (QStringList{category, address, u"typed"_s, offered}));
        }
    }

    void keysThatPressNoButton_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<Qt::Key>("key");
        QTest::addColumn<QString>("information");
        QTest::newRow("Enter in the category") << u"Combo1"_s << Qt::Key_Return << u"info"_s;
        QTest::newRow("Escape in the information") << u"Text2"_s << Qt::Key_Escape << u"info"_s;
        QTest::newRow("Enter in the information starts a line")
            << u"Text2"_s << Qt::Key_Return << u"info\n"_s;
    }

    void keysThatPressNoButton()
    {
        QFETCH(QString, field);
        QFETCH(Qt::Key, key);
        QFETCH(QString, information);
        Book book({web});
        Form2 *editor = book.open(Qt::Key_A);
        QVERIFY(editor);
        QTest::keyClicks(editor->Combo1, u"Typed"_s);
        QTest::keyClicks(editor->Text1, u"x.org"_s);
        QTest::keyClicks(editor->Text2, u"info"_s);

        auto *target = editor->findChild<QWidget *>(field);
        QVERIFY(target);
        target->setFocus();
        QTest::keyClick(target, key);

        // A pressed button would have stored the entry or hidden the editor.
        QCOMPARE(book.file.rows(), QList<Record>{web});
        QCOMPARE(QApplication::activeWindow(), editor);
        QCOMPARE(shown(editor), (QStringList{u"Typed"_s, u"www.x.org"_s, information, offered}));
        QCOMPARE(items(editor->Combo1), QStringList{web.type});
    }
};

QTEST_MAIN(Form2LayoutTest)
#include "tst_form2_layout.moc"
