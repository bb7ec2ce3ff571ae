// Times every user action of the main window and the editor on address books
// of 1,000 to 1,000,000 entries, next to the plain SQL statement that computes
// the same result, and the program's start to its first painted splash frame;
// then the windows on single entries of enormous size.
//
//   larkspan_bench                 runs everything and prints a Markdown table
//   larkspan_bench --run N [skew]  one book of N entries (a child process, so
//                                  that its peak memory is its own)
//   larkspan_bench --splash        shows the splash once and reports its first paint
//   larkspan_bench --huge          only the windows on entries of enormous size
//   larkspan_bench --huge-entry K  one such entry (a child process)
//   larkspan_bench --exchange      times export and import only
#include "BenchBook.h"
#include "ExchangeBench.h"
#include "HugeEntries.h"
#include "RecordingPlatform.h"
#include "Timing.h"

#include "editor/Form2.h"
#include "editor/InformationEdit.h"
#include "main_window/Form1.h"
#include "splash/frmSplash1.h"
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
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QSignalBlocker>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <QThread>
#include <QTimer>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>

using namespace Larkspan;
using namespace Qt::StringLiterals;

namespace {

constexpr int runs = 21;
// A first open of a big book takes seconds, and each needs a fresh copy.
constexpr int firstOpenRuns = 5;

using Timing::monotonicNs;
using Timing::summarise;

Timing::Summary measure(const std::function<void()> &setup, const std::function<void()> &action,
                        const std::function<void()> &after = {}, int count = runs)
{
    return Timing::measure(count, setup, action, after);
}

// The plain statement, through SQLite itself, every row read.
class PlainSql
{
public:
    explicit PlainSql(const QString &path)
    {
        sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, SQLITE_OPEN_READONLY, nullptr);
    }
    ~PlainSql() { sqlite3_close(m_db); }

    sqlite3 *handle() const { return m_db; }

    // Runs `sql` on the file at `path` as another program would.
    static void run(const QString &path, const char *sql)
    {
        sqlite3 *db = nullptr;
        sqlite3_open(QFile::encodeName(path).constData(), &db);
        sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }

    Timing::Summary time(const char *sql, const QString &parameter = QString(), int count = runs)
    {
        const QByteArray bound = parameter.toUtf8();
        return Timing::measure(count, {}, [&] {
            sqlite3_stmt *stmt = nullptr;
            sqlite3_prepare_v2(m_db, sql, -1, &stmt, nullptr);
            if (!parameter.isNull())
                sqlite3_bind_text(stmt, 1, bound.constData(), int(bound.size()), SQLITE_STATIC);
            qint64 bytes = 0;
            while (sqlite3_step(stmt) == SQLITE_ROW)
                bytes += sqlite3_column_bytes(stmt, 0);
            sqlite3_finalize(stmt);
            Q_UNUSED(bytes);
        });
    }

    QString largestCategory()
    {
        sqlite3_stmt *stmt = nullptr;
        sqlite3_prepare_v2(m_db,
                           "SELECT Type FROM Informaiton GROUP BY Type"
                           " ORDER BY COUNT(*) DESC LIMIT 1",
                           -1, &stmt, nullptr);
        QString type;
        if (sqlite3_step(stmt) == SQLITE_ROW)
            type = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
        sqlite3_finalize(stmt);
        return type;
    }

private:
    sqlite3 *m_db = nullptr;
};

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

