// The address table and its record cursor, with no display at all.
#include "AddressBookFile.h"
#include "TestFiles.h"

#include "store/BuildProgress.h"
#include "store/RecordCursor.h"

#include <QFile>
#include <QScopeGuard>
#include <QSemaphore>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <functional>

using namespace Larkspan;
using namespace Qt::StringLiterals;

using Make = std::function<void(const QString &path)>;
using Records = QList<Record>;

namespace {

const Records sample = {
    {u"News"_s, u"www.example.org"_s, u"first"_s},
    {u"Mail"_s, u"someone@example.org"_s, u"second"_s},
    {u"News"_s, u"news.example.net"_s, u"third"_s},
    {u"news"_s, u"www.example.org"_s, u"fourth"_s},
    {u""_s, u""_s, u""_s},
};

void write(const QString &path, qint64 offset, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(offset)
            && file.write(bytes) == bytes.size());
}

Make sqlFile(const QStringList &statements)
{
    return [statements](const QString &path) {
        for (const QString &statement : statements)
            AddressBookFile::sql(path, statement);
    };
}

// Runs `statements` on a book holding `sample` and, before the connection
// goes, copies the book with every file SQLite keeps beside it to `path`:
// what a crash at that moment would leave.
Make copyMidway(const QStringList &statements)
{
    return [statements](const QString &path) {
        AddressBookFile scratch(sample);
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"midway"_s);
            db.setDatabaseName(scratch.path());
            QSqlQuery query(db.open() ? db : QSqlDatabase());
            for (const QString &statement : statements)
                QVERIFY2(query.exec(statement), qPrintable(statement));
            for (const QString &suffix : {u""_s, u"-journal"_s, u"-wal"_s, u"-shm"_s})
                QVERIFY(!QFile::exists(scratch.path() + suffix)
                        || QFile::copy(scratch.path() + suffix, path + suffix));
            query.exec(u"ROLLBACK"_s);
        }
        QSqlDatabase::removeDatabase(u"midway"_s);
    };
}

} // namespace

class RecordCursorTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A book that fails the check is refused, and nothing writes to it: not
    // a byte, not a file beside it. One that a crash left behind opens.
    void opensOnlyAUsableBook_data()
    {
        QTest::addColumn<Make>("make");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<int>("entries");
        QTest::newRow("column missing")
            << sqlFile({u"CREATE TABLE Informaiton (Type TEXT, address TEXT)"_s})
            << u"no such column: About"_s << 0;
        QTest::newRow("no rowid") << sqlFile({u"CREATE TABLE Informaiton (Type TEXT,"
                                              u" address TEXT, About TEXT, PRIMARY KEY (Type))"
                                              u" WITHOUT ROWID"_s})
                                  << u"no such column: rowid"_s << 0;
        QTest::newRow("a view") << sqlFile(
            {u"CREATE TABLE t (Type TEXT, address TEXT, About TEXT)"_s,
             u"CREATE VIEW Informaiton AS SELECT * FROM t"_s})
                                << u"cannot modify Informaiton because it is a view"_s << 0;
        QTest::newRow("a generated column")
            << sqlFile({u"CREATE TABLE Informaiton (Type TEXT, address TEXT,"
                        u" About TEXT GENERATED ALWAYS AS (Type || address))"_s})
            << u"cannot UPDATE generated column \"About\""_s << 0;
        // It reads well, but its list of free pages points into the table.
        QTest::newRow("damaged") << Make([](const QString &path) {
            sqlFile({u"CREATE TABLE Informaiton (Type TEXT, address TEXT, About TEXT)"_s,
                     u"INSERT INTO Informaiton VALUES ('News', 'www.example.org', '')"_s,
                     u"PRAGMA journal_mode=WAL"_s})(path);
            write(path, 32, QByteArray::fromHex("0000000200000001"));
        }) << u"database disk image is malformed"_s
                                 << 0;
        // Closing a connection that may write would fold its log into it.
        QTest::newRow("in WAL mode, with its log")
            << copyMidway({u"PRAGMA journal_mode=WAL"_s, u"DROP TABLE Informaiton"_s})
            << u"no such table: Informaiton"_s << 0;
        // A write cut short after its first pages reached the file: SQLite's
        // journal holds what they were.
        QTest::newRow("journal left behind")
            << copyMidway({u"PRAGMA cache_size=1"_s, u"BEGIN"_s,
                           u"INSERT INTO Informaiton (Type, address, About)"
                           u" WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n"
                           u" WHERE i < 500) SELECT 'x', 'y', printf('%0500d', i) FROM n"_s})
            << QString() << int(sample.size());
        QTest::newRow("empty file")
            << Make([](const QString &path) { write(path, 0, {}); }) << QString() << 0;
        QTest::newRow("missing file") << Make([](const QString &) {}) << QString() << 0;
    }

    void opensOnlyAUsableBook()
    {
        QFETCH(Make, make);
        QFETCH(QString, refusal);
        QFETCH(int, entries);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Tessmoor.mdb"_s);
        make(path);
        const QMap<QString, QByteArray> before = Testing::snapshot(dir.path());
        QCOMPARE(RecordCursor().open(path).error(), refusal);
        if (!refusal.isEmpty())
            QCOMPARE(Testing::snapshot(dir.path()), before);
        else
            QCOMPARE(AddressBookFile::sql(path, u"SELECT count(*) FROM Informaiton"_s),
                     QList<QStringList> {{QString::number(entries)}});
    }

    // A change goes to the table as the cursor leaves the record, or on
    // Update of a new one; with nowhere to go it is dropped. The table is
    // another tool's, with NULL in the second entry's information.
    void changesReachTheTableOnlyAsTheCursorMoves_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<Records>("expected");
        Records book = sample;
        book[1].about = QString();
        Records changed = book;
        changed[1].about = u"x"_s;
        QTest::newRow("assign, then move") << u"FNbN"_s << changed;
        changed[1] = {u"x"_s, book[1].address, QString()};
        QTest::newRow("assign, then list the categories") << u"StC"_s << changed;
        QTest::newRow("assign, never move") << u"Ft"_s << book;
        QTest::newRow("assign at end-of-file, then move") << u"CtF"_s << book;
        QTest::newRow("AddNew, assign, Update")
            << u"AtbU"_s << book + Records {{u"x"_s, u""_s, u"x"_s}};
        QTest::newRow("AddNew abandoned by a move") << u"AtF"_s << book;
        QTest::newRow("Delete, then move") << u"FDN"_s << book.mid(1);
        // The first entry with both, compared exactly: not "News", not "mod".
        QTest::newRow("delete the first of an address and category")
            << u"mn"_s << Records {book[0], book[1], book[2], book[4]};
        // Another program holds the file in a write transaction meanwhile.
        QTest::newRow("a busy file is waited for")
            << u"AtWU"_s << book + Records {{u"x"_s, u""_s, u""_s}};
    }

    // One letter a step: F MoveFirst, N MoveNext, C list the categories, S seek
    // someone@example.org, A AddNew, U Update, D Delete; t and b assign "x"
    // to the category or the information; m and n delete the first
    // www.example.org filed under "mod" or "news"; W lets another program
    // hold the file for a while.
    void changesReachTheTableOnlyAsTheCursorMoves()
    {
        QFETCH(QString, steps);
        QFETCH(Records, expected);
        Records book = sample;
        book[1].about = QString();
        AddressBookFile file(book,
                             {u"CREATE TABLE Informaiton (Type TEXT, address TEXT, About TEXT)"_s});
        // Another program holds the book for 700 ms from the moment it has it.
        QSemaphore held;
        std::unique_ptr<QThread> other(QThread::create([path = file.path(), &held] {
            {
                QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"other"_s);
                db.setDatabaseName(path);
                QSqlQuery query(db.open() ? db : QSqlDatabase());
                query.exec(u"BEGIN EXCLUSIVE"_s);
                held.release();
                QThread::msleep(700);
                query.exec(u"COMMIT"_s);
            }
            QSqlDatabase::removeDatabase(u"other"_s);
        }));
        const auto joined = qScopeGuard([&other] { other->wait(); });
        {
            RecordCursor c;
            QVERIFY(c.open(file.path()).ok());
            const QString www = u"www.example.org"_s;
            for (const QChar step : steps) {
                if (step == u't' || step == u'b')
                    c.assign(step == u't' ? Field::Type : Field::About, u"x"_s);
                if (step == u'W') {
                    other->start();
                    QVERIFY(held.tryAcquire(1, 10000));
                }
                const bool done = step == u'F' ? c.MoveFirst().ok()
                    : step == u'N'             ? c.MoveNext().ok()
                    : step == u'C'             ? c.walkCategories().ok()
                    : step == u'S'             ? c.seekAddress(u"someone@example.org"_s).value()
                    : step == u'A'             ? c.AddNew().ok()
                    : step == u'U'             ? c.Update().ok()
                    : step == u'D'             ? c.Delete().ok()
                    : step == u'm'             ? !c.deleteFirst(www, u"mod"_s).value()
                    : step == u'n'             ? c.deleteFirst(www, u"news"_s).value()
                                               : QStringView(u"tbW").contains(step);
                QVERIFY2(done, qPrintable(QString(step)));
            }
        }
        QCOMPARE(file.rows(), expected);
    }

    // Only a file without the companion tables is built, reporting as it goes.
    void onlyAFileWithoutCompanionTablesIsBuiltWithProgress()
    {
        Records many;
        for (int i = 0; i < 40000; ++i)
            many.append({u"Category %1"_s.arg(i % 97), u"www.site%1.example.org"_s.arg(i), u""_s});
        AddressBookFile file(many);
        QList<double> heard;
        const BuildProgress listening([&heard](double done) { heard << done; });
        for (int i = 0; i < 2; ++i) {
            RecordCursor cursor;
            QVERIFY(cursor.open(file.path()).ok());
        }
        QVERIFY(heard.size() > 2 && std::is_sorted(heard.cbegin(), heard.cend()));
        QCOMPARE(heard.count(1.0), 1);
    }
};

QTEST_GUILESS_MAIN(RecordCursorTest)
#include "tst_recordcursor.moc"
