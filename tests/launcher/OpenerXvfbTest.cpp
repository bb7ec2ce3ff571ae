#include "HostileAddresses.h"
#include "XvfbSession.h"
#include "launcher/DesktopShell.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using Larkspan::Testing::XvfbSession;

// The real opener path on X11: DesktopShell on the xcb platform hands each
// argument to the first xdg-open on PATH. Here that is a fake that records
// its argv (NUL-safe) and then reads every argument again inside double and
// inside single quotes, as a careless shell-script opener might; "pwn" on
// the same PATH leaves a canary file if any payload ever runs.
class OpenerXvfbTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void fakeOpenerCatchesRawPayloads_data();
    void fakeOpenerCatchesRawPayloads();
    void openerReceivesOneInertArgument_data();
    void openerReceivesOneInertArgument();
    void nothingElseRan();

private:
    QString binDir() const { return m_dir.filePath(u"bin"_s); }
    QString logDir() const { return m_dir.filePath(u"log"_s); }
    // Where "pwn" leaves its trace: one file for the corpus run, another
    // for the control runs, so neither can hide the other's.
    QString canary() const { return m_dir.filePath(u"canary"_s); }
    QString controlCanary() const { return m_dir.filePath(u"control-canary"_s); }
    void writeScript(const QString &path, const QByteArray &text);
    void runCorpus();

    QTemporaryDir m_dir;
    std::unique_ptr<XvfbSession> m_session;
    QHash<int, QByteArray> m_results; // index → shellExecute's result, or "timeout"
};

void OpenerXvfbTest::writeScript(const QString &path, const QByteArray &text)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text);
    file.close();
    QVERIFY(file.setPermissions(file.permissions() | QFileDevice::ExeOwner));
}

void OpenerXvfbTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(QDir().mkpath(binDir()));
    QVERIFY(QDir().mkpath(logDir()));
    const QByteArray log = QFile::encodeName(logDir());
    writeScript(binDir() + u"/xdg-open"_s,
                "#!/bin/sh\n"
                "log='" + log + "'\n"
                "printf '%s\\0' \"$@\" > \"$log/tmp.$$\"\n"
                "for a in \"$@\"; do\n"
                "    ( eval \"x=\\\"$a\\\"\" ) 2>/dev/null\n"
                "    ( eval \"x='$a'\" ) 2>/dev/null\n"
                "done\n"
                "mv \"$log/tmp.$$\" \"$log/new.$$\"\n");
    writeScript(binDir() + u"/pwn"_s,
                "#!/bin/sh\ntouch \"$PWN_CANARY\"\n");

    m_session = std::make_unique<XvfbSession>(XvfbSession::Options{false});
    QVERIFY2(m_session->isReady(), qPrintable(m_session->errorString()));
    runCorpus();
}

void OpenerXvfbTest::runCorpus()
{
    QStringList files;
    for (const HostileAddresses::Case &c : HostileAddresses::corpus())
        files.append(c.file);
    const QString input = m_dir.filePath(u"arguments"_s);
    QFile file(input);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QDataStream stream(&file);
    stream << files;
    file.close();

    // PATH is in place before the probe starts: Qt looks the opener up once.
    QProcessEnvironment env = m_session->environment();
    env.insert(u"PATH"_s, binDir() + u':' + env.value(u"PATH"_s));
    env.insert(u"PWN_CANARY"_s, canary());
    QProcess &probe = m_session->launch(QStringLiteral(LAUNCHER_OPENER_PROBE),
                                        {input, logDir()}, env);
    QVERIFY2(probe.waitForFinished(180000), "the probe did not finish");
    QCOMPARE(probe.exitStatus(), QProcess::NormalExit);
    QCOMPARE(probe.exitCode(), 0);
    for (const QByteArray &line : probe.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() == 2)
            m_results.insert(fields.at(0).toInt(), fields.at(1));
    }
}

void OpenerXvfbTest::fakeOpenerCatchesRawPayloads_data()
{
    QTest::addColumn<QString>("payload");
    QTest::newRow("command substitution") << u"$(pwn)"_s;
    QTest::newRow("backquotes") << u"`pwn`"_s;
    QTest::newRow("double quote break-out") << u"\";pwn;\""_s;
    QTest::newRow("single quote break-out") << u"';pwn;'"_s;
}

// The canary is a real witness: the same payloads, handed to the fake
// without our encoding, do run.
void OpenerXvfbTest::fakeOpenerCatchesRawPayloads()
{
    QFETCH(QString, payload);
    QFile::remove(controlCanary());
    QProcess fake;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"PATH"_s, binDir() + u':' + env.value(u"PATH"_s));
    env.insert(u"PWN_CANARY"_s, controlCanary());
    fake.setProcessEnvironment(env);
    fake.start(binDir() + u"/xdg-open"_s, {payload});
    QVERIFY(fake.waitForFinished(10000));
    QVERIFY(QFile::exists(controlCanary()));
    QFile::remove(controlCanary());
    for (const QString &record : QDir(logDir()).entryList({u"new.*"_s}, QDir::Files))
        QFile::remove(logDir() + u'/' + record);
}

void OpenerXvfbTest::openerReceivesOneInertArgument_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QByteArray>("argument");
    int index = 0;
    for (const HostileAddresses::Case &c : HostileAddresses::corpus())
        QTest::newRow(c.name) << index++ << c.argument;
}

void OpenerXvfbTest::openerReceivesOneInertArgument()
{
    QFETCH(int, index);
    QFETCH(QByteArray, argument);

    const QString record = logDir() + u"/%1.args"_s.arg(index, 5, 10, QChar(u'0'));
    if (argument.isEmpty()) {
        QCOMPARE(m_results.value(index), QByteArray("2"));
        QVERIFY(!QFile::exists(record));
        return;
    }
    QCOMPARE(m_results.value(index), QByteArray("42"));
    QFile file(record);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(record));
    const QByteArray received = file.readAll();
    // Exactly one argument, ended by its NUL.
    QCOMPARE(received.count('\0'), 1);
    QVERIFY(received.endsWith('\0'));
    const QByteArray only = received.chopped(1);
    QCOMPARE(only, argument);
    QVERIFY(!only.startsWith('-'));
    for (const char c : only)
        QVERIFY2(c > ' ' && c < '\x7f', "a control character or non-ASCII byte reached the opener");
}

void OpenerXvfbTest::nothingElseRan()
{
    QVERIFY2(!QFile::exists(canary()), "a payload ran");
    const QStringList stray =
        QDir(logDir()).entryList({u"new.*"_s, u"tmp.*"_s}, QDir::Files);
    QVERIFY2(stray.isEmpty(), qPrintable(stray.join(u' ')));
    qsizetype handedOver = 0;
    for (const HostileAddresses::Case &c : HostileAddresses::corpus())
        handedOver += c.argument.isEmpty() ? 0 : 1;
    QCOMPARE(QDir(logDir()).entryList({u"*.args"_s}, QDir::Files).size(), handedOver);
}

QTEST_GUILESS_MAIN(OpenerXvfbTest)
#include "OpenerXvfbTest.moc"
