#include "RecordingPlatform.h"
#include "launcher/Module1.h"

#include <QTest>

using namespace Qt::StringLiterals;
using Larkspan::Testing::RecordingPlatform;

namespace {

const QString browserStart =
    u"startProgram(\"C:\\program files\\internet explorer\\Iexplore.exe\", 3)"_s;

QString shellCall(const QString &file)
{
    return u"shellExecute(0, null, \"%1\", null, \"C:\\\", 1)"_s.arg(file);
}

} // namespace

class Module1Test : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { Module1::TargetAddress.clear(); }

    void branchByNumberOfAt_data();
    void branchByNumberOfAt();
    void callsPerAddress_data();
    void callsPerAddress();
    void failures_data();
    void failures();
};

void Module1Test::branchByNumberOfAt_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<qsizetype>("highest");

    QTest::newRow("empty splits into nothing") << QString() << qsizetype(-1);
    QTest::newRow("no @") << u"www.example.org"_s << qsizetype(0);
    QTest::newRow("space only") << u" "_s << qsizetype(0);
    QTest::newRow("@ alone") << u"@"_s << qsizetype(1);
    QTest::newRow("one @") << u"someone@example.org"_s << qsizetype(1);
    QTest::newRow("@ at both ends") << u"@x@"_s << qsizetype(2);
    QTest::newRow("three @") << u"a@b@c@d"_s << qsizetype(3);
    QTest::newRow("full-width at is no @") << u"a\uFF20b"_s << qsizetype(0);
}

void Module1Test::branchByNumberOfAt()
{
    QFETCH(QString, address);
    QFETCH(qsizetype, highest);
    QCOMPARE(Module1::highestPieceIndex(address), highest);
}

void Module1Test::callsPerAddress_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QStringList>("expectedCalls");

    auto web = [](const QString &a) { return QStringList{browserStart, shellCall(a)}; };
    auto mail = [](const QString &a) { return QStringList{shellCall(u"mailto:"_s + a)}; };

    QTest::newRow("empty: a link without recipient") << QString() << QStringList{shellCall(u"mailto:"_s)};
    QTest::newRow("@ alone") << u"@"_s << mail(u"@"_s);
    QTest::newRow("e-mail") << u"someone@example.org"_s << mail(u"someone@example.org"_s);
    QTest::newRow("two @: all of it follows mailto")
        << u"a@b@c"_s << QStringList{shellCall(u"mailto:a@b@c"_s)};
    QTest::newRow("e-mail with spaces kept") << u" a@b "_s << mail(u" a@b "_s);
    QTest::newRow("mailto stored already") << u"mailto:a@b"_s << QStringList{shellCall(u"mailto:mailto:a@b"_s)};
    QTest::newRow("web") << u"www.example.org"_s << web(u"www.example.org"_s);
    QTest::newRow("web, spaces not trimmed") << u" www.x.org "_s << web(u" www.x.org "_s);
    QTest::newRow("web, no scheme added") << u"example.org/a?b=c"_s << web(u"example.org/a?b=c"_s);
    QTest::newRow("web with scheme") << u"http://example.org"_s << web(u"http://example.org"_s);
    QTest::newRow("single space is a web address") << u" "_s << web(u" "_s);
    QTest::newRow("command substitution, web") << u"$(touch /tmp/x)"_s << web(u"$(touch /tmp/x)"_s);
    QTest::newRow("command substitution, mail")
        << u"`id`@x;rm -rf ~"_s << mail(u"`id`@x;rm -rf ~"_s);
    QTest::newRow("leading dash, web") << u"--help"_s << web(u"--help"_s);
    QTest::newRow("leading dash, mail") << u"-x@y"_s << mail(u"-x@y"_s);
    QTest::newRow("newline, mail") << u"a@b\n-x"_s << mail(u"a@b\n-x"_s);
    QTest::newRow("quotes, web") << u"x\"'y"_s << web(u"x\"'y"_s);
    QTest::newRow("non-ASCII, mail") << u"jörg@bücher.example"_s << mail(u"jörg@bücher.example"_s);
    const QString longAddress = QString(10000, u'w');
    QTest::newRow("10,000 characters") << longAddress << web(longAddress);
}

