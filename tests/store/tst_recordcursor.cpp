// The address table and its record cursor, with no display at all.
#include "AddressBookFile.h"
#include "RecordingPlatform.h"

#include "store/RecordCursor.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <QThread>

#include <functional>
#include <stdexcept>

using namespace Larkspan;
using namespace Qt::StringLiterals;
using Testing::RecordingPlatform;

using Steps = std::function<void(RecordCursor &)>;
using Records = QList<Record>;
Q_DECLARE_METATYPE(Steps)

namespace {

const Records sample = {
    {u"News"_s, u"www.example.org"_s, u"first"_s},
    {u"Mail"_s, u"someone@example.org"_s, u"second"_s},
    {u"News"_s, u"news.example.net"_s, u"third"_s},
    {u"news"_s, u"www.example.org"_s, u"fourth"_s},
    {u""_s, u""_s, u""_s},
    {u"News"_s, u"www.example.org"_s, u"sixth"_s},
};

QString failureOf(const std::function<void()> &work)
{
    try {
        work();
    } catch (const RecordingPlatform::Unhandled &failure) {
        return failure.description;
    }
    return {};
}

} // namespace

class RecordCursorTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void createsAMissingFileWithAnEmptyTable()
    {
        RecordingPlatform platform;
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Tessmoor.mdb"_s);
        RecordCursor cursor;
        cursor.open(path);
        cursor.MoveFirst();
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
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("sqlSetup");
        QTest::addColumn<QString>("message");

        QByteArray noise(4096, '\0');
        for (int i = 0; i < noise.size(); ++i)
            noise[i] = char((i * 7919 + 13) % 251);
        QTest::newRow("random bytes") << noise << QString() << u"file is not a database"_s;
        QTest::newRow("empty file") << QByteArray() << QString() << u"no such table: Informaiton"_s;
        QTest::newRow("other tables only") << QByteArray()
            << u"CREATE TABLE Other (x TEXT)"_s << u"no such table: Informaiton"_s;
        QTest::newRow("column missing") << QByteArray()
            << u"CREATE TABLE Informaiton (Type TEXT, address TEXT)"_s
            << u"no such column: About"_s;
    }

    void refusesAnUnusableFileAndLeavesItAlone()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, sqlSetup);
        QFETCH(QString, message);

        RecordingPlatform platform;
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Tessmoor.mdb"_s);
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        if (!sqlSetup.isEmpty())
            AddressBookFile::sql(path, sqlSetup);
        const QByteArray before = AddressBookFile::digest(path);
        const QStringList entriesBefore = QDir(dir.path()).entryList(QDir::Files);

        RecordCursor cursor;
        cursor.open(path);
        // The first use of the cursor raises the engine's message.
        QCOMPARE(failureOf([&] { cursor.MoveFirst(); }), message);
        QCOMPARE(platform.unhandledFailures, QStringList{message});
        QCOMPARE(AddressBookFile::digest(path), before);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), entriesBefore);
    }

    void walksTheRecordsInTheOrderTheyWereAdded()
    {
        RecordingPlatform platform;
        AddressBookFile file(sample);
        RecordCursor cursor;
        cursor.open(file.path());
        Records seen;
        for (cursor.MoveFirst(); !cursor.Eof(); cursor.MoveNext())
            seen.append({cursor.field(Field::Type), cursor.field(Field::Address),
                         cursor.field(Field::About)});
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
            c.MoveFirst();
            c.MoveNext();
            c.assign(Field::About, u"changed"_s);
            c.MoveNext();
        }) << changed;
        QTest::newRow("assign, then rebuild the categories") << Steps([](RecordCursor &c) {
            c.seekAddress(u"someone@example.org"_s);
            c.assign(Field::About, u"changed"_s);
            c.walkCategories();
        }) << changed;
        QTest::newRow("assign, never move") << Steps([](RecordCursor &c) {
            c.MoveFirst();
            c.assign(Field::Type, u"lost"_s);
        }) << sample;
        QTest::newRow("assign at end-of-file, then move") << Steps([](RecordCursor &c) {
            c.walkCategories();
            c.assign(Field::Type, u"x"_s);
            c.assign(Field::Address, u"y"_s);
            c.assign(Field::About, u"z"_s);
            c.MoveFirst();
        }) << sample;

        Records added = sample;
        added.append({u"New"_s, u"new@example.org"_s, u"line one\r\nline two"_s});
        QTest::newRow("AddNew, assign, Update") << Steps([](RecordCursor &c) {
            c.AddNew();
            c.assign(Field::Type, u"New"_s);
            c.assign(Field::Address, u"new@example.org"_s);
            c.assign(Field::About, u"line one\r\nline two"_s);
            c.Update();
        }) << added;
        QTest::newRow("AddNew abandoned by a move") << Steps([](RecordCursor &c) {
            c.AddNew();
            c.assign(Field::Type, u"New"_s);
            c.MoveFirst();
        }) << sample;

        Records withoutFirst = sample;
        withoutFirst.removeFirst();
        QTest::newRow("Delete, then walk on") << Steps([](RecordCursor &c) {
            c.MoveFirst();
            c.Delete();
            c.MoveNext();
            QCOMPARE(c.field(Field::About), u"second"_s);
        }) << withoutFirst;
    }

    void changesReachTheTableOnlyAsTheCursorMoves()
    {
        QFETCH(Steps, steps);
        QFETCH(Records, expected);
        RecordingPlatform platform;
        AddressBookFile file(sample);
        {
            RecordCursor cursor;
            cursor.open(file.path());
            steps(cursor);
        }
        QCOMPARE(file.rows(), expected);
    }

    void wholeWalksCompareExactly()
    {
        RecordingPlatform platform;
        AddressBookFile file(sample);
        RecordCursor cursor;
        cursor.open(file.path());

        QCOMPARE(cursor.walkCategories(), QStringList({u"News"_s, u"Mail"_s, u"news"_s, u""_s}));
        QVERIFY(cursor.Eof());
        QCOMPARE(cursor.walkAddressesOf(u"News"_s),
                 QStringList({u"www.example.org"_s, u"news.example.net"_s, u"www.example.org"_s}));
        QVERIFY(cursor.Eof());
        QCOMPARE(cursor.walkAddressesOf(u"NEWS"_s), QStringList());
        QCOMPARE(cursor.walkAddressesOf(u""_s), QStringList{u""_s});

        // The first record with the address wins, whatever its category.
        QVERIFY(cursor.seekAddress(u"www.example.org"_s));
        QCOMPARE(cursor.field(Field::About), u"first"_s);
        QVERIFY(!cursor.seekAddress(u"WWW.example.org"_s));
        QVERIFY(cursor.Eof());
        // Nothing selected reads as the empty string, which matches an entry
        // stored with an empty address.
        QVERIFY(cursor.seekAddress(QString()));
        QCOMPARE(cursor.field(Field::Type), u""_s);
    }

    void deleteRemovesOnlyTheFirstMatchOfAddressAndCategory()
    {
        RecordingPlatform platform;
        AddressBookFile file(sample);
        RecordCursor cursor;
        cursor.open(file.path());
        QVERIFY(!cursor.deleteFirst(u"www.example.org"_s, u"mod"_s));
        QVERIFY(cursor.deleteFirst(u"www.example.org"_s, u"News"_s));
        cursor.MoveFirst();

        Records expected = sample;
        expected.removeAt(0);
        QCOMPARE(file.rows(), expected);
        QVERIFY(cursor.deleteFirst(u"www.example.org"_s, u"news"_s));
        expected.removeAt(2);
        QCOMPARE(file.rows(), expected);
    }

    void aBusyFileIsWaitedFor()
    {
        RecordingPlatform platform;
        AddressBookFile file(sample);
        RecordCursor cursor;
        cursor.open(file.path());

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
        const QString failure = failureOf([&] {
            cursor.AddNew();
            cursor.assign(Field::Type, u"Later"_s);
            cursor.Update();
        });
        other->wait();
        delete other;
        QCOMPARE(failure, QString());
        QCOMPARE(file.rows().last().type, u"Later"_s);
    }

    void aFailureLaterOnIsRaised()
    {
        RecordingPlatform platform;
        AddressBookFile file(sample);
        RecordCursor cursor;
        cursor.open(file.path());
        AddressBookFile::sql(file.path(), u"DROP TABLE Informaiton"_s);
        QCOMPARE(failureOf([&] { cursor.MoveFirst(); }), u"no such table: Informaiton"_s);
    }
};

QTEST_GUILESS_MAIN(RecordCursorTest)
#include "tst_recordcursor.moc"
