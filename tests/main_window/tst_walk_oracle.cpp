// The main window answers each action with one query, where a walk over the
// records one by one would take thousands of steps. That must not change a
// single result: on many random address books, every handler is run twice,
// once as the program runs it and once as a literal walk of the cursor, each
// on its own copy of the file, and everything they leave behind is compared:
// both lists, the information label, Text1, the cursor and the table. The
// books come as Larkspan makes them, as other tools make them (columns that
// fold case and take NULL, a file that cannot take the companion tables),
// and as other tools leave them after writing past the companion tables.
#include "AddressBookFile.h"
#include "RecordingPlatform.h"

#include "main_window/Form1.h"
#include "store/AddressTable.h"
#include "store/RecordCursor.h"
#include "window/HiddenTextField.h"

#include <QLabel>
#include <QListWidget>
#include <QRandomGenerator>
#include <QSignalBlocker>
#include <QTest>

using namespace Larkspan;
using namespace Qt::StringLiterals;
using Testing::RecordingPlatform;

namespace {

QStringList items(const QListWidget *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

// The literal walks: what each handler does, record by record.
namespace Walk {

QString selected(const QListWidget *list)
{
    const auto items = list->selectedItems();
    return items.isEmpty() ? QString() : items.first()->text();
}

void init(Form1 &f)
{
    f.lstType->clear();
    orRaiseUnhandled(f.Data1->MoveFirst());
    while (!f.Data1->Eof()) {
        if (!items(f.lstType).contains(f.Text2->text()))
            f.lstType->addItem(f.Text2->text());
        orRaiseUnhandled(f.Data1->MoveNext());
    }
}

void categoryClick(Form1 &f)
{
    f.Text1->setText(selected(f.lstType));
    f.lstAddress->clear();
    orRaiseUnhandled(f.Data1->MoveFirst());
    while (!f.Data1->Eof()) {
        if (f.Text2->text() == f.Text1->text())
            f.lstAddress->addItem(f.Text3->text());
        orRaiseUnhandled(f.Data1->MoveNext());
    }
}

void addressClick(Form1 &f)
{
    orRaiseUnhandled(f.Data1->MoveFirst());
    while (!f.Data1->Eof()) {
        if (f.Text3->text() == selected(f.lstAddress)) {
            f.About->setText(f.Text4->text());
            break;
        }
        orRaiseUnhandled(f.Data1->MoveNext());
    }
}

void deleteCommand(Form1 &f)
{
    if (selected(f.lstAddress).isEmpty())
        return;
    orRaiseUnhandled(f.Data1->MoveFirst());
    while (!f.Data1->Eof()) {
        if (selected(f.lstAddress) == f.Text3->text() && f.Text2->text() == f.Text1->text()) {
            orRaiseUnhandled(f.Data1->Delete());
            break;
        }
        orRaiseUnhandled(f.Data1->MoveNext());
    }
    f.lstAddress->clear();
    init(f);
}

} // namespace Walk

QString describe(Form1 &f)
{
    return u"types=[%1] addresses=[%2] about=<%3> text1=<%4> eof=%5 fields=<%6|%7|%8>"_s.arg(
        items(f.lstType).join(u'|'), items(f.lstAddress).join(u'|'), f.About->text(),
        f.Text1->text(), f.Data1->Eof() ? u"yes"_s : u"no"_s, f.Text2->text(), f.Text3->text(),
        f.Text4->text());
}

// Random entries from texts that differ in case, spaces, script and at signs;
// with `nulls`, some texts are null: NULL in a file that takes it.
struct Generator
{
    QRandomGenerator random;
    bool nulls;

    int below(int n) { return n <= 0 ? 0 : int(random.bounded(n)); }
    Record record()
    {
        static const QStringList types = {u"News"_s,  u"news"_s,  u"NEWS"_s, u"Mail"_s, u""_s,
                                          u" Mail"_s, u"Čísla"_s, u"日本"_s, u"add"_s,  u"mod"_s};
        static const QStringList addresses
            = {u"www.example.org"_s, u"WWW.example.org"_s, u"a@example.org"_s, u""_s,
               u"zoë@exämple.de"_s,  u"x@y@z"_s,           u"www."_s,          u"😀.example"_s};
        static const QStringList abouts
            = {u""_s, u"one"_s, u"two\r\nlines"_s, u"Ελληνικά"_s, u"same"_s};
        return {pick(types), pick(addresses), pick(abouts)};
    }
    QString pick(const QStringList &pool)
    {
        const int at = below(int(pool.size()) + (nulls ? 1 : 0));
        return at < pool.size() ? pool[at] : QString();
    }
};

// How a book came to be: the statements that made the file, and what
// another tool did to it after Larkspan had opened it.
struct Book
{
    const char *name;
    QStringList schema; // none: Larkspan's own table
    QStringList afterwards;
};

const QString foldingColumns = u"CREATE TABLE Informaiton (Type TEXT COLLATE NOCASE,"
                               u" address TEXT COLLATE NOCASE, About TEXT COLLATE NOCASE)"_s;

const Book books[] = {
    {"Larkspan's own", {}, {}},
    {"columns that fold case and take NULL", {foldingColumns}, {}},
    {"no room for the companion tables",
     {foldingColumns, u"CREATE VIEW LarkspanAddresses AS SELECT 1 AS unused"_s},
     {}},
    {"a row added past a dropped trigger",
     {},
     {u"DROP TRIGGER LarkspanOnInsert"_s,
      u"INSERT INTO Informaiton (Type, address, About) VALUES ('Shops', 'www.example.org', 'new')"_s}},
    {"a row deleted past a dropped trigger",
     {},
     {u"DROP TRIGGER LarkspanOnDelete"_s,
      u"DELETE FROM Informaiton WHERE rowid = (SELECT MIN(rowid) FROM Informaiton)"_s}},
    {"a row changed past a dropped trigger",
     {},
     {u"DROP TRIGGER LarkspanOnUpdate"_s,
      u"UPDATE Informaiton SET Type = 'Moved', address = 'a@example.org'"
      u" WHERE rowid = (SELECT MAX(rowid) FROM Informaiton)"_s}},
    {"a row replaced in place",
     {},
     {u"INSERT OR REPLACE INTO Informaiton (rowid, Type, address, About)"
      u" SELECT MIN(rowid), 'Replaced', 'www.example.org', 'new' FROM Informaiton"_s}},
    {"the rows renumbered", {}, {u"UPDATE Informaiton SET rowid = rowid + 1000"_s}},
    {"the rows renumbered by VACUUM, then one added",
     {},
     {u"DROP INDEX InformaitonByAddress"_s, u"DELETE FROM Informaiton WHERE rowid % 3 = 1"_s,
      u"VACUUM"_s,
      u"INSERT INTO Informaiton (Type, address, About)"
      u" SELECT Type, 'www.example.org', 'new' FROM Informaiton ORDER BY rowid LIMIT 1"_s}},
    {"the category table emptied", {}, {u"DELETE FROM LarkspanCategories"_s}},
};

// Selects a row of a list without running any handler.
void quietlySelect(QListWidget *list, int row)
{
    const QSignalBlocker blocker(list);
    list->clearSelection();
    list->setCurrentRow(row);
}

} // namespace

class WalkOracleTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyHandlerLeavesWhatTheWalkLeaves_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<int>("book");
        for (quint32 seed = 1; seed <= 40; ++seed) {
            const int book = int(seed % std::size(books));
            QTest::addRow("seed %u, %s", seed, books[book].name) << seed << book;
        }
    }

    void everyHandlerLeavesWhatTheWalkLeaves()
    {
        QFETCH(quint32, seed);
        QFETCH(int, book);
        RecordingPlatform platform;
        Generator gen {QRandomGenerator(seed), !books[book].schema.isEmpty()};
        QList<Record> entries(gen.below(60));
        for (Record &entry : entries)
            entry = gen.record();

        AddressBookFile fast(entries, books[book].schema);
        AddressBookFile walked(entries, books[book].schema);
        if (!books[book].afterwards.isEmpty()) {
            for (AddressBookFile *file : {&fast, &walked}) {
                QVERIFY(AddressTable().open(file->path()).ok());
                for (const QString &statement : books[book].afterwards)
                    AddressBookFile::sql(file->path(), statement);
            }
        }
        fast.enter();
        Form1 a;
        walked.enter();
        Form1 b;
        a.init();
        Walk::init(b);
        QCOMPARE(describe(a), describe(b));

        for (int step = 0; step < 40; ++step) {
            const int action = gen.below(7);
            const Record r = gen.record();
            QListWidget *list = action == 1 ? a.lstType : a.lstAddress;
            const int row = gen.below(list->count());
            if ((action == 1 || action == 2) && row >= list->count())
                continue;
            for (Form1 *f : {&a, &b}) {
                const bool literal = f == &b;
                switch (action) {
                case 0:
                    literal ? Walk::init(*f) : f->init();
                    break;
                case 1:
                    quietlySelect(f->lstType, row);
                    literal ? Walk::categoryClick(*f) : f->lstType_Click();
                    break;
                case 2:
                    quietlySelect(f->lstAddress, row);
                    literal ? Walk::addressClick(*f) : f->lstAddress_Click();
                    break;
                case 3:
                    literal ? Walk::deleteCommand(*f) : f->mnuedit_Click(1);
                    break;
                case 4: // what the editor does in modify mode: assignments
                case 5: // wherever the cursor stands, stored by the next move
                    if (action == 5)
                        orRaiseUnhandled(f->Data1->AddNew());
                    f->Text2->setText(r.type);
                    f->Text3->setText(r.address);
                    f->Text4->setText(r.about);
                    if (action == 5)
                        orRaiseUnhandled(f->Data1->Update());
                    break;
                case 6: // a mode word where the category goes
                    f->Text1->setText(r.type.size() % 2 ? u"add"_s : u"mod"_s);
                    break;
                }
            }
            const QString context
                = u"seed %1, step %2: action %3 <%4|%5|%6>"_s.arg(seed).arg(step).arg(action).arg(
                    r.type, r.address, r.about);
            QCOMPARE(describe(a) + context, describe(b) + context);
            QVERIFY(a.Data1->table().publish().ok() && b.Data1->table().publish().ok());
            QVERIFY2(fast.rows() == walked.rows(), qPrintable(context));
        }
    }
};

QTEST_MAIN(WalkOracleTest)
#include "tst_walk_oracle.moc"
