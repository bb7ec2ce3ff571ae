// One address book kept on two machines by a file-sync tool, played here by
// the test: it delivers one machine's book to the other by renaming it over
// the book, or leaves it beside the book as a conflict copy, named as each
// tool names one. Nothing may be lost, and nothing but the book may lie in
// its folder. The machines' files are read over connections of the test's own.
#include "AddressBookFile.h"
#include "TestFiles.h"

#include "store/AddressTable.h"
#include "store/Clock.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>

#include <csignal>

#include <unistd.h>

using namespace Larkspan;
using namespace Qt::StringLiterals;
using Records = QList<Record>;

namespace {

const QString program = QStringLiteral(LARKSPAN_BIN_DIR "/larkspan");
const Records shared = {{u"Web"_s, u"one.example"_s, u"1"_s},
                        {u"Web"_s, u"two.example"_s, u"2"_s},
                        {u"Mail"_s, u"three@example.org"_s, u"3"_s},
                        {u"Mail"_s, u"four@example.org"_s, u"4"_s}};

// What lies in a folder, links and hidden files included; and whether each
// book there says in its header that it is written with a rollback journal
// (bytes 18 and 19), so that no program that opens it starts a log beside it.
QStringList filesIn(const QString &folder)
{
    QStringList files;
    for (const QString &name :
         QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name)) {
        const QByteArray versions = Testing::readFile(folder + u'/' + name).mid(18, 2);
        files << (versions == "\2\2" ? name + u" (with a log)"_s : name);
    }
    return files;
}

// One run of the program on the book at `path`: the changes, then the end.
void run(const QString &path, const std::function<void(AddressTable &)> &changes)
{
    AddressTable table;
    QVERIFY(table.open(path, AddressTable::Use::Changes).ok());
    changes(table);
}

void setAbout(AddressTable &table, const QString &address, const QString &about)
{
    const std::optional<Row> row = table.firstWithAddress(address).value();
    QVERIFY(row && table.update(row->rowid, row->record, {{}, {}, about}, Field::About).value());
}

void drop(AddressTable &table, const QString &address)
{
    QVERIFY(table.remove(table.firstWithAddress(address).value()->rowid).ok());
}

Records rowsOf(const QString &path)
{
    Records rows;
    for (const QStringList &row : AddressBookFile::sql(
             path, u"SELECT Type, address, About FROM Informaiton ORDER BY rowid"_s))
        rows.append({row[0], row[1], row[2]});
    return rows;
}

} // namespace

class BookSyncTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Both machines change a book that no Larkspan had opened before, while
    // apart; each then gets the other's book. Both end with every entry
    // added on either side, without the one deleted on one side though the
    // other changed it, with each entry changed on one side as changed there
    // and the one changed on both as changed last, in one order.
    void bothMachinesEndWithEveryChange_data()
    {
        QTest::addColumn<QString>("delivery"); // how B's book reaches A
        QTest::addColumn<bool>("linked"); // A's book is a link into the synced folder
        QTest::newRow("Syncthing conflict copy")
            << u"Tessmoor.sync-conflict-20261209-101500-ABCDEFG.mdb"_s << true;
        QTest::newRow("Nextcloud conflict copy")
            << u"Tessmoor (conflicted copy 2026-12-09 101500).mdb"_s << false;
        QTest::newRow("Dropbox conflict copy")
            << u"Tessmoor (Jane's conflicted copy 2026-12-09).mdb"_s << false;
        QTest::newRow("renamed over the running book") << QString() << false;
    }

    void bothMachinesEndWithEveryChange()
    {
        QFETCH(QString, delivery);
        QFETCH(bool, linked);
        const AddressBookFile original(shared);
        QTemporaryDir top;
        const QString a = top.filePath(u"a"_s), b = top.filePath(u"b"_s);
        const QString synced = linked ? top.filePath(u"synced"_s) : a;
        for (const QString &folder : {a, b, synced})
            QVERIFY(QDir().mkpath(folder));
        const QString bookA = a + u"/Tessmoor.mdb"_s, bookB = b + u"/Tessmoor.mdb"_s;
        QVERIFY(QFile::copy(original.path(), synced + u"/Tessmoor.mdb"_s));
        QVERIFY(QFile::copy(original.path(), bookB));
        if (linked)
            QVERIFY(QFile::link(synced + u"/Tessmoor.mdb"_s, bookA));

        run(bookA, [](AddressTable &t) {
            QVERIFY(t.insert({u"Web"_s, u"a.example"_s, u"from A"_s}).ok());
            drop(t, u"one.example"_s);
            setAbout(t, u"two.example"_s, u"A"_s);
            setAbout(t, u"three@example.org"_s, u"A, early"_s);
        });
        run(bookB, [](AddressTable &t) {
            QVERIFY(t.insert({u"Mail"_s, u"b@example.org"_s, u"from B"_s}).ok());
            setAbout(t, u"one.example"_s, u"B"_s);
            setAbout(t, u"three@example.org"_s, u"B, later"_s);
            setAbout(t, u"four@example.org"_s, u"B"_s);
        });
        Records expected = {{u"Web"_s, u"two.example"_s, u"A"_s},
                            {u"Mail"_s, u"three@example.org"_s, u"B, later"_s},
                            {u"Mail"_s, u"four@example.org"_s, u"B"_s},
                            {u"Web"_s, u"a.example"_s, u"from A"_s},
                            {u"Mail"_s, u"b@example.org"_s, u"from B"_s}};

        const QString moved = top.filePath(u"replaced"_s); // the file A opened, kept
        if (delivery.isEmpty()) {
            QCOMPARE(::link(qPrintable(bookA), qPrintable(moved)), 0);
            const QByteArray before = Testing::digest(moved);
            AddressTable running;
            QVERIFY(running.open(bookA).ok());
            // As a sync tool delivers: a temporary file renamed over the book,
            // with a table another program keeps in it.
            QVERIFY(QFile::copy(bookB, a + u"/.syncing.tmp"_s));
            AddressBookFile::sql(a + u"/.syncing.tmp"_s, u"CREATE TABLE Theirs AS SELECT 1 AS x"_s);
            QVERIFY(::rename(qPrintable(a + u"/.syncing.tmp"_s), qPrintable(bookA)) == 0);
            QTRY_VERIFY(running.addressesOf(u"Mail"_s).value().contains(u"b@example.org"_s));
            QVERIFY(running.insert({u"Web"_s, u"after.example"_s, u"later on A"_s}).ok());
            expected.append({u"Web"_s, u"after.example"_s, u"later on A"_s});
            QTRY_COMPARE(rowsOf(bookA), expected);
            QCOMPARE(AddressBookFile::sql(bookA, u"SELECT x FROM Theirs"_s),
                     QList<QStringList> {{u"1"_s}});
            QCOMPARE(filesIn(a), QStringList {u"Tessmoor.mdb"_s});
            QCOMPARE(Testing::digest(moved), before);
        } else {
            QVERIFY(QFile::copy(bookB, synced + u'/' + delivery));
            run(bookA, [](AddressTable &) {});
            QCOMPARE(rowsOf(bookA), expected);
        }
        QCOMPARE(filesIn(synced), QStringList {u"Tessmoor.mdb"_s});
        QCOMPARE(QFileInfo(bookA).isSymLink(), linked);

        // And back: A's book beside B's, as a copy B's tool kept.
        QVERIFY(QFile::copy(bookA, b + u"/Tessmoor.sync-conflict-20261209-101600-HIJKLMN.mdb"_s));
        run(bookB, [](AddressTable &) {});
        QCOMPARE(rowsOf(bookB), expected);
        QCOMPARE(filesIn(b), QStringList {u"Tessmoor.mdb"_s});
        // They number the entries alike too, so that each one's next write
        // rewrites no more than it changed.
        const QString rows = u"SELECT rowid FROM Informaiton ORDER BY rowid"_s;
        QCOMPARE(AddressBookFile::sql(bookB, rows), AddressBookFile::sql(bookA, rows));
    }

    // An entry deleted on the other machine, merged in here, comes back here
    // in its place, and the other machine takes it back from here; brought
    // back twice it comes once. After 30 days it can no longer come back,
    // and its fields are gone from the file.
    void aDeletedEntryComesBackUntilPurged_data()
    {
        QTest::addColumn<int>("daysLater");
        QTest::newRow("29 days later") << 29;
        QTest::newRow("31 days later") << 31;
    }

    void aDeletedEntryComesBackUntilPurged()
    {
        QFETCH(int, daysLater);
        const AddressBookFile a(shared), b(shared);
        run(b.path(), [](AddressTable &t) { drop(t, u"two.example"_s); });
        const QString conflict = u"/Tessmoor.sync-conflict-20261209-101500-ABCDEFG.mdb"_s;
        QVERIFY(QFile::copy(b.path(), a.directory() + conflict));
        const auto clock = qScopeGuard([] { Clock::setForTesting(std::nullopt); });
        Clock::setForTesting(QDateTime::currentMSecsSinceEpoch() + daysLater * 86'400'000LL);
        run(a.path(), [daysLater](AddressTable &t) {
            const QList<DeletedEntry> deleted = t.deletedEntries().value();
            QCOMPARE(deleted.size(), daysLater < 30 ? 1 : 0);
            if (deleted.isEmpty())
                return;
            QCOMPARE(deleted.first().record, shared[1]);
            QVERIFY(t.restoreDeleted(deleted.first().id).value());
            QVERIFY(!t.restoreDeleted(deleted.first().id).value());
        });
        if (daysLater > 30) {
            QCOMPARE(
                AddressBookFile::sql(a.path(), u"SELECT address IS NULL FROM LarkspanDeleted"_s),
                QList<QStringList> {{u"1"_s}});
            return;
        }
        QCOMPARE(rowsOf(a.path()), shared);
        QVERIFY(QFile::copy(a.path(), b.directory() + conflict));
        run(b.path(), [](AddressTable &) {});
        QCOMPARE(rowsOf(b.path()), shared);
    }

    // A copy beside the book that is no book is left as it is, and the user
    // hears of it once, however many runs see it.
    void aCopyThatIsNoBookIsLeftAndToldOnce()
    {
        const AddressBookFile book(shared);
        const QString copy
            = book.directory() + u"/Tessmoor.sync-conflict-20261209-101500-ABCDEFG.mdb"_s;
        QVERIFY(Testing::writeFile(copy, "not a book at all"));
        QStringList told;
        for (int runs = 0; runs < 2; ++runs) {
            AddressTable table;
            table.setNotice([&told](const QString &text) { told << text; });
            QVERIFY(table.open(book.path(), AddressTable::Use::Changes).ok());
        }
        QCOMPARE(told,
                 QStringList {u"Tessmoor.sync-conflict-20261209-101500-ABCDEFG.mdb lies beside"
                              u" the address book, but it is no address book Larkspan can"
                              u" use, so it was left as it is."_s});
        QCOMPARE(Testing::readFile(copy), "not a book at all"_ba);
        QCOMPARE(rowsOf(book.path()), shared);
    }

    // A run cut off after it stored an entry and before the book got it:
    // the next run puts it in.
    void aRunCutOffLosesNothing()
    {
        const AddressBookFile book(shared);
        QProcess cutOff;
        cutOff.start(QCoreApplication::applicationFilePath(), {u"--add-and-vanish"_s, book.path()});
        QVERIFY(cutOff.waitForFinished(20000) && cutOff.exitCode() == 0);
        QCOMPARE(rowsOf(book.path()), shared);
        run(book.path(), [](AddressTable &) {});
        const Records afterwards
            = shared + Records {{u"Web"_s, u"vanished.example"_s, u"stored"_s}};
        QCOMPARE(rowsOf(book.path()), afterwards);
        QCOMPARE(filesIn(book.directory()), QStringList {u"Tessmoor.mdb"_s});
    }

    // Runs of the real program that import at once, one of them killed at
    // some moment of its work: every other run's entries reach the book, the
    // killed one's wholly or not at all, and nothing but the book lies
    // beside it, then or after the next run.
    void runsAtOnceLoseNothingAndLeaveNothing_data()
    {
        QTest::addColumn<int>("killAfterMs");
        for (const int ms : {0, 40, 80, 150, 250, 400, 700, 1200})
            QTest::addRow("killed after %d ms", ms) << ms;
    }

    void runsAtOnceLoseNothingAndLeaveNothing()
    {
        QFETCH(int, killAfterMs);
        AddressBookFile book(shared);
        QTemporaryDir files;
        constexpr int runs = 3, entries = 3000;
        QList<QProcess *> imports;
        for (int r = 0; r < runs; ++r) {
            QByteArray csv = "Type,address,About\r\n";
            for (int i = 0; i < entries; ++i)
                csv += "Run " + QByteArray::number(r) + ",www.site" + QByteArray::number(i)
                    + ".example,\r\n";
            const QString file = files.filePath(u"%1.csv"_s.arg(r));
            QVERIFY(Testing::writeFile(file, csv));
            auto *import = new QProcess(this);
            import->setWorkingDirectory(book.directory());
            import->start(program, {u"import"_s, file});
            imports << import;
        }
        QTest::qWait(killAfterMs);
        // A run that already ended has no process to kill (and pid 0 is
        // everyone's).
        if (const qint64 pid = imports.first()->processId(); pid > 0)
            ::kill(pid_t(pid), SIGKILL);
        for (QProcess *import : imports)
            QVERIFY(import->state() == QProcess::NotRunning || import->waitForFinished(30000));
        QCOMPARE(filesIn(book.directory()), QStringList {u"Tessmoor.mdb"_s});
        // The next run takes in what a killed one had stored and not yet written.
        run(book.path(), [](AddressTable &) {});
        QCOMPARE(filesIn(book.directory()), QStringList {u"Tessmoor.mdb"_s});
        QMap<QString, QString> counts;
        for (const QStringList &count : AddressBookFile::sql(
                 book.path(), u"SELECT Type, COUNT(*) FROM Informaiton GROUP BY Type"_s))
            counts.insert(count[0], count[1]);
        QMap<QString, QString> whole = {{u"Web"_s, u"2"_s},
                                        {u"Mail"_s, u"2"_s},
                                        {u"Run 1"_s, u"3000"_s},
                                        {u"Run 2"_s, u"3000"_s}};
        if (counts.contains(u"Run 0"_s))
            whole.insert(u"Run 0"_s, u"3000"_s);
        QCOMPARE(counts, whole);
        qDeleteAll(imports);
    }
};

// With "--add-and-vanish BOOK", a run that stores an entry and is gone at
// once, as if killed, before it could write the book.
int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--add-and-vanish") == 0) {
        AddressTable table;
        const bool added = table.open(QString::fromLocal8Bit(argv[2])).ok()
            && table.insert({u"Web"_s, u"vanished.example"_s, u"stored"_s}).ok();
        ::_exit(added ? 0 : 1);
    }
    BookSyncTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_booksync.moc"
