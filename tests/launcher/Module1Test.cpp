#include "RecordingPlatform.h"
#include "launcher/Module1.h"

#include <QTest>

using namespace Qt::StringLiterals;
using Larkspan::Testing::RecordingPlatform;

class Module1Test : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The calls as RecordingPlatform writes them: "null" is a missing
    // operation or parameter, not an empty text.
    void callsPerAddress_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("failure"); // "no browser", the shell "call" fails, or its "result"
        QTest::addColumn<QStringList>("expectedCalls");
        const auto shell = [](const QString &file) {
            return u"shellExecute(0, null, \"%1\", null, \"C:\\\", 1)"_s.arg(file);
        };
        const auto web = [&shell](const QString &address) {
            return QStringList{u"startProgram(\"C:\\program files\\internet explorer\\Iexplore.exe\", 3)"_s,
                               shell(address)};
        };
        QTest::newRow("empty: a link without recipient") << QString() << QString()
                                                         << QStringList{shell(u"mailto:"_s)};
        QTest::newRow("two @: all of it follows mailto")
            << u"a@b@c"_s << QString() << QStringList{shell(u"mailto:a@b@c"_s)};
        QTest::newRow("full-width at is no @") << u"a\uFF20b"_s << QString() << web(u"a\uFF20b"_s);
        QTest::newRow("web, no browser: address still opened")
            << u"x.org"_s << u"no browser"_s << web(u"x.org"_s);
        QTest::newRow("web, shell call fails: skipped") << u"x.org"_s << u"call"_s << web(u"x.org"_s);
        QTest::newRow("mail, shell fails by result: not looked at")
            << u"a@b"_s << u"result"_s << QStringList{shell(u"mailto:a@b"_s)};
        QTest::newRow("mail, shell call fails: ends the program") << u"a@b"_s << u"call"_s
            << QStringList{shell(u"mailto:a@b"_s), u"unhandledFailure(\"gone\")"_s};
    }

    void callsPerAddress()
    {
        QFETCH(QString, address);
        QFETCH(QString, failure);
        QFETCH(QStringList, expectedCalls);
        RecordingPlatform os;
        if (failure == u"no browser"_s)
            os.unstartablePaths.append(QString::fromUtf16(Module1::browserProgram));
        if (failure == u"call"_s)
            os.shellFailure = u"gone"_s; // the shell call itself fails
        if (failure == u"result"_s)
            os.shellResult = 2; // the shell answers with a failure code
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