void Module1Test::callsPerAddress()
{
    QFETCH(QString, address);
    QFETCH(QStringList, expectedCalls);

    RecordingPlatform os;
    Module1::TargetAddress = address;
    Module1::OpenAddress();

    QCOMPARE(os.calls, expectedCalls);
    // The fields themselves, not just their text: null operation and
    // parameters are no empty strings.
    for (const RecordingPlatform::ShellCall &call : std::as_const(os.shellCalls)) {
        QCOMPARE(call.owner, qintptr(0));
        QVERIFY(!call.operation.has_value());
        QVERIFY(!call.parameters.has_value());
        QCOMPARE(call.directory, u"C:\\"_s);
        QCOMPARE(call.showCommand, 1);
    }
    QVERIFY(os.messages.isEmpty());
    QCOMPARE(Module1::TargetAddress, address);
}

void Module1Test::failures_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("browserMissing");
    QTest::addColumn<QString>("startThrows");
    QTest::addColumn<QString>("shellThrows");
    QTest::addColumn<qintptr>("shellResult");
    QTest::addColumn<int>("shellCalls");
    QTest::addColumn<QString>("unhandled");

    const QString none;
    QTest::newRow("web, no browser: address still opened")
        << u"www.x.org"_s << true << none << none << qintptr(42) << 1 << none;
    QTest::newRow("web, browser start throws: skipped")
        << u"www.x.org"_s << false << u"no such program"_s << none << qintptr(42) << 1 << none;
    QTest::newRow("web, shell throws: skipped")
        << u"www.x.org"_s << false << none << u"shell gone"_s << qintptr(42) << 1 << none;
    QTest::newRow("web, shell fails by result")
        << u"www.x.org"_s << true << none << none << qintptr(2) << 1 << none;
    QTest::newRow("mail, shell fails by result: not looked at")
        << u"a@b"_s << false << none << none << qintptr(2) << 1 << none;
    QTest::newRow("mail, shell throws: ends the program")
        << u"a@b"_s << false << none << u"shell32 not found"_s << qintptr(42) << 1
        << u"shell32 not found"_s;
    QTest::newRow("mail, start would throw: never started")
        << u"a@b"_s << false << u"boom"_s << none << qintptr(42) << 1 << none;
}

void Module1Test::failures()
{
    QFETCH(QString, address);
    QFETCH(bool, browserMissing);
    QFETCH(QString, startThrows);
    QFETCH(QString, shellThrows);
    QFETCH(qintptr, shellResult);
    QFETCH(int, shellCalls);
    QFETCH(QString, unhandled);

    RecordingPlatform os;
    if (browserMissing)
        os.unstartablePaths.append(QString::fromUtf16(Module1::browserProgram));
    if (!startThrows.isEmpty())
        os.startThrows = startThrows;
    if (!shellThrows.isEmpty())
        os.shellThrows = shellThrows;
    os.shellResult = shellResult;

    Module1::TargetAddress = address;
    bool endedProgram = false;
    try {
        Module1::OpenAddress();
    } catch (const RecordingPlatform::Unhandled &failure) {
        endedProgram = true;
        QCOMPARE(failure.description, unhandled);
    }

    QCOMPARE(endedProgram, !unhandled.isEmpty());
    QCOMPARE(os.unhandledFailures, unhandled.isEmpty() ? QStringList() : QStringList{unhandled});
    QCOMPARE(os.shellCalls.size(), shellCalls);
    QVERIFY(os.messages.isEmpty());
}

QTEST_GUILESS_MAIN(Module1Test)
#include "Module1Test.moc"
