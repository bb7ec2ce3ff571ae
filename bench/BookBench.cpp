// Every user action of the main window and the editor on one book, timed
// next to the plain SQL statement that computes the same result.
#include "BookBench.h"

#include "BenchBook.h"
#include "PlainSql.h"
#include "RecordingPlatform.h"
#include "Timing.h"

#include "editor/Form2.h"
#include "editor/InformationEdit.h"
#include "main_window/Form1.h"
#include "store/AddressTable.h"
#include "store/BookCheck.h"
#include "store/CompanionTables.h"
#include "store/FileStamp.h"
#include "store/RecordCursor.h"
#include "window/FormInstance.h"
#include "window/HiddenTextField.h"
#include "window/WindowServices.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalBlocker>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QThread>

#include <cstdlib>
#include <functional>
#include <optional>

using namespace Larkspan;
using namespace Qt::StringLiterals;

namespace {

// A first open of a big book takes seconds, and each needs a fresh copy.
constexpr int firstOpenRuns = 5;

Timing::Summary measure(const std::function<void()> &setup, const std::function<void()> &action,
                        const std::function<void()> &after = {}, int count = Timing::windowRuns)
{
    return Timing::measure(count, setup, action, after);
}

void quietlySelect(QListWidget *list, const QString &text)
{
    const QSignalBlocker blocker(list);
    const auto found = list->findItems(text, Qt::MatchExactly);
    if (!found.isEmpty())
        list->setCurrentItem(found.first());
}

void report(const QString &action, const Timing::Summary &t,
            const std::optional<Timing::Summary> &sql = {})
{
    QTextStream out(stdout);
    out << action << '\t' << t.median << '\t' << t.p95 << '\t'
        << (sql ? QString::number(sql->median) : u"-"_s) << '\n';
}

qint64 peakResidentKb()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

class BookBench
{
public:
    BookBench(int entries, bool skewed)
        : m_shape {entries, skewed}
        , m_path(m_dir.filePath(u"Tessmoor.mdb"_s))
    {
        BenchBook::write(m_path, m_shape);
        QDir::setCurrent(m_dir.path());
    }

    int run()
    {
        timeOpens();
        m_form = FormInstance<Form1>::get(); // opens the book (and indexes it)
        WindowServices::instance().showWindow(m_form);
        if (!QTest::qWaitFor([this] { return QApplication::activeWindow() == m_form; }, 5000))
            return 1;
        m_sql.emplace(m_path);
        m_largest = m_sql->largestCategory();
        m_typical = BenchBook::typicalCategory(m_shape);

        timeLists();
        timeEditor();
        timeDeleteAndUndo();
        timeDeletedList();
        timeWrites();
        timeReopen();
        QTextStream(stdout) << "peak resident KiB\t" << peakResidentKb() << '\n';
        WindowServices::instance().reset();
        return 0;
    }

private:
    void timeOpens()
    {
        // The first open of a book that no Larkspan has opened (another tool's,
        // or one just converted) builds its address index and companion tables.
        // Closing, which hands the log back to the file, is not timed.
        const QString fresh = m_dir.filePath(u"fresh.mdb"_s);
        std::optional<AddressTable> opened;
        auto openFresh = [&] { orRaiseUnhandled(opened.emplace().open(fresh)); };
        auto closeFresh = [&] { opened.reset(); };
        report(u"first open, no companion tables yet"_s,
               measure(
                   [&] {
                       QFile::remove(fresh);
                       QFile::copy(m_path, fresh);
                   },
                   openFresh, closeFresh, firstOpenRuns));
        report(u"open, companion tables in step"_s, measure({}, openFresh, closeFresh));
    }

