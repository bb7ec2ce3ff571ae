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
#include "ListProbe.h"
#include "RecordingPlatform.h"

#include "main_window/Form1.h"
#include "store/AddressTable.h"
#include "store/RecordCursor.h"
#include "window/HiddenTextField.h"
#include "window/WindowServices.h"

#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QRandomGenerator>
#include <QSignalBlocker>
#include <QTest>

#include <memory>

using namespace Larkspan;
using namespace Qt::StringLiterals;
using Testing::RecordingPlatform;
using Testing::items;
using Testing::clickItem;
using Testing::centreOf;

namespace {

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
        bool found = false;
        for (int i = 0; i < f.lstType->count(); ++i) {
            if (f.Text2->text() == f.lstType->item(i)->text())
                found = true;
        }
        if (!found)
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

struct World
{
    std::unique_ptr<Form1> form;
    QString path;
};


QString describe(const World &w)
{
    Form1 &f = *w.form;
    return u"types=[%1] addresses=[%2] about=<%3> text1=<%4> eof=%5 fields=<%6|%7|%8>"_s.arg(
        items(f.lstType).join(u'|'), items(f.lstAddress).join(u'|'), f.About->text(),
        f.Text1->text(), f.Data1->Eof() ? u"yes"_s : u"no"_s, f.Text2->text(), f.Text3->text(),
        f.Text4->text());
}

class Generator
{
public:
    // With `nulls`, some texts are null: NULL in a file that takes it.
    Generator(quint32 seed, bool nulls) : m_random(seed), m_nulls(nulls) {}

    int below(int n) { return n <= 0 ? 0 : int(m_random.bounded(n)); }

    QString type()
    {
        static const QStringList pool = {u"News"_s, u"news"_s, u"NEWS"_s, u"Mail"_s, u""_s,
                                         u" Mail"_s, u"Čísla"_s, u"日本"_s, u"add"_s, u"mod"_s};
        return pick(pool);
    }
    QString address()
    {
        static const QStringList pool = {u"www.example.org"_s, u"WWW.example.org"_s,
                                         u"a@example.org"_s, u""_s, u"zoë@exämple.de"_s,
                                         u"x@y@z"_s, u"www."_s, u"😀.example"_s};
        return pick(pool);
    }
    QString about()
    {
        static const QStringList pool = {u""_s, u"one"_s, u"two\r\nlines"_s, u"Ελληνικά"_s,
                                         u"same"_s};
        return pick(pool);
    }
    Record record() { return {type(), address(), about()}; }

private:
    QString pick(const QStringList &pool)
    {
        const int at = below(int(pool.size()) + (m_nulls ? 1 : 0));
        return at < pool.size() ? pool[at] : QString();
    }

