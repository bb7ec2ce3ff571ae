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
        QTest::addColumn<bool>("noBrowser");
        QTest::addColumn<bool>("shellCallFails");
        QTest::addColumn<QStringList>("expectedCalls");
        const auto shell = [](const QString &file) {
            return u"shellExecute(0, null, \"%1\", null, \"C:\\\", 1)"_s.arg(file);
        };
        const auto web = [&shell](const QString &address) {
            return QStringList{u"startProgram(\"C:\\program files\\internet explorer\\Iexplore.exe\", 3)"_s,
                               shell(address)};
        };
        QTest::newRow("empty: a link without recipient") << QString() << false << false
                                                         << QStringList{shell(u"mailto:"_s)};
        QTest::newRow("two @: all of it follows mailto")
            << u"a@b@c"_s << false << false << QStringList{shell(u"mailto:a@b@c"_s)};
        QTest::newRow("full-width at is no @") << u"a\uFF20b"_s << false << false << web(u"a\uFF20b"_s);
        QTest::newRow("web, no browser: address still opened") << u"x.org"_s << true << false << web(u"x.org"_s);
        QTest::newRow("web, shell call fails: skipped") << u"x.org"_s << false << true << web(u"x.org"_s);
        QTest::newRow("mail, shell call fails: ends the program") << u"a@b"_s << false << true
            << QStringList{shell(u"mailto:a@b"_s), u"unhandledFailure(\"gone\")"_s};
    }

    void callsPerAddress()
    {
        QFETCH(QString, address);
        QFETCH(bool, noBrowser);
        QFETCH(bool, shellCallFails);
        QFETCH(QStringList, expectedCalls);
        RecordingPlatform os;
        if (noBrowser)
            os.unstartablePaths.append(QString::fromUtf16(Module1::browserProgram));
        if (shellCallFails)
            os.shellFailure = u"gone"_s;
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