    void timeLists()
    {
        // What every open pays to trust the companion tables.
        report(u"check of the companion tables"_s, measure({}, [this] {
                   if (!orRaiseUnhandled(CompanionTables(m_sql->handle()).inStep()))
                       raiseUnhandled(u"the companion tables are out of step"_s);
               }));

        report(u"activation (category rebuild)"_s, measure({}, [this] { m_form->Form_Activate(); }),
               m_sql->time("SELECT Type FROM Informaiton GROUP BY Type ORDER BY MIN(rowid)"));

        auto clickCategory = [this](const QString &type) {
            return [this, type] {
                m_form->init();
                quietlySelect(m_form->lstType, type);
            };
        };
        const char *categorySql = "SELECT address FROM Informaiton WHERE Type = ?1 ORDER BY rowid";
        report(u"click a typical category"_s,
               measure(clickCategory(m_typical), [this] { m_form->lstType_Click(); }),
               m_sql->time(categorySql, m_typical));
        report(u"click the largest category"_s,
               measure(clickCategory(m_largest), [this] { m_form->lstType_Click(); }),
               m_sql->time(categorySql, m_largest));

        m_form->init();
        quietlySelect(m_form->lstType, m_largest);
        m_form->lstType_Click();
        const QString firstAddress = m_form->lstAddress->item(0)->text();
        m_lastAddress = m_form->lstAddress->item(m_form->lstAddress->count() - 1)->text();
        const char *addressSql
            = "SELECT About FROM Informaiton WHERE address = ?1 ORDER BY rowid LIMIT 1";
        report(u"click the first address of a category"_s,
               measure([&] { quietlySelect(m_form->lstAddress, firstAddress); },
                       [this] { m_form->lstAddress_Click(); }),
               m_sql->time(addressSql, firstAddress));
        report(u"click the last address of a category"_s,
               measure([&] { quietlySelect(m_form->lstAddress, m_lastAddress); },
                       [this] { m_form->lstAddress_Click(); }),
               m_sql->time(addressSql, m_lastAddress));
        report(u"double click an address"_s,
               measure([&] { quietlySelect(m_form->lstAddress, m_lastAddress); },
                       [this] { m_form->lstAddress_DblClick(); }));
    }

    void timeEditor()
    {
        Form2 *editor = FormInstance<Form2>::get();
        auto fillEditor = [editor](const QString &type, const QString &address, const QString &about) {
            editor->Combo1->setEditText(type);
            editor->Text1->setText(address);
            editor->Text2->setText(about);
        };
        report(u"OK in the editor, add mode"_s,
               measure(
                   [&] {
                       m_form->Text1->setText(u"add"_s);
                       fillEditor(m_typical, u"www.added.example.org"_s, u"added"_s);
                   },
                   [editor] { editor->Command1_Click(); }));
        report(u"OK in the editor, modify mode"_s,
               measure(
                   [&] {
                       m_form->Text1->setText(u"mod"_s);
                       orRaiseUnhandled(m_form->Data1->seekAddress(m_lastAddress));
                       fillEditor(m_typical, m_lastAddress, u"modified"_s);
                   },
                   [editor] { editor->Command1_Click(); }));
    }

    void timeDeleteAndUndo()
    {
        // Delete takes an entry away each time; it is put back untimed.
        QList<Row> removed;
        report(u"Delete"_s,
               measure(
                   [&] {
                       m_form->Text1->setText(m_typical);
                       const QSignalBlocker blocker(m_form->lstAddress);
                       m_form->lstAddress->clear();
                       m_form->lstAddress->addItem(u"www.deleted.example.org"_s);
                       m_form->lstAddress->setCurrentRow(0);
                       orRaiseUnhandled(m_form->Data1->table().insert(
                           {m_typical, u"www.deleted.example.org"_s, u"x"_s}));
                   },
                   [this] { m_form->mnuedit_Click(int(Form1::EditItem::Delete)); }));

        // Ctrl+Z after a Delete: the entry back in its place, the lists rebuilt;
        // then Ctrl+Y takes it away again.
        auto deleteOne = [&] {
            m_form->Text1->setText(m_typical);
            const QSignalBlocker blocker(m_form->lstAddress);
            m_form->lstAddress->clear();
            m_form->lstAddress->addItem(u"www.undone.example.org"_s);
            m_form->lstAddress->setCurrentRow(0);
            orRaiseUnhandled(
                m_form->Data1->table().insert({m_typical, u"www.undone.example.org"_s, u"x"_s}));
            m_form->mnuedit_Click(int(Form1::EditItem::Delete));
        };
        report(u"Ctrl+Z, a deleted entry back"_s,
               measure(deleteOne, [this] { m_form->Undo_Press(false); }));
        report(u"Ctrl+Y, deleted again"_s,
               measure(
                   [&] {
                       deleteOne();
                       m_form->Undo_Press(false);
                   },
                   [this] { m_form->Undo_Press(true); }));
    }

