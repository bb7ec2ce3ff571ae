#include "HostileAddresses.h"
#include "TestFiles.h"
#include "XvfbSession.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace Larkspan::Testing;

// The real opener path on X11: the probe opens the hostile corpus through
// DesktopShell on the xcb platform, which hands each argument to the first
// xdg-open on PATH. Here that is a fake that records its argv (NUL-safe),
// then reads every argument again inside double and inside single quotes,
// as a careless shell-script opener might; "pwn" on the same PATH leaves a
// canary file if any payload ever runs.
class OpenerXvfbTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(QDir().mkpath(path(u"bin"_s)) && QDir().mkpath(path(u"log"_s)));
        const QByteArray log = QFile::encodeName(path(u"log"_s));
        QVERIFY(writeFile(path(u"bin/xdg-open"_s),
                          "#!/bin/sh\nlog='" + log
                              + "'\nprintf '%s\\0' \"$@\" > \"$log/tmp.$$\"\n"
                                "for a; do ( eval \"x=\\\"$a\\\"\" ); ( eval \"x='$a'\" ); done "
                                "2>/dev/null\n"
                                "mv \"$log/tmp.$$\" \"$log/$OPENER_CASE.args\"\n",
                          QFile::ExeOwner));
        QVERIFY(
            writeFile(path(u"bin/pwn"_s), "#!/bin/sh\ntouch \"$PWN_CANARY\"\n", QFile::ExeOwner));
        XvfbSession session;
        QVERIFY2(session.isReady(), qPrintable(session.errorString()));
        // PATH is in place before the probe starts: Qt looks the opener up once.
        QProcessEnvironment env = session.environment();
        env.insert(u"PATH"_s, path(u"bin"_s) + u':' + env.value(u"PATH"_s));
        env.insert(u"PWN_CANARY"_s, path(u"canary"_s));
        QProcess &probe = session.launch(QStringLiteral(OPENER_PROBE), {path(u"log"_s)}, env);
        QVERIFY2(probe.waitForFinished(180000), "the probe did not finish");
        QCOMPARE(probe.exitStatus(), QProcess::NormalExit);
        QCOMPARE(probe.exitCode(), 0);
        QVERIFY2(!QFile::exists(path(u"canary"_s)), "a payload ran");
        QCOMPARE(QDir(path(u"log"_s)).entryList({u"tmp.*"_s}, QDir::Files), QStringList());
    }

    void openerReceivesOneInertArgument_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QByteArray>("argument");
        int index = 0;
        for (const HostileAddresses::Case &c : HostileAddresses::corpus())
            QTest::newRow(c.name) << index++ << c.argument;
    }

    // Exactly one argument, ended by its NUL, and exactly the expected bytes;
    // none at all when the address cannot become a safe URL.
    void openerReceivesOneInertArgument()
    {
        QFETCH(int, index);
        QFETCH(QByteArray, argument);
        QCOMPARE(readFile(path(u"log/%1.args"_s.arg(index))),
                 argument.isEmpty() ? QByteArray() : argument + '\0');
    }

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(OpenerXvfbTest)
#include "OpenerXvfbTest.moc"
