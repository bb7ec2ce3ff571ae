// Browsing the address book in the main window on Qt's offscreen platform:
// clicks and keys in both lists, and double clicks that open addresses
// through the recording platform.
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
using Testing::RecordingPlatform;
using Testing::items;
using Testing::clickItem;
using Testing::centreOf;

namespace {

const QList<Record> book = {
    {u"Work"_s, u"www.example.org"_s, u"work copy"_s},
    {u"Home"_s, u"friend@example.org"_s, u"a friend"_s},
    {u"Home"_s, u"www.example.org"_s, u"home copy"_s},
    {u"home"_s, u"lower@example.org"_s, u"lower case"_s},
    {u""_s, u"nowhere.example.org"_s, u"no category"_s},
    {u"Home"_s, u""_s, u"no address"_s},
    {u"Work"_s, u"a@b@example.org"_s, u"two at signs"_s},
};




void doubleClickAt(QListWidget *list, QPoint where)
{
    // A person's double click: press, release, press again as a double click.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, where);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, where);
}

} // namespace

class BrowsingTest : public QObject
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
        QCOMPARE(items(m_form->lstType), QStringList({u"Work"_s, u"Home"_s, u"home"_s, u""_s}));
    }
    void cleanup()
    {
        WindowServices::instance().reset();
        QApplication::setActiveWindow(nullptr);
        m_file.reset();
        m_platform.reset();
    }

    void aCategoryClickListsItsAddresses_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QStringList>("addresses");
        QTest::newRow("Work") << 0 << QStringList{u"www.example.org"_s, u"a@b@example.org"_s};
        QTest::newRow("Home, with an empty address")
            << 1 << QStringList{u"friend@example.org"_s, u"www.example.org"_s, u""_s};
        QTest::newRow("home differs in case") << 2 << QStringList{u"lower@example.org"_s};
        QTest::newRow("the empty category") << 3 << QStringList{u"nowhere.example.org"_s};
    }

    void aCategoryClickListsItsAddresses()
    {
        QFETCH(int, row);
        QFETCH(QStringList, addresses);
        m_form->lstAddress->addItem(u"stale"_s);
        clickItem(m_form->lstType, row);
        QCOMPARE(m_form->Text1->text(), m_form->lstType->item(row)->text());
        QCOMPARE(items(m_form->lstAddress), addresses);
        QCOMPARE(m_form->lstAddress->selectedItems().size(), 0);
        QVERIFY(m_form->Data1->Eof());
        QCOMPARE(m_form->About->text(), QString());
    }

    void anAddressClickShowsTheFirstRecordWithThatAddress_data()
    {
        QTest::addColumn<int>("category");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("about");
        QTest::newRow("filed under Work first") << 0 << 0 << u"work copy"_s;
        QTest::newRow("same address under Home") << 1 << 1 << u"work copy"_s;
        QTest::newRow("only under Home") << 1 << 0 << u"a friend"_s;
        QTest::newRow("empty address") << 1 << 2 << u"no address"_s;
        QTest::newRow("case differs") << 2 << 0 << u"lower case"_s;
    }

    void anAddressClickShowsTheFirstRecordWithThatAddress()
    {
        QFETCH(int, category);
        QFETCH(int, row);
        QFETCH(QString, about);
        clickItem(m_form->lstType, category);
        clickItem(m_form->lstAddress, row);
        QCOMPARE(m_form->About->text(), about);
        // The cursor stays on the matched record.
        QVERIFY(!m_form->Data1->Eof());
        QCOMPARE(m_form->Text3->text(), m_form->lstAddress->item(row)->text());
        QCOMPARE(m_form->Text4->text(), about);
    }

    void everyKeyThatMovesTheSelectionRunsTheHandlerOnce_data()
    {
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<QStringList>("categories"); // Text1 after each key
        QTest::newRow("arrows") << QList<int>{Qt::Key_Down, Qt::Key_Down, Qt::Key_Up}
                                << QStringList{u"Home"_s, u"home"_s, u"Home"_s};
        QTest::newRow("End, Home") << QList<int>{Qt::Key_End, Qt::Key_Home}
                                   << QStringList{u""_s, u"Work"_s};
        QTest::newRow("Page Down") << QList<int>{Qt::Key_PageDown} << QStringList{u""_s};
        QTest::newRow("first letter") << QList<int>{Qt::Key_H} << QStringList{u"Home"_s};
    }

    void everyKeyThatMovesTheSelectionRunsTheHandlerOnce()
    {
        QFETCH(QList<int>, keys);
        QFETCH(QStringList, categories);
        clickItem(m_form->lstType, 0);
        QSignalSpy runs(m_form->Data1, &RecordCursor::recordLoaded);
        for (int i = 0; i < keys.size(); ++i) {
            const int before = runs.count();
            QTest::keyClick(m_form->lstType, Qt::Key(keys[i]));
            QCOMPARE(runs.count(), before + 1);
            QCOMPARE(m_form->Text1->text(), categories[i]);
            QCOMPARE(items(m_form->lstAddress), orRaiseUnhandled(m_form->Data1->walkAddressesOf(categories[i])));
        }
    }

    void theFirstKeyAfterARefillSelectsTheFirstItem_data()
    {
        QTest::addColumn<bool>("addresses"); // else the categories, as start-up left them
        QTest::addColumn<int>("key");
        QTest::newRow("categories, Down") << false << int(Qt::Key_Down);
        QTest::newRow("categories, Up") << false << int(Qt::Key_Up);
        QTest::newRow("addresses of a clicked category, Home") << true << int(Qt::Key_Home);
    }

    void theFirstKeyAfterARefillSelectsTheFirstItem()
    {
        QFETCH(bool, addresses);
        QFETCH(int, key);
        QListWidget *list = m_form->lstType;
        if (addresses) {
            clickItem(m_form->lstType, 1);
            list = m_form->lstAddress;
        }
        list->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(list->hasFocus());
        // Filling the list ran no handler.
        QVERIFY(list->selectedItems().isEmpty());

        QSignalSpy runs(m_form->Data1, &RecordCursor::recordLoaded);
        QTest::keyClick(list, Qt::Key(key));
        QCOMPARE(list->currentRow(), 0);
        QVERIFY(list->item(0)->isSelected());
        QCOMPARE(runs.count(), 1);
    }

    void walkingTheAddressesUpdatesTheInformation()
    {
        clickItem(m_form->lstType, 1);
        clickItem(m_form->lstAddress, 0);
        QCOMPARE(m_form->About->text(), u"a friend"_s);
        QTest::keyClick(m_form->lstAddress, Qt::Key_Down);
        QCOMPARE(m_form->About->text(), u"work copy"_s);
        QTest::keyClick(m_form->lstAddress, Qt::Key_End);
        QCOMPARE(m_form->About->text(), u"no address"_s);
    }

    void clickingTheSelectedItemAgainRunsNothing()
    {
        clickItem(m_form->lstType, 0);
        QSignalSpy runs(m_form->Data1, &RecordCursor::recordLoaded);
        clickItem(m_form->lstType, 0);
        QCOMPARE(runs.count(), 0);
    }

    void aDoubleClickOpensTheAddress_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QStringList>("calls");
        const QString browser =
            u"startProgram(\"C:\\program files\\internet explorer\\Iexplore.exe\", 3)"_s;
        auto shell = [](const QString &file) {
            return u"shellExecute(0, null, \"%1\", null, \"C:\\\", 1)"_s.arg(file);
        };
        QTest::newRow("web address") << 0 << QStringList{browser, shell(u"www.example.org"_s)};
        QTest::newRow("two at signs") << 1 << QStringList{shell(u"mailto:a@b@example.org"_s)};
    }

    void aDoubleClickOpensTheAddress()
    {
        QFETCH(int, row);
        QFETCH(QStringList, calls);
        clickItem(m_form->lstType, 0);
        m_platform->calls.clear();
        // The item was not selected: the double click selects it first, which
        // shows its information, then opens it.
        doubleClickAt(m_form->lstAddress, centreOf(m_form->lstAddress, row));
        QCOMPARE(m_form->lstAddress->currentRow(), row);
        QVERIFY(!m_form->About->text().isEmpty());
        QCOMPARE(m_platform->calls, calls);
    }

    void aDoubleClickWithNothingSelectedOpensAnEmptyMessage()
    {
        clickItem(m_form->lstType, 2);
        m_platform->calls.clear();
        const QPoint belowTheItems(20, m_form->lstAddress->viewport()->height() - 5);
        QTest::mouseDClick(m_form->lstAddress->viewport(), Qt::LeftButton, {}, belowTheItems);
        QCOMPARE(m_form->lstAddress->selectedItems().size(), 0);
        QCOMPARE(m_platform->calls,
                 QStringList{u"shellExecute(0, null, \"mailto:\", null, \"C:\\\", 1)"_s});
        // Reading the list never touched the store.
        QCOMPARE(m_file->rows(), book);
    }

private:
    std::unique_ptr<RecordingPlatform> m_platform;
    std::unique_ptr<AddressBookFile> m_file;
    Form1 *m_form = nullptr;
};

QTEST_MAIN(BrowsingTest)
#include "tst_browsing.moc"