    QRandomGenerator m_random;
    bool m_nulls;
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
     {foldingColumns, u"CREATE VIEW LarkspanAddresses AS SELECT 1 AS unused"_s}, {}},
    {"a row added past a dropped trigger", {},
     {u"DROP TRIGGER LarkspanOnInsert"_s,
      u"INSERT INTO Informaiton (Type, address, About) VALUES ('Shops', 'www.example.org', 'new')"_s}},
    {"a row deleted past a dropped trigger", {},
     {u"DROP TRIGGER LarkspanOnDelete"_s,
      u"DELETE FROM Informaiton WHERE rowid = (SELECT MIN(rowid) FROM Informaiton)"_s}},
    {"a row changed past a dropped trigger", {},
     {u"DROP TRIGGER LarkspanOnUpdate"_s,
      u"UPDATE Informaiton SET Type = 'Moved', address = 'a@example.org'"
      u" WHERE rowid = (SELECT MAX(rowid) FROM Informaiton)"_s}},
    {"a row replaced in place", {},
     {u"INSERT OR REPLACE INTO Informaiton (rowid, Type, address, About)"
      u" SELECT MIN(rowid), 'Replaced', 'www.example.org', 'new' FROM Informaiton"_s}},
    {"the rows renumbered", {}, {u"UPDATE Informaiton SET rowid = rowid + 1000"_s}},
    {"the rows renumbered by VACUUM, then one added", {},
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
    if (row >= 0 && row < list->count())
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
            QTest::newRow(qPrintable(u"seed %1, %2"_s.arg(seed).arg(QLatin1StringView(books[book].name))))
                << seed << book;
        }
    }

    void everyHandlerLeavesWhatTheWalkLeaves()
    {
        QFETCH(quint32, seed);
        QFETCH(int, book);
        RecordingPlatform platform;
        Generator gen(seed, !books[book].schema.isEmpty());
        QList<Record> entries;
        const int size = gen.below(60);
        for (int i = 0; i < size; ++i)
            entries.append(gen.record());

        AddressBookFile fast(entries, books[book].schema);
        AddressBookFile walked(entries, books[book].schema);
        if (!books[book].afterwards.isEmpty()) {
            for (AddressBookFile *file : {&fast, &walked}) {
                QVERIFY(AddressTable().open(file->path()).ok());
                for (const QString &statement : books[book].afterwards)
                    AddressBookFile::sql(file->path(), statement);
            }
        }
        World a{nullptr, fast.path()};
        World b{nullptr, walked.path()};
        fast.enter();
        a.form = std::make_unique<Form1>();
        walked.enter();
        b.form = std::make_unique<Form1>();

        a.form->init();
        Walk::init(*b.form);
        QCOMPARE(describe(a), describe(b));

        for (int step = 0; step < 40; ++step) {
            const int action = gen.below(7);
            QString what;
            switch (action) {
            case 0: {
                what = u"rebuild"_s;
                a.form->init();
                Walk::init(*b.form);
                break;
            }
            case 1: {
                const int row = gen.below(a.form->lstType->count());
                what = u"category click %1"_s.arg(row);
                quietlySelect(a.form->lstType, row);
                quietlySelect(b.form->lstType, row);
                if (a.form->lstType->selectedItems().isEmpty())
                    continue;
                a.form->lstType_Click();
                Walk::categoryClick(*b.form);
                break;
            }
            case 2: {
                const int row = gen.below(a.form->lstAddress->count());
                what = u"address click %1"_s.arg(row);
                quietlySelect(a.form->lstAddress, row);
                quietlySelect(b.form->lstAddress, row);
                if (a.form->lstAddress->selectedItems().isEmpty())
                    continue;
                a.form->lstAddress_Click();
                Walk::addressClick(*b.form);
                break;
            }
            case 3: {
                what = u"delete"_s;
                a.form->mnuedit_Click(1);
                Walk::deleteCommand(*b.form);
                break;
            }
            case 4: {
                // What the editor does in modify mode: three assignments
                // wherever the cursor stands, stored by the next move.
                const Record r = gen.record();
                what = u"assign <%1|%2|%3>"_s.arg(r.type, r.address, r.about);
                for (World *w : {&a, &b}) {
                    w->form->Text2->setText(r.type);
                    w->form->Text3->setText(r.address);
                    w->form->Text4->setText(r.about);
                }
                break;
            }
            case 5: {
                const Record r = gen.record();
                what = u"add <%1|%2|%3>"_s.arg(r.type, r.address, r.about);
                for (World *w : {&a, &b}) {
                    orRaiseUnhandled(w->form->Data1->AddNew());
                    w->form->Text2->setText(r.type);
                    w->form->Text3->setText(r.address);
                    w->form->Text4->setText(r.about);
                    orRaiseUnhandled(w->form->Data1->Update());
                }
                break;
            }
            case 6: {
                what = u"Text1 set to a mode word"_s;
                const QString word = gen.below(2) ? u"add"_s : u"mod"_s;
                a.form->Text1->setText(word);
                b.form->Text1->setText(word);
                break;
            }
            }
            const QString context = u"seed %1, step %2: %3"_s.arg(seed).arg(step).arg(what);
            QVERIFY2(describe(a) == describe(b),
                     qPrintable(context + u"\n fast:   "_s + describe(a) + u"\n walked: "_s
                                + describe(b)));
            QVERIFY2(fast.rows() == walked.rows(), qPrintable(context));
        }
    }
};

QTEST_MAIN(WalkOracleTest)
#include "tst_walk_oracle.moc"
