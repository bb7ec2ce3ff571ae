#include "HostileAddresses.h"
#include "XvfbSession.h"

#include <QDir>
#include <QFile>
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
    void openerReceivesOneInertArgument_data();
    void openerReceivesOneInertArgument();
    void nothingElseRan();

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
    std::unique_ptr<XvfbSession> m_session;
};

void OpenerXvfbTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(QDir().mkpath(path(u"bin"_s)) && QDir().mkpath(path(u"log"_s)));
    const QByteArray log = QFile::encodeName(path(u"log"_s));
    const QList<std::pair<QString, QByteArray>> scripts = {
        {u"bin/xdg-open"_s, "#!/bin/sh\nlog='" + log + "'\n"
                            "printf '%s\\0' \"$@\" > \"$log/tmp.$$\"\n"
                            "for a in \"$@\"; do\n"
                            "    ( eval \"x=\\\"$a\\\"\" ) 2>/dev/null\n"
                            "    ( eval \"x='$a'\" ) 2>/dev/null\n"
                            "done\n"
                            "mv \"$log/tmp.$$\" \"$log/new.$$\"\n"},
        {u"bin/pwn"_s, "#!/bin/sh\ntouch \"$PWN_CANARY\"\n"},
    };
    for (const auto &[name, text] : scripts) {
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
        file.close();
        QVERIFY(file.setPermissions(file.permissions() | QFileDevice::ExeOwner));
    }

    m_session = std::make_unique<XvfbSession>(XvfbSession::Options{false});
    QVERIFY2(m_session->isReady(), qPrintable(m_session->errorString()));
    // PATH is in place before the probe starts: Qt looks the opener up once.
    QProcessEnvironment env = m_session->environment();
    env.insert(u"PATH"_s, path(u"bin"_s) + u':' + env.value(u"PATH"_s));
    env.insert(u"PWN_CANARY"_s, path(u"canary"_s));
    QProcess &probe = m_session->launch(QStringLiteral(OPENER_PROBE), {path(u"log"_s)}, env);
    QVERIFY2(probe.waitForFinished(180000), "the probe did not finish");
    QCOMPARE(probe.exitStatus(), QProcess::NormalExit);
    QCOMPARE(probe.exitCode(), 0);
}

void OpenerXvfbTest::openerReceivesOneInertArgument_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QByteArray>("argument");
    int index = 0;
    for (const HostileAddresses::Case &c : HostileAddresses::corpus())
        QTest::newRow(c.name) << index++ << c.argument;
}

// Exactly one argument, ended by its NUL, and exactly the expected bytes;
// none at all when the address cannot become a safe URL.
void OpenerXvfbTest::openerReceivesOneInertArgument()
{
    QFETCH(int, index);
    QFETCH(QByteArray, argument);

    QFile record(path(u"log/%1.args"_s.arg(index)));
    QCOMPARE(record.exists(), !argument.isEmpty());
    if (argument.isEmpty())
        return;
    QVERIFY(record.open(QIODevice::ReadOnly));
    QCOMPARE(record.readAll(), argument + '\0');
}

void OpenerXvfbTest::nothingElseRan()
{
    QVERIFY2(!QFile::exists(path(u"canary"_s)), "a payload ran");
    const QStringList stray = QDir(path(u"log"_s)).entryList({u"new.*"_s, u"tmp.*"_s}, QDir::Files);
    QVERIFY2(stray.isEmpty(), qPrintable(stray.join(u' ')));
}

QTEST_GUILESS_MAIN(OpenerXvfbTest)
#include "OpenerXvfbTest.moc"
