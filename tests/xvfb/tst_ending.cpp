// The real program ended in every way a program ends, while another program's
// change to the address book still lies in the write-ahead log: afterwards
// Tessmoor.mdb alone holds that change and nothing lies beside it, so a copy
// of the one file is the whole address book.
#include "AddressBookFile.h"
#include "XvfbSession.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <csignal>

using namespace Qt::StringLiterals;
using Larkspan::Testing::XvfbSession;

namespace {

const QString program = QStringLiteral(LARKSPAN_BIN_DIR "/larkspan");

// The main window of the program with this process id, if it shows one: the
// splash has no WM_NAME.
QString mainWindowOf(const XvfbSession &x, const QProcess *app)
{
    return QString::fromLatin1(
        x.xdotool({u"search"_s, u"--all"_s, u"--onlyvisible"_s, u"--pid"_s,
                   QString::number(app->processId()), u"--name"_s, u"^Larkspan$"_s})
            .output.trimmed());
}

int visibleWindows(const XvfbSession &x)
{
    return int(x.xdotool({u"search"_s, u"--onlyvisible"_s, u"--class"_s, u"larkspan"_s})
                   .output.count('\n')); // a line for each
}

} // namespace

class EndingTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyEndingLeavesTheOneFileWhole_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("copies");
        for (const char *how : {"ctrl+e", "alt+F4", "failure", "TERM", "INT", "HUP", "display"})
            QTest::newRow(how) << QString::fromLatin1(how) << 1;
        // The first to leave must not take the log from the one that stays.
        QTest::newRow("two copies, one after the other") << u"ctrl+e"_s << 2;
    }

    void everyEndingLeavesTheOneFileWhole()
    {
        QFETCH(QString, how);
        QFETCH(int, copies);

        XvfbSession x;
        QVERIFY2(x.isReady(), qPrintable(x.errorString()));
        AddressBookFile book({{u"News"_s, u"www.example.org"_s, u"first"_s}});
        book.enter();
        QList<QProcess *> apps;
        for (int i = 0; i < copies; ++i)
            apps << &x.launch(program, {});
        for (const QProcess *app : apps)
            QTRY_VERIFY_WITH_TIMEOUT(!mainWindowOf(x, app).isEmpty(), 15000);

        const QString marker = u"made while Larkspan ran"_s;
        for (int i = 0; i < copies; ++i) {
            QProcess *app = apps[i];
            const QString main = mainWindowOf(x, app);
            if (i == copies - 1) {
                AddressBookFile::sql(book.path(),
                                     u"CREATE TABLE Outside AS SELECT '%1' AS x"_s.arg(marker));
            }
            if (how == u"failure") {
                // Everything the program reads from is gone from its working
                // copy: the next activation of the main window fails.
                QDirIterator workCopies(x.stateHome(), {u"work.db"_s}, QDir::Files,
                                    QDirIterator::Subdirectories);
                QVERIFY(workCopies.hasNext());
                const QString copy = workCopies.next();
                for (const QStringList &table : AddressBookFile::sql(
                         copy, u"SELECT name FROM sqlite_master WHERE type = 'table'"_s))
                    AddressBookFile::sql(copy, u"DROP TABLE \"%1\""_s.arg(table.first()));
                x.xdotool({u"windowactivate"_s, u"--sync"_s, main});
                x.xdotool({u"key"_s, u"ctrl+a"_s});
                QTRY_COMPARE_WITH_TIMEOUT(visibleWindows(x), 2, 5000);
                // Activating the main window under the open editor runs its
                // activation, which fails and says so in a box. The window
                // manager may hand the focus straight back to the editor, so
                // the activation is asked for again until the box shows.
                for (int attempt = 0; attempt < 5 && visibleWindows(x) < 3; ++attempt) {
                    x.xdotool({u"windowactivate"_s, main});
                    (void)QTest::qWaitFor([&x] { return visibleWindows(x) == 3; }, 3000);
                }
                QCOMPARE(visibleWindows(x), 3);
                x.xdotool({u"key"_s, u"Return"_s});
            } else if (how == u"display") {
                x.endDisplay();
            } else if (how.contains(u'+')) {
                x.xdotool({u"windowactivate"_s, u"--sync"_s, main});
                x.xdotool({u"key"_s, how});
            } else {
                QCOMPARE(::kill(pid_t(app->processId()),
                                how == u"TERM"      ? SIGTERM
                                    : how == u"INT" ? SIGINT
                                                    : SIGHUP),
                         0);
            }
            QVERIFY(app->waitForFinished(10000));
            for (int j = i + 1; j < copies; ++j)
                QCOMPARE(apps[j]->state(), QProcess::Running);
        }

        QCOMPARE(QDir(book.directory()).entryList(QDir::Files), QStringList {u"Tessmoor.mdb"_s});
        QTemporaryDir elsewhere;
        const QString copy = elsewhere.filePath(u"Tessmoor.mdb"_s);
        QVERIFY(QFile::copy(book.path(), copy));
        QCOMPARE(AddressBookFile::sql(copy, u"SELECT x FROM Outside"_s),
                 QList<QStringList> {{marker}});
    }
};

QTEST_GUILESS_MAIN(EndingTest)
#include "tst_ending.moc"
