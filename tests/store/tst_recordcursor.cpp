// The address table and its record cursor, with no display at all.
#include "AddressBookFile.h"

#include "store/BuildProgress.h"
#include "store/RecordCursor.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QScopeGuard>
#include <QSqlQuery>
#include <QTest>
#include <QThread>

#include <algorithm>
#include <functional>
#include <stdexcept>

#include <unistd.h>

using namespace Larkspan;
using namespace Qt::StringLiterals;

using Steps = std::function<void(RecordCursor &)>;
using Make = std::function<void(const QString &path)>;
using Records = QList<Record>;
Q_DECLARE_METATYPE(Steps)
Q_DECLARE_METATYPE(Make)

namespace {

const Records sample = {
    {u"News"_s, u"www.example.org"_s, u"first"_s},
    {u"Mail"_s, u"someone@example.org"_s, u"second"_s},
    {u"News"_s, u"news.example.net"_s, u"third"_s},
    {u"news"_s, u"www.example.org"_s, u"fourth"_s},
    {u""_s, u""_s, u""_s},
    {u"News"_s, u"www.example.org"_s, u"sixth"_s},
};

void write(const QString &path, qint64 offset, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite) || !file.seek(offset) || file.write(bytes) != bytes.size())
        QFAIL("cannot write the file");
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
void copyMidway(const QString &path, const QStringList &statements)
{
    AddressBookFile scratch(sample);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"midway"_s);
        db.setDatabaseName(scratch.path());
        QVERIFY(db.open());
        QSqlQuery query(db);
        for (const QString &statement : statements)
            QVERIFY2(query.exec(statement), qPrintable(statement));
        for (const QString &suffix : {u""_s, u"-journal"_s, u"-wal"_s, u"-shm"_s}) {
            if (QFile::exists(scratch.path() + suffix))
                QVERIFY(QFile::copy(scratch.path() + suffix, path + suffix));
        }
        query.exec(u"ROLLBACK"_s);
        db.close();
    }
    QSqlDatabase::removeDatabase(u"midway"_s);
}

} // namespace

class RecordCursorTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void createsAMissingFileWithAnEmptyTable()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Tessmoor.mdb"_s);
        RecordCursor cursor;
        QVERIFY(cursor.open(path).ok());
        QVERIFY(cursor.MoveFirst().ok());
        QVERIFY(cursor.Eof());
        QVERIFY(QFile::exists(path));

        // Three text columns that are never NULL and empty by default.
        QStringList columns;
        for (const QStringList &c : AddressBookFile::sql(path, u"PRAGMA table_info(Informaiton)"_s))
            columns << u"%1 %2 notnull=%3 default=%4"_s.arg(c[1], c[2], c[3], c[4]);
        QCOMPARE(columns, QStringList({u"Type TEXT notnull=1 default=''"_s,
                                       u"address TEXT notnull=1 default=''"_s,
                                       u"About TEXT notnull=1 default=''"_s}));
        QVERIFY_THROWS_EXCEPTION(std::runtime_error,
            AddressBookFile::sql(path, u"INSERT INTO Informaiton (Type) VALUES (NULL)"_s));
    }

    void refusesAnUnusableFileAndLeavesItAlone_data()
    {
        QTest::addColumn<Make>("make");
        QTest::addColumn<QString>("message");

        QTest::newRow("random bytes") << Make([](const QString &path) {
            QByteArray noise(4096, '\0');
            for (int i = 0; i < noise.size(); ++i)
                noise[i] = char((i * 7919 + 13) % 251);
            write(path, 0, noise);
        }) << u"file is not a database"_s;
        QTest::newRow("other tables only") << sqlFile({u"CREATE TABLE Other (x TEXT)"_s})
                                           << u"no such table: Informaiton"_s;
        QTest::newRow("column missing")
            << sqlFile({u"CREATE TABLE Informaiton (Type TEXT, address TEXT)"_s})
            << u"no such column: About"_s;
        QTest::newRow("no rowid") << sqlFile({u"CREATE TABLE Informaiton (Type TEXT,"
                                              u" address TEXT, About TEXT, PRIMARY KEY (Type))"
                                              u" WITHOUT ROWID"_s})
                                  << u"no such column: rowid"_s;
        // One of our own, which reads well, but its list of free pages
        // points into the table.
        QTest::newRow("damaged") << Make([](const QString &path) {
            sqlFile({u"CREATE TABLE Informaiton (Type TEXT, address TEXT, About TEXT)"_s,
                     u"INSERT INTO Informaiton VALUES ('News', 'www.example.org', '')"_s,
                     u"PRAGMA journal_mode=WAL"_s})(path);
            write(path, 32, QByteArray::fromHex("0000000200000001"));
        }) << u"database disk image is malformed"_s;
        // Its log must not be folded into it, as closing a connection that
        // may write would do.
        QTest::newRow("in WAL mode, with its log") << Make([](const QString &path) {
            copyMidway(path, {u"PRAGMA journal_mode=WAL"_s, u"DROP TABLE Informaiton"_s});
        }) << u"no such table: Informaiton"_s;
    }

    void refusesAnUnusableFileAndLeavesItAlone()
    {
        QFETCH(Make, make);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Tessmoor.mdb"_s);
        make(path);
        const QByteArray before = AddressBookFile::digest(path);
        const QStringList entriesBefore = QDir(dir.path()).entryList(QDir::Files);

        RecordCursor cursor;
        QCOMPARE(cursor.open(path).error(), message);
        // Every use of the cursor answers with the engine's message.
        QCOMPARE(cursor.MoveFirst().error(), message);
        QCOMPARE(AddressBookFile::digest(path), before);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), entriesBefore);
    }

    void aCrashNeverLocksTheUserOut_data()
    {
        QTest::addColumn<Make>("make");
        QTest::addColumn<Records>("expected");

        // A write cut short after its first pages reached the file: SQLite's
        // journal holds what they were.
        QTest::newRow("journal left behind") << Make([](const QString &path) {
            copyMidway(path, {u"PRAGMA cache_size=1"_s, u"BEGIN"_s,
                              u"INSERT INTO Informaiton (Type, address, About)"
                              u" WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n"
                              u" WHERE i < 500) SELECT 'x', 'y', printf('%0500d', i) FROM n"_s});
        }) << sample;
        QTest::newRow("empty file") << Make([](const QString &path) { write(path, 0, {}); })
                                    << Records();
    }

    void aCrashNeverLocksTheUserOut()
    {
        QFETCH(Make, make);
        QFETCH(Records, expected);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Tessmoor.mdb"_s);
        make(path);
        {
            RecordCursor cursor;
            const Outcome<void> opened = cursor.open(path);
            QVERIFY2(opened.ok(), qPrintable(opened.error()));
        }
        Records found;
        for (const QStringList &row : AddressBookFile::sql(
                 path, u"SELECT Type, address, About FROM Informaiton ORDER BY rowid"_s))
            found.append({row[0], row[1], row[2]});
        QCOMPARE(found, expected);
    }

    void aBookInAFolderThatCannotBeWrittenIsRead()
    {
        AddressBookFile file(sample);
        AddressBookFile::sql(file.path(), u"PRAGMA journal_mode=WAL"_s);
        const auto writable = QFile::permissions(file.directory());
        QVERIFY(QFile::setPermissions(file.directory(), QFile::ReadOwner | QFile::ExeOwner
                                                            | QFile::ReadGroup | QFile::ExeGroup
                                                            | QFile::ReadOther | QFile::ExeOther));
        // Root may write anywhere: the case is played as nobody.
        const bool root = ::geteuid() == 0;
        if (root && ::seteuid(65534) != 0)
            QSKIP("cannot leave root");
        const auto restore = qScopeGuard([&] {
            if (root && ::seteuid(0) != 0)
                qFatal("cannot return to root");
            QFile::setPermissions(file.directory(), writable);
        });

        RecordCursor cursor;
        const Outcome<void> opened = cursor.open(file.path());
        QVERIFY2(opened.ok(), qPrintable(opened.error()));
        QCOMPARE(cursor.walkAddressesOf(u"Mail"_s).value(), QStringList{u"someone@example.org"_s});
        QVERIFY(cursor.AddNew().ok());
        cursor.assign(Field::Type, u"New"_s);
        QCOMPARE(cursor.Update().error(), u"attempt to write a readonly database"_s);
        QCOMPARE(QDir(file.directory()).entryList(QDir::Files), QStringList{u"Tessmoor.mdb"_s});
    }

    void walksTheRecordsInTheOrderTheyWereAdded()
    {
        AddressBookFile file(sample);
        RecordCursor cursor;
        QVERIFY(cursor.open(file.path()).ok());
        Records seen;
        QVERIFY(cursor.MoveFirst().ok());
        while (!cursor.Eof()) {
            seen.append({cursor.field(Field::Type), cursor.field(Field::Address),
                         cursor.field(Field::About)});
            QVERIFY(cursor.MoveNext().ok());
        }
        QCOMPARE(seen, sample);
        // At end-of-file the fields read as empty text.
        QCOMPARE(cursor.field(Field::Type), QString());
        QCOMPARE(cursor.field(Field::About), QString());
    }

    void changesReachTheTableOnlyAsTheCursorMoves_data()
    {
        QTest::addColumn<Steps>("steps");
        QTest::addColumn<Records>("expected");

        Records changed = sample;
        changed[1].about = u"changed"_s;
        QTest::newRow("assign, then move") << Steps([](RecordCursor &c) {
            QVERIFY(c.MoveFirst().ok());
            QVERIFY(c.MoveNext().ok());
            c.assign(Field::About, u"changed"_s);
            QVERIFY(c.MoveNext().ok());
        }) << changed;
        QTest::newRow("assign, then rebuild the categories") << Steps([](RecordCursor &c) {
            QVERIFY(c.seekAddress(u"someone@example.org"_s).ok());
            c.assign(Field::About, u"changed"_s);
            QVERIFY(c.walkCategories().ok());
        }) << changed;
        QTest::newRow("assign, never move") << Steps([](RecordCursor &c) {
            QVERIFY(c.MoveFirst().ok());
            c.assign(Field::Type, u"lost"_s);
        }) << sample;
        QTest::newRow("assign at end-of-file, then move") << Steps([](RecordCursor &c) {
            QVERIFY(c.walkCategories().ok());
            c.assign(Field::Type, u"x"_s);
            c.assign(Field::Address, u"y"_s);
            c.assign(Field::About, u"z"_s);
            QVERIFY(c.MoveFirst().ok());
        }) << sample;

        Records added = sample;
        added.append({u"New"_s, u"new@example.org"_s, u"line one\r\nline two"_s});
        QTest::newRow("AddNew, assign, Update") << Steps([](RecordCursor &c) {
            QVERIFY(c.AddNew().ok());
            c.assign(Field::Type, u"New"_s);
            c.assign(Field::Address, u"new@example.org"_s);
            c.assign(Field::About, u"line one\r\nline two"_s);
            QVERIFY(c.Update().ok());
        }) << added;
        QTest::newRow("AddNew abandoned by a move") << Steps([](RecordCursor &c) {
            QVERIFY(c.AddNew().ok());
            c.assign(Field::Type, u"New"_s);
            QVERIFY(c.MoveFirst().ok());
        }) << sample;

        Records withoutFirst = sample;
        withoutFirst.removeFirst();
        QTest::newRow("Delete, then walk on") << Steps([](RecordCursor &c) {
            QVERIFY(c.MoveFirst().ok());
            QVERIFY(c.Delete().ok());
            QVERIFY(c.MoveNext().ok());
            QCOMPARE(c.field(Field::About), u"second"_s);
        }) << withoutFirst;
    }

    void changesReachTheTableOnlyAsTheCursorMoves()
    {
        QFETCH(Steps, steps);
        QFETCH(Records, expected);
        AddressBookFile file(sample);
        {
            RecordCursor cursor;
            QVERIFY(cursor.open(file.path()).ok());
            steps(cursor);
        }
        QCOMPARE(file.rows(), expected);
    }

    void wholeWalksCompareExactly()
    {
        AddressBookFile file(sample);
        RecordCursor cursor;
        QVERIFY(cursor.open(file.path()).ok());

        QCOMPARE(cursor.walkCategories().value(),
                 QStringList({u"News"_s, u"Mail"_s, u"news"_s, u""_s}));
        QVERIFY(cursor.Eof());
        QCOMPARE(cursor.walkAddressesOf(u"News"_s).value(),
                 QStringList({u"www.example.org"_s, u"news.example.net"_s, u"www.example.org"_s}));
        QVERIFY(cursor.Eof());
        QCOMPARE(cursor.walkAddressesOf(u"NEWS"_s).value(), QStringList());
        QCOMPARE(cursor.walkAddressesOf(u""_s).value(), QStringList{u""_s});

        // The first record with the address wins, whatever its category.
        QCOMPARE(cursor.seekAddress(u"www.example.org"_s).value(), true);
        QCOMPARE(cursor.field(Field::About), u"first"_s);
        QCOMPARE(cursor.seekAddress(u"WWW.example.org"_s).value(), false);
        QVERIFY(cursor.Eof());
        // Nothing selected reads as the empty string, which matches an entry
        // stored with an empty address.
        QCOMPARE(cursor.seekAddress(QString()).value(), true);
        QCOMPARE(cursor.field(Field::Type), u""_s);
    }

    void onlyAFileWithoutCompanionTablesIsBuiltWithProgress()
    {
        // Enough entries for the build to report along the way.
        Records many;
        for (int i = 0; i < 40000; ++i)
            many.append({u"Category %1"_s.arg(i % 97), u"www.site%1.example.org"_s.arg(i), u""_s});
        AddressBookFile file(many);
        QList<double> heard;
        const BuildProgress listening([&heard](double done) { heard << done; });
        {
            RecordCursor cursor;
            QVERIFY(cursor.open(file.path()).ok());
        }
        QVERIFY(heard.size() > 2);
        QVERIFY(std::is_sorted(heard.cbegin(), heard.cend()));
        QCOMPARE(heard.last(), 1.0);

        // Tables in step are left as they are.
        heard.clear();
        RecordCursor cursor;
        QVERIFY(cursor.open(file.path()).ok());
        QCOMPARE(heard, QList<double>());
    }

    void deleteRemovesOnlyTheFirstMatchOfAddressAndCategory()
    {
        AddressBookFile file(sample);
        RecordCursor cursor;
        QVERIFY(cursor.open(file.path()).ok());
        QCOMPARE(cursor.deleteFirst(u"www.example.org"_s, u"mod"_s).value(), false);
        QCOMPARE(cursor.deleteFirst(u"www.example.org"_s, u"News"_s).value(), true);
        QVERIFY(cursor.MoveFirst().ok());

        Records expected = sample;
        expected.removeAt(0);
        QCOMPARE(file.rows(), expected);
        QCOMPARE(cursor.deleteFirst(u"www.example.org"_s, u"news"_s).value(), true);
        expected.removeAt(2);
        QCOMPARE(file.rows(), expected);
    }

    void aBusyFileIsWaitedFor()
    {
        AddressBookFile file(sample);
        RecordCursor cursor;
        QVERIFY(cursor.open(file.path()).ok());

        // Another Larkspan holds the file in a write transaction for a while.
        QThread *other = QThread::create([path = file.path()] {
            QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, u"other"_s);
            db.setDatabaseName(path);
            if (db.open()) {
                QSqlQuery(db).exec(u"BEGIN EXCLUSIVE"_s);
                QThread::msleep(700);
                QSqlQuery(db).exec(u"COMMIT"_s);
                db.close();
            }
            db = QSqlDatabase();
            QSqlDatabase::removeDatabase(u"other"_s);
        });
        other->start();
        QThread::msleep(200);
        QVERIFY(cursor.AddNew().ok());
        cursor.assign(Field::Type, u"Later"_s);
        const Outcome<void> stored = cursor.Update();
        other->wait();
        delete other;
        QVERIFY2(stored.ok(), qPrintable(stored.error()));
        QCOMPARE(file.rows().last().type, u"Later"_s);
    }

    void aFailureLaterOnIsReported()
    {
        AddressBookFile file(sample);
        RecordCursor cursor;
        QVERIFY(cursor.open(file.path()).ok());
        AddressBookFile::sql(file.path(), u"DROP TABLE Informaiton"_s);
        QCOMPARE(cursor.MoveFirst().error(), u"no such table: Informaiton"_s);
    }
};

QTEST_GUILESS_MAIN(RecordCursorTest)
#include "tst_recordcursor.moc"