int runBook(int entries, bool skewed)
{
    Testing::RecordingPlatform platform;
    QTemporaryDir dir;
    const BenchBook::Shape shape {entries, skewed};
    const QString path = dir.filePath(u"Tessmoor.mdb"_s);
    BenchBook::write(path, shape);
    QDir::setCurrent(dir.path());

    // The first open of a book that no Larkspan has opened (another tool's,
    // or one just converted) builds its address index and companion tables.
    // Closing, which hands the log back to the file, is not timed.
    const QString fresh = dir.filePath(u"fresh.mdb"_s);
    std::optional<AddressTable> opened;
    auto openFresh = [&] { orRaiseUnhandled(opened.emplace().open(fresh)); };
    auto closeFresh = [&] { opened.reset(); };
    report(u"first open, no companion tables yet"_s,
           measure(
               [&] {
                   QFile::remove(fresh);
                   QFile::copy(path, fresh);
               },
               openFresh, closeFresh, firstOpenRuns));
    report(u"open, companion tables in step"_s, measure({}, openFresh, closeFresh));

    Form1 *form = FormInstance<Form1>::get(); // opens the book (and indexes it)
    WindowServices::instance().showWindow(form);
    if (!QTest::qWaitFor([form] { return QApplication::activeWindow() == form; }, 5000))
        return 1;

    PlainSql sql(path);
    const QString largest = sql.largestCategory();
    const QString typical = BenchBook::typicalCategory(shape);

    // What every open pays to trust the companion tables.
    report(u"check of the companion tables"_s, measure({}, [&sql] {
               if (!orRaiseUnhandled(CompanionTables(sql.handle()).inStep()))
                   raiseUnhandled(u"the companion tables are out of step"_s);
           }));

    report(u"activation (category rebuild)"_s, measure({}, [form] { form->Form_Activate(); }),
           sql.time("SELECT Type FROM Informaiton GROUP BY Type ORDER BY MIN(rowid)"));

    auto clickCategory = [form](const QString &type) {
        return [form, type] {
            form->init();
            quietlySelect(form->lstType, type);
        };
    };
    const char *categorySql = "SELECT address FROM Informaiton WHERE Type = ?1 ORDER BY rowid";
    report(u"click a typical category"_s,
           measure(clickCategory(typical), [form] { form->lstType_Click(); }),
           sql.time(categorySql, typical));
    report(u"click the largest category"_s,
           measure(clickCategory(largest), [form] { form->lstType_Click(); }),
           sql.time(categorySql, largest));

    form->init();
    quietlySelect(form->lstType, largest);
    form->lstType_Click();
    const QString firstAddress = form->lstAddress->item(0)->text();
    const QString lastAddress = form->lstAddress->item(form->lstAddress->count() - 1)->text();
    const char *addressSql
        = "SELECT About FROM Informaiton WHERE address = ?1 ORDER BY rowid LIMIT 1";
    report(u"click the first address of a category"_s,
           measure([&] { quietlySelect(form->lstAddress, firstAddress); },
                   [form] { form->lstAddress_Click(); }),
           sql.time(addressSql, firstAddress));
    report(u"click the last address of a category"_s,
           measure([&] { quietlySelect(form->lstAddress, lastAddress); },
                   [form] { form->lstAddress_Click(); }),
           sql.time(addressSql, lastAddress));
    report(u"double click an address"_s,
           measure([&] { quietlySelect(form->lstAddress, lastAddress); },
                   [form] { form->lstAddress_DblClick(); }));

    Form2 *editor = FormInstance<Form2>::get();
    auto fillEditor = [editor](const QString &type, const QString &address, const QString &about) {
        editor->Combo1->setEditText(type);
        editor->Text1->setText(address);
        editor->Text2->setText(about);
    };
    report(u"OK in the editor, add mode"_s,
           measure(
               [&] {
                   form->Text1->setText(u"add"_s);
                   fillEditor(typical, u"www.added.example.org"_s, u"added"_s);
               },
               [editor] { editor->Command1_Click(); }));
    report(u"OK in the editor, modify mode"_s,
           measure(
               [&] {
                   form->Text1->setText(u"mod"_s);
                   orRaiseUnhandled(form->Data1->seekAddress(lastAddress));
                   fillEditor(typical, lastAddress, u"modified"_s);
               },
               [editor] { editor->Command1_Click(); }));

    // Delete takes an entry away each time; it is put back untimed.
    QList<Row> removed;
    report(u"Delete"_s,
           measure(
               [&] {
                   form->Text1->setText(typical);
                   const QSignalBlocker blocker(form->lstAddress);
                   form->lstAddress->clear();
                   form->lstAddress->addItem(u"www.deleted.example.org"_s);
                   form->lstAddress->setCurrentRow(0);
                   orRaiseUnhandled(form->Data1->table().insert(
                       {typical, u"www.deleted.example.org"_s, u"x"_s}));
               },
               [form] { form->mnuedit_Click(int(Form1::EditItem::Delete)); }));

    // Ctrl+Z after a Delete: the entry back in its place, the lists rebuilt;
    // then Ctrl+Y takes it away again.
    auto deleteOne = [&] {
        form->Text1->setText(typical);
        const QSignalBlocker blocker(form->lstAddress);
        form->lstAddress->clear();
        form->lstAddress->addItem(u"www.undone.example.org"_s);
        form->lstAddress->setCurrentRow(0);
        orRaiseUnhandled(
            form->Data1->table().insert({typical, u"www.undone.example.org"_s, u"x"_s}));
        form->mnuedit_Click(int(Form1::EditItem::Delete));
    };
    report(u"Ctrl+Z, a deleted entry back"_s,
           measure(deleteOne, [form] { form->Undo_Press(false); }));
    report(u"Ctrl+Y, deleted again"_s,
           measure(
               [&] {
                   deleteOne();
                   form->Undo_Press(false);
               },
               [form] { form->Undo_Press(true); }));
    // The list of deleted entries, with 10,000 of them.
    if (entries >= 10000) {
        // Deleted by another program, and taken in before the timing.
        orRaiseUnhandled(form->Data1->table().publish());
        PlainSql::run(path,
                      "DELETE FROM Informaiton WHERE rowid IN (SELECT rowid FROM"
                      " Informaiton ORDER BY rowid DESC LIMIT 10000)");
        orRaiseUnhandled(form->Data1->table().deletedEntries());
        report(u"the list of 10,000 deleted entries"_s,
               measure(
                   {}, [form] { orRaiseUnhandled(form->Data1->table().deletedEntries()); }, {}, 5));
    }

    // A change, from the handler until the book in its folder holds it: the
    // moment it waits for more, then the book written whole and put in place.
    constexpr int writes = 5;
    auto bookChanged = [&path](const std::optional<FileStamp> &before) {
        while (FileStamp::of(path) == before)
            QThread::usleep(200);
    };
    int added = 0;
    report(u"a change, until it is in Tessmoor.mdb"_s, Timing::measure(writes, {}, [&] {
               const std::optional<FileStamp> before = FileStamp::of(path);
               orRaiseUnhandled(form->Data1->table().insert(
                   {typical, u"www.written%1.example.org"_s.arg(++added), u"x"_s}));
               bookChanged(before);
           }));
    // A conflict copy with a few changes of its own, merged and the book
    // written with them.
    const QString copy = dir.filePath(u"Tessmoor.sync-conflict-20261209-101500-ABCDEFG.mdb"_s);
    report(u"a conflict copy merged, until it is in Tessmoor.mdb"_s,
           Timing::measure(
               writes,
               [&] {
                   orRaiseUnhandled(form->Data1->table().publish());
                   const QString made = dir.filePath(u"copy.tmp"_s);
                   QFile::copy(path, made);
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
                   orRaiseUnhandled(form->Data1->table().publish());
                   while (QFile::exists(copy))
                       QThread::usleep(200);
               }));

    // Opening the book once more, as a second Larkspan would: most of it is
    // the check before the first write, SQLite's quick check of every page.
    // The program starts that check on a thread of its own as it starts, so
    // that it runs while the splash screen shows for its second.
    constexpr int opens = 5;
    auto openBook = [&path] {
        AddressTable table;
        if (!table.open(path).ok())
            std::abort();
    };
    report(u"open the book, checked as it opens"_s, Timing::measure(opens, {}, openBook),
           sql.time("PRAGMA quick_check(1)", QString(), opens));
    report(u"open the book, checked during the splash second"_s,
           Timing::measure(
               opens,
               [&path] {
                   BookCheck::start(path);
                   QThread::msleep(1000);
               },
               openBook));

    QTextStream(stdout) << "peak resident KiB\t" << peakResidentKb() << '\n';
    WindowServices::instance().reset();
    return 0;
}

