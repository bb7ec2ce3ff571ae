#include "RecordingPlatform.h"
#include "launcher/Module1.h"

#include <QTest>

using namespace Qt::StringLiterals;
using Larkspan::Testing::RecordingPlatform;

namespace {

// The calls as RecordingPlatform writes them: "null" is a missing operation
// or parameter, not an empty text.
QStringList web(const QString &address)
{
    return {u"startProgram(\"C:\\program files\\internet explorer\\Iexplore.exe\", 3)"_s,
            u"shellExecute(0, null, \"%1\", null, \"C:\\\", 1)"_s.arg(address)};
}

QStringList mail(const QString &address)
{
    return {u"shellExecute(0, null, \"mailto:%1\", null, \"C:\\\", 1)"_s.arg(address)};
}

enum class Failure { None, BrowserMissing, ShellCallFails, ShellFails };

} // namespace

Q_DECLARE_METATYPE(Failure)

class Module1Test : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void callsPerAddress_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<Failure>("failure");
        QTest::addColumn<QStringList>("expectedCalls");
        const Failure none = Failure::None;
        QTest::newRow("empty: a link without recipient") << QString() << none << mail(QString());
        QTest::newRow("two @: all of it follows mailto") << u"a@b@c"_s << none << mail(u"a@b@c"_s);
        QTest::newRow("hostile mail, unescaped") << u"`id`@x;\n-rf ~"_s << none << mail(u"`id`@x;\n-rf ~"_s);
        QTest::newRow("full-width at is no @") << u"a\uFF20b"_s << none << web(u"a\uFF20b"_s);
        QTest::newRow("hostile web, unescaped") << u"--help $(x)"_s << none << web(u"--help $(x)"_s);
        QTest::newRow("web, no browser: address still opened")
            << u"x.org"_s << Failure::BrowserMissing << web(u"x.org"_s);
        QTest::newRow("web, shell call fails: skipped") << u"x.org"_s << Failure::ShellCallFails << web(u"x.org"_s);
        QTest::newRow("mail, shell fails by result: not looked at") << u"a@b"_s << Failure::ShellFails << mail(u"a@b"_s);
        QTest::newRow("mail, shell call fails: ends the program") << u"a@b"_s << Failure::ShellCallFails
            << mail(u"a@b"_s) + QStringList{u"unhandledFailure(\"gone\")"_s};
    }

    void callsPerAddress()
    {
        QFETCH(QString, address);
        QFETCH(Failure, failure);
        QFETCH(QStringList, expectedCalls);
        RecordingPlatform os;
        if (failure == Failure::BrowserMissing)
            os.unstartablePaths.append(QString::fromUtf16(Module1::browserProgram));
        if (failure == Failure::ShellCallFails)
            os.shellFailure = u"gone"_s;
        if (failure == Failure::ShellFails)
            os.shellResult = 2;

        Module1::TargetAddress = address;
        QString ended;
        try {
            Module1::OpenAddress();
        } catch (const RecordingPlatform::Unhandled &error) {
            ended = error.description;
        }
        // An unhandled failure leaves OpenAddress; nothing else does.
        QCOMPARE(ended, os.unhandledFailures.value(0));
        QCOMPARE(os.calls, expectedCalls);
    }
};

QTEST_GUILESS_MAIN(Module1Test)
#include "Module1Test.moc"