    // The list of deleted entries, with 10,000 of them.
    void timeDeletedList()
    {
        if (m_shape.entries >= 10000) {
            // Deleted by another program, and taken in before the timing.
            orRaiseUnhandled(m_form->Data1->table().publish());
            PlainSql::run(m_path,
                          "DELETE FROM Informaiton WHERE rowid IN (SELECT rowid FROM"
                          " Informaiton ORDER BY rowid DESC LIMIT 10000)");
            orRaiseUnhandled(m_form->Data1->table().deletedEntries());
            report(u"the list of 10,000 deleted entries"_s,
                   measure(
                       {}, [this] { orRaiseUnhandled(m_form->Data1->table().deletedEntries()); }, {}, 5));
        }
    }

    void timeWrites()
    {
        // A change, from the handler until the book in its folder holds it: the
        // moment it waits for more, then the book written whole and put in place.
        constexpr int writes = 5;
        auto bookChanged = [this](const std::optional<FileStamp> &before) {
            while (FileStamp::of(m_path) == before)
                QThread::usleep(200);
        };
        int added = 0;
        report(u"a change, until it is in Tessmoor.mdb"_s, Timing::measure(writes, {}, [&] {
                   const std::optional<FileStamp> before = FileStamp::of(m_path);
                   orRaiseUnhandled(m_form->Data1->table().insert(
                       {m_typical, u"www.written%1.example.org"_s.arg(++added), u"x"_s}));
                   bookChanged(before);
               }));
        // A conflict copy with a few changes of its own, merged and the book
        // written with them.
        const QString copy = m_dir.filePath(u"Tessmoor.sync-conflict-20261209-101500-ABCDEFG.mdb"_s);
        report(u"a conflict copy merged, until it is in Tessmoor.mdb"_s,
               Timing::measure(
                   writes,
                   [&] {
                       orRaiseUnhandled(m_form->Data1->table().publish());
                       const QString made = m_dir.filePath(u"copy.tmp"_s);
                       QFile::copy(m_path, made);
                       PlainSql::run(made,
                                     "INSERT INTO Informaiton (Type, address, About)"
                                     " SELECT Type, address || '.copy', 'copy' FROM"
                                     " Informaiton ORDER BY rowid DESC LIMIT 10;"
                                     " UPDATE Informaiton SET About = 'changed' WHERE rowid IN"
                                     " (SELECT rowid FROM Informaiton LIMIT 10 OFFSET 100);"
                                     " DELETE FROM Informaiton WHERE rowid IN"
                                     " (SELECT rowid FROM Informaiton LIMIT 10 OFFSET 200)");
                       QFile::rename(made, copy);
                   },
                   [&] {
                       orRaiseUnhandled(m_form->Data1->table().publish());
                       while (QFile::exists(copy))
                           QThread::usleep(200);
                   }));
    }

    void timeReopen()
    {
        // Opening the book once more, as a second Larkspan would: most of it is
        // the check before the first write, SQLite's quick check of every page.
        // The program starts that check on a thread of its own as it starts, so
        // that it runs while the splash screen shows for its second.
        constexpr int opens = 5;
        auto openBook = [this] {
            AddressTable table;
            if (!table.open(m_path).ok())
                std::abort();
        };
        report(u"open the book, checked as it opens"_s, Timing::measure(opens, {}, openBook),
               m_sql->time("PRAGMA quick_check(1)", QString(), opens));
        report(u"open the book, checked during the splash second"_s,
               Timing::measure(
                   opens,
                   [this] {
                       BookCheck::start(m_path);
                       QThread::msleep(1000);
                   },
                   openBook));
    }

    Testing::RecordingPlatform m_platform;
    QTemporaryDir m_dir;
    const BenchBook::Shape m_shape;
    const QString m_path;
    Form1 *m_form = nullptr;
    std::optional<PlainSql> m_sql;
    QString m_typical;
    QString m_largest;
    QString m_lastAddress; // of the largest category
};

} // namespace

int runBook(int entries, bool skewed)
{
    BookBench bench(entries, skewed);
    return bench.run();
}