int runSplash()
{
    Testing::RecordingPlatform platform;
    frmSplash1 *splash = FormInstance<frmSplash1>::get();
    splash->Timer1->stop();
    struct FirstPaint : QObject
    {
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Paint && !done) {
                done = true;
                std::printf("%lld\n", static_cast<long long>(monotonicNs()));
                std::fflush(stdout);
                QTimer::singleShot(0, qApp, &QCoreApplication::quit);
            }
            return false;
        }
        bool done = false;
    } firstPaint;
    splash->Image1->installEventFilter(&firstPaint);
    WindowServices::instance().showWindow(splash);
    return QApplication::exec();
}

struct Line
{
    QString action;
    QString median, p95, sql;
};

int runAll(const QString &self)
{
    QTextStream out(stdout);
    out << "Machine: " << QSysInfo::prettyProductName() << ", "
        << QSysInfo::currentCpuArchitecture() << ", " << QThread::idealThreadCount()
        << " cores\n\n";

    QList<double> splash;
    for (int i = 0; i < runs; ++i) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        child.setProcessEnvironment(env);
        const qint64 start = monotonicNs();
        child.start(self, {u"--splash"_s});
        child.waitForFinished(20000);
        const qint64 painted = child.readAllStandardOutput().trimmed().toLongLong();
        if (painted > start)
            splash << double(painted - start) / 1e6;
    }
    if (!splash.isEmpty()) {
        const Timing::Summary t = summarise(splash);
        out << "Start to first painted splash frame: median " << QString::number(t.median, 'f', 1)
            << " ms, p95 " << QString::number(t.p95, 'f', 1) << " ms\n\n";
    }

    out << "| entries | action | median ms | p95 ms | plain SQL median ms | ratio |\n";
    out << "|---:|---|---:|---:|---:|---:|\n";
    const QList<std::pair<int, bool>> books = {{1000, false},    {10000, false}, {100000, false},
                                               {1000000, false}, {100000, true}, {1000000, true}};
    for (const auto &[entries, skewed] : books) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        child.setProcessEnvironment(env);
        QStringList args {u"--run"_s, QString::number(entries)};
        if (skewed)
            args << u"skew"_s;
        child.start(self, args);
        child.waitForFinished(-1);
        const QString label
            = QLocale(QLocale::English).toString(entries) + (skewed ? u" skewed"_s : QString());
        for (const QByteArray &raw : child.readAllStandardOutput().split('\n')) {
            const QStringList f = QString::fromUtf8(raw).split(u'\t');
            if (f.size() == 2) {
                out << "| " << label << " | peak resident memory | " << f[1].toLongLong() / 1024
                    << " MiB | | | |\n";
            } else if (f.size() == 4) {
                const double median = f[1].toDouble();
                QString ratio;
                if (f[3] != u"-")
                    ratio = QString::number(median / std::max(f[3].toDouble(), 1e-6), 'f', 2);
                out << "| " << label << " | " << f[0] << " | " << QString::number(median, 'f', 2)
                    << " | " << QString::number(f[2].toDouble(), 'f', 2) << " | "
                    << (f[3] == u"-" ? u"-"_s : QString::number(f[3].toDouble(), 'f', 2)) << " | "
                    << (ratio.isEmpty() ? u"-"_s : ratio) << " |\n";
            }
        }
        out.flush();
    }

    // Export and import, in a process of their own like each book.
    QProcess exchange;
    exchange.start(self, {u"--exchange"_s});
    exchange.waitForFinished(-1);
    for (const QByteArray &raw : exchange.readAllStandardOutput().split('\n')) {
        const QStringList f = QString::fromUtf8(raw).split(u'\t');
        if (f.size() == 4)
            out << "| " << f[0] << " | " << f[1] << " | "
                << QString::number(f[2].toDouble(), 'f', 0) << " | "
                << QString::number(f[3].toDouble(), 'f', 0) << " | - | - |\n";
    }

    HugeEntries::reportAll(self, out);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    const QStringList args = [&] {
        QStringList list;
        for (int i = 0; i < argc; ++i)
            list << QString::fromLocal8Bit(argv[i]);
        return list;
    }();
    if (args.size() >= 2
        && (args[1] == u"--run" || args[1] == u"--splash" || args[1] == u"--huge-entry")) {
        QApplication app(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        if (args[1] == u"--splash")
            return runSplash();
        if (args[1] == u"--huge-entry")
            return HugeEntries::run(args.value(2));
        return runBook(args.value(2).toInt(), args.value(3) == u"skew");
    }
    QCoreApplication app(argc, argv);
    if (args.value(1) == u"--huge") {
        QTextStream out(stdout);
        HugeEntries::reportAll(QCoreApplication::applicationFilePath(), out);
        return 0;
    }
    if (args.size() >= 2 && args[1] == u"--exchange")
        return runExchangeBench();
    return runAll(QCoreApplication::applicationFilePath());
}
