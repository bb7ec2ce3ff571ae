// The real program as a screen reader finds it, read through AT-SPI on a
// private D-Bus session, and the same program used with the keyboard alone.
// A fake xdg-open, first on PATH, records what Enter on an address opens.
#include "AddressBookFile.h"
#include "FakeOpener.h"
#include "XvfbSession.h"

#include <QFile>
#include <QProcess>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using Larkspan::Record;
using Larkspan::Testing::XvfbSession;

namespace {

const QString program = QStringLiteral(LARKSPAN_BIN_DIR "/larkspan");
const QString reader = QStringLiteral(LARKSPAN_ATSPI_READER);
const QString mainWindowUp = u"focus|frame|Larkspan|list|Site Catagory"_s;

const QList<Record> entries = {{u"Web"_s, u"www.example.org"_s, u"The example site"_s},
                               {u"Mail"_s, u"someone@example.org"_s, u"A friend"_s}};

} // namespace

class AccessibilityTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(QFile::exists(program), "the larkspan program is not built");
        m_x = std::make_unique<XvfbSession>();
        QVERIFY2(m_x->isReady(), qPrintable(m_x->errorString()));

        // A session bus of our own, and the accessibility bus on it.
        QProcess &bus = m_x->launch(u"dbus-daemon"_s,
                                    {u"--session"_s, u"--nofork"_s, u"--print-address=1"_s});
        while (!bus.canReadLine() && bus.waitForReadyRead(10000)) {
        }
        const QString address = QString::fromUtf8(bus.readLine()).trimmed();
        QVERIFY2(!address.isEmpty(), "dbus-daemon gave no address");
        m_env = m_x->environment();
        m_env.insert(u"DBUS_SESSION_BUS_ADDRESS"_s, address);
        m_env.insert(u"QT_LINUX_ACCESSIBILITY_ALWAYS_ON"_s, u"1"_s);
        m_x->launch(u"/usr/libexec/at-spi-bus-launcher"_s, {u"--launch-immediately"_s}, m_env);

        QVERIFY(m_opener.isReady());
        m_env = m_opener.environment(m_env);
        m_book.enter();
    }

    // Each window with its role and title, each list and field named by its
    // caption, the information read with its text, the picture described,
    // the buttons with their access keys.
    void everyWindowAndControlIsNamed_data()
    {
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("splash") << QString() << QStringList{u"frame|Larkspan|image|Larkspan||"_s};
        QTest::newRow("main window")
            << u"Down Tab Down"_s
            << QStringList{u"frame|Larkspan|label|Site Catagory:||"_s,
                           u"frame|Larkspan|list|Site Catagory||"_s,
                           u"frame|Larkspan|list|The complete web/email address||"_s,
                           u"frame|Larkspan|label|Information about the web/email address:||"_s,
                           u"frame|Larkspan|label|The example site|Information about the web/email address|"_s};
        QTest::newRow("entry editor")
            << u"ctrl+a"_s
            << QStringList{u"dialog|Larkspan|combo box|Catagory of website||Down"_s,
                           u"dialog|Larkspan|text|Catagory of website||"_s,
                           u"dialog|Larkspan|text|Full address of the web site||"_s,
                           u"dialog|Larkspan|text|Information about the web site||"_s,
                           u"dialog|Larkspan|push button|Ok||Alt+O"_s,
                           u"dialog|Larkspan|push button|Add New||Alt+A"_s};
        QTest::newRow("About box")
            << u"alt+a"_s
            << QStringList{u"dialog|About Larkspan|push button|OK||Enter"_s,
                           u"dialog|About Larkspan|push button|System Info...||Alt+S"_s,
                           u"dialog|About Larkspan|image|Larkspan emblem|Pale larkspur flowers on "
                           "a violet globe above the name Larkspan, on a lilac card|"_s};
    }

    void everyWindowAndControlIsNamed()
    {
        QFETCH(QString, keys);
        QFETCH(QStringList, lines);
        // Started before the program, to catch the splash in its one second.
        QProcess &screenReader = startReader(keys.isEmpty() ? lines.last() : mainWindowUp);
        QProcess &app = m_x->launch(program, {}, m_env);
        QStringList seen = finish(screenReader);
        if (!keys.isEmpty()) {
            QVERIFY(press(keys));
            seen = finish(startReader(lines.last()));
        }
        for (const QString &line : lines)
            QVERIFY2(seen.contains(line), qPrintable(line + u"\nnot in:\n"_s + seen.join(u'\n')));
        app.terminate();
        QVERIFY(app.waitForFinished(5000));
    }

    // Every list, field and button is reached with Tab, Enter on an address
    // opens it like a double click, and every window closes from the keyboard.
    void everythingWorksFromTheKeyboard()
    {
        const struct
        {
            const char16_t *keys;
            const char16_t *line; // what a screen reader then finds
        } steps[] = {
            // The first Down selects the first category, not the second.
            {u"Down", u"selected|frame|Larkspan|list item|Web"},
            {u"Tab", u"focus|frame|Larkspan|list|The complete web/email address"},
            {u"Down", u"selected|frame|Larkspan|list item|www.example.org"},
            {u"Return ctrl+a", u"focus|dialog|Larkspan|text|Catagory of website"},
            {u"Tab", u"focus|dialog|Larkspan|text|Full address of the web site"},
            {u"Tab", u"focus|dialog|Larkspan|text|Information about the web site"},
            {u"Tab", u"focus|dialog|Larkspan|push button|Ok"},
            {u"Tab", u"focus|dialog|Larkspan|push button|Add New"},
            {u"alt+F4", u"focus|frame|Larkspan|list|The complete web/email address"},
            {u"alt+a", u"focus|dialog|About Larkspan|push button|OK"},
            {u"Tab", u"focus|dialog|About Larkspan|image|Larkspan emblem"},
            {u"Tab", u"focus|dialog|About Larkspan|push button|System Info..."},
            {u"Escape", u"focus|frame|Larkspan|list|The complete web/email address"},
        };
        QProcess &screenReader = startReader(mainWindowUp);
        QProcess &app = m_x->launch(program, {}, m_env);
        finish(screenReader);
        for (const auto &step : steps) {
            const QString keys = QString::fromUtf16(step.keys);
            QVERIFY(press(keys));
            const QString line = QString::fromUtf16(step.line);
            const QStringList seen = finish(startReader(line));
            QVERIFY2(seen.contains(line), qPrintable(keys + u": "_s + line));
        }
        QVERIFY(press(u"alt+F4"_s));
        QVERIFY(app.waitForFinished(5000));
        QCOMPARE(app.exitCode(), 0);

        QCOMPARE(m_opener.recorded(), u"argc=1\nhttp://www.example.org\n"_s);
        QCOMPARE(m_book.rows(), entries);
    }

private:
    bool press(const QString &keys) const
    {
        return m_x->xdotool(QStringList{u"key"_s, u"--delay"_s, u"100"_s} + keys.split(u' ')).ok();
    }

    // Starts the AT-SPI reader, waiting for a line that begins with `line`;
    // returns once it is connected to the accessibility registry.
    QProcess &startReader(const QString &line)
    {
        QProcess &process = m_x->launch(u"/usr/bin/python3"_s, {reader, line}, m_env);
        while (!process.canReadLine() && process.waitForReadyRead(10000)) {
        }
        process.readLine(); // "ready"
        return process;
    }

    // What the reader saw when it found its line, or gave up.
    static QStringList finish(QProcess &process)
    {
        process.waitForFinished(15000);
        return QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    }

    std::unique_ptr<XvfbSession> m_x;
    QProcessEnvironment m_env;
    AddressBookFile m_book{entries};
    FakeOpener m_opener{m_book.directory()};
};

QTEST_GUILESS_MAIN(AccessibilityTest)
#include "tst_accessibility.moc"
