// A person keeping the address book in the real program on a real display:
// Ctrl+A and typing a new entry, Ctrl+M and changing it, Ctrl+D and it is
// gone. The file is read with the sqlite3 command-line tool, never through
// the program.
#include "AddressBookFile.h"
#include "XvfbSession.h"

#include <QFile>
#include <QProcess>
#include <QTest>

using namespace Qt::StringLiterals;
using Larkspan::Testing::XvfbSession;

namespace {

const QString program = QStringLiteral(LARKSPAN_BIN_DIR "/larkspan");

QString sqlite(const QString &path, const QString &sql)
{
    QProcess p;
    p.start(u"sqlite3"_s, {path, sql});
    if (!p.waitForFinished(10000))
        return u"(sqlite3 did not answer)"_s;
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// Where the first item of a list lies, in pixels inside the main window, from
// its layout in twips (15 to a pixel here): the client area sits below the
// menu bar, 4425 twips high; the lists start 400 twips down, lstType at 30
// and lstAddress at 2760 twips across; a row of the lists' font is 13 pixels.
constexpr int clientHeight = 295;
QPoint firstItem(int windowHeight, int x)
{
    return {x, windowHeight - clientHeight + 27 + 2 + 6};
}

// The whole table, one "Type|address|About" per entry, with the information's
// line breaks shown as "\n".
QString table(const QString &path)
{
    return sqlite(path, u"SELECT Type, address, replace(About, char(10), '\\n') FROM Informaiton"_s);
}

} // namespace

class EditorSessionTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(QFile::exists(program), "the larkspan program is not built");
        QVERIFY2(sqlite(u":memory:"_s, u"SELECT 6*7"_s) == u"42"_s, "the sqlite3 tool is missing");
    }

    void addModifyAndDeleteAnEntry()
    {
        XvfbSession x;
        QVERIFY2(x.isReady(), qPrintable(x.errorString()));
        AddressBookFile book;
        book.enter();
        const QString file = book.path();

        QProcess &app = x.launch(program, {});
        QVERIFY(x.waitForWindow(u"^Larkspan$"_s, 8000));
        QTest::qWait(1500); // the splash has gone
        const auto main = x.waitForWindow(u"^Larkspan$"_s, 8000);
        QVERIFY(main);

        // Each step, then a pause for the program to follow.
        auto send = [&](const QStringList &arguments, int settleMs) {
            QVERIFY(x.xdotool(arguments).ok());
            QTest::qWait(settleMs);
        };
        auto key = [&](const QString &keys) {
            send({u"key"_s, u"--delay"_s, u"60"_s, keys}, 250);
        };
        auto type = [&](const QString &text) {
            send({u"type"_s, u"--delay"_s, u"30"_s, text}, 150);
        };
        auto clickAt = [&](const QString &window, QPoint p) {
            send({u"mousemove"_s, u"--window"_s, window, QString::number(p.x()),
                  QString::number(p.y()), u"click"_s, u"1"_s}, 300);
        };
        auto activeWindow = [&] {
            return QString::fromLatin1(x.xdotool({u"getactivewindow"_s}).output.trimmed());
        };
        // The editor: the program's window that takes over from the main
        // window. Its title is empty, which the X11 window gets filled in
        // with the program's name, so it is known by its class instead.
        auto editorComes = [&]() -> QString {
            QString id;
            const bool came = QTest::qWaitFor(
                [&] {
                    id = activeWindow();
                    const QByteArray ours = x.xdotool({u"search"_s, u"--onlyvisible"_s,
                                                       u"--class"_s, u"larkspan"_s})
                                                .output;
                    return !id.isEmpty() && id != *main
                        && ours.split('\n').contains(id.toLatin1());
                },
                5000);
            return came ? id : QString();
        };
        auto mainIsBack = [&] {
            return QTest::qWaitFor([&] { return activeWindow() == *main; }, 5000);
        };

        // Add: category, address, two lines of information, OK by its key.
        QVERIFY(x.xdotool({u"windowactivate"_s, u"--sync"_s, *main}).ok());
        key(u"ctrl+a"_s);
        QString editor = editorComes();
        QVERIFY2(!editor.isEmpty(), "Ctrl+A brought no editor");
        // Tab selects the whole "www." of the address for the typing to replace.
        type(u"Search\twww.example.org\tA search engine"_s);
        key(u"Return"_s);
        type(u"with a long memory"_s);
        QVERIFY(x.screenshot(XvfbSession::screenshotPath(u"editor-add.png"_s)));
        key(u"alt+o"_s);
        QVERIFY(mainIsBack());
        QCOMPARE(table(file), u"Search|www.example.org|A search engine\\nwith a long memory"_s);

        // Select the entry: a click on its category, then on its address.
        const QByteArray geometry = x.xdotool({u"getwindowgeometry"_s, *main}).output;
        const int height = geometry.mid(geometry.lastIndexOf('x') + 1).trimmed().toInt();
        QVERIFY2(height > clientHeight, geometry.constData());
        auto selectTheEntry = [&] {
            clickAt(*main, firstItem(height, 2 + 40));
            clickAt(*main, firstItem(height, 184 + 60));
        };
        selectTheEntry();
        key(u"ctrl+m"_s);
        editor = editorComes();
        QVERIFY2(!editor.isEmpty(), "Ctrl+M brought no editor");
        QTest::qWait(300);
        QVERIFY(x.screenshot(XvfbSession::screenshotPath(u"editor-modify.png"_s)));
        // A click into the information field (120, 1800 twips; 15 to a pixel).
        clickAt(editor, {60, 150});
        key(u"ctrl+a"_s);
        type(u"Where to look things up"_s);
        key(u"alt+o"_s);
        QVERIFY(mainIsBack());
        QCOMPARE(table(file), u"Search|www.example.org|Where to look things up"_s);

        // Select it again and delete it.
        selectTheEntry();
        key(u"ctrl+d"_s);
        QTRY_COMPARE_WITH_TIMEOUT(sqlite(file, u"SELECT COUNT(*) FROM Informaiton"_s), u"0"_s, 5000);

        key(u"ctrl+e"_s);
        QVERIFY(app.state() == QProcess::NotRunning || app.waitForFinished(5000));
        QCOMPARE(app.exitStatus(), QProcess::NormalExit);
        QCOMPARE(app.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(EditorSessionTest)
#include "tst_editor_session.moc"
