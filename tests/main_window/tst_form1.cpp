// The main window on Qt's offscreen platform, used as a person uses it: keys
// and double clicks in its lists, and coming back to it from another window.
#include "AddressBookFile.h"
#include "ListProbe.h"
#include "RecordingPlatform.h"

#include "main_window/Form1.h"
#include "store/RecordCursor.h"
#include "window/FormInstance.h"
#include "window/HiddenTextField.h"
#include "window/WindowServices.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QSignalSpy>
#include <QTest>

using namespace Larkspan;
using namespace Qt::StringLiterals;
using Testing::clickItem;
using Testing::items;
using Testing::RecordingPlatform;

namespace {

const QList<Record> book = {
    {u"Work"_s, u"www.example.org"_s, u"work copy"_s},
    {u"Home"_s, u"friend@example.org"_s, u"a friend"_s},
    {u"home"_s, u"lower@example.org"_s, u"lower case"_s},
    {u"Work"_s, u"a@b@example.org"_s, u"two at signs"_s},
};

} // namespace

class Form1Test : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_platform = std::make_unique<RecordingPlatform>();
        m_file = std::make_unique<AddressBookFile>(book);
        m_file->enter();
        m_form = FormInstance<Form1>::get();
        WindowServices::instance().showWindow(m_form);
        QTRY_COMPARE(QApplication::activeWindow(), m_form);
    }
    void cleanup()
    {
        WindowServices::instance().reset();
        QApplication::setActiveWindow(nullptr);
        m_file.reset();
        m_platform.reset();
    }

    // Each key that moves the selection runs the handler once; the first key
    // after a refill selects the first item.
    void eachKeyRunsTheHandlerOnce()
    {
        QSignalSpy runs(m_form->Data1, &RecordCursor::recordLoaded);
        const QList<QPair<Qt::Key, QString>> keys
            = {{Qt::Key_Down, u"Work"_s}, {Qt::Key_Down, u"Home"_s}, {Qt::Key_Up, u"Work"_s},
               {Qt::Key_End, u"home"_s},  {Qt::Key_Home, u"Work"_s}, {Qt::Key_PageDown, u"home"_s},
               {Qt::Key_H, u"Home"_s}};
        for (int i = 0; i < keys.size(); ++i) {
            QTest::keyClick(m_form->lstType, keys[i].first);
            QCOMPARE(runs.count(), i + 1);
            QCOMPARE(m_form->Text1->text(), keys[i].second);
        }
    }

    void aDoubleClickOpensTheAddress_data()
    {
        QTest::addColumn<int>("row"); // -1: below the items
        QTest::addColumn<QString>("opened");
        QTest::addColumn<QString>("about");
        QTest::newRow("web address") << 0 << u"www.example.org"_s << u"work copy"_s;
        QTest::newRow("two at signs") << 1 << u"mailto:a@b@example.org"_s << u"two at signs"_s;
        QTest::newRow("nothing selected") << -1 << u"mailto:"_s << QString();
    }
    void aDoubleClickOpensTheAddress()
    {
        QFETCH(int, row);
        QFETCH(QString, opened);
        QFETCH(QString, about);
        clickItem(m_form->lstType, 0);
        QListWidget *list = m_form->lstAddress;
        const QPoint where = row < 0 ? QPoint(20, list->viewport()->height() - 5)
                                     : list->visualItemRect(list->item(row)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, where);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, where);
        QCOMPARE(m_platform->calls.last(),
                 u"shellExecute(0, null, \"%1\", null, \"C:\\\", 1)"_s.arg(opened));
        QCOMPARE(m_form->About->text(), about);
        QCOMPARE(m_file->rows(), book);
    }

    // Coming back from another window of the program rebuilds the categories
    // from the file; the selection goes, the addresses stay.
    void returningToTheWindowRebuildsTheList()
    {
        clickItem(m_form->lstType, 1);
        m_file->append({{u"Added"_s, u"x@example.org"_s, u""_s}});
        auto *other = new QWidget; // unloaded with the other forms at cleanup
        WindowServices::instance().registerForm(other, [] {});
        WindowServices::instance().showWindow(other);
        QTRY_COMPARE(QApplication::activeWindow(), other);
        WindowServices::instance().giveFocus(m_form->lstType);
        QTRY_COMPARE(QApplication::activeWindow(), m_form);
        QCOMPARE(items(m_form->lstType),
                 QStringList({u"Work"_s, u"Home"_s, u"home"_s, u"Added"_s}));
        QVERIFY(m_form->lstType->selectedItems().isEmpty());
        QCOMPARE(items(m_form->lstAddress), QStringList {u"friend@example.org"_s});
    }

private:
    std::unique_ptr<RecordingPlatform> m_platform;
    std::unique_ptr<AddressBookFile> m_file;
    Form1 *m_form = nullptr;
};

QTEST_MAIN(Form1Test)
#include "tst_form1.moc"
