#include "RecordingPlatform.h"
#include "about/SystemInfo.h"
#include "platform/Registry.h"

#include <QTest>

using namespace Qt::StringLiterals;
using Larkspan::Testing::RecordingPlatform;
namespace Registry = Larkspan::Registry;
namespace SystemInfo = Larkspan::SystemInfo;

namespace {

const QString key = u"SOFTWARE\\Example\\Tool"_s;

enum class Stored { Value, NoValue, NoKey };

} // namespace

Q_DECLARE_METATYPE(Stored)

class GetKeyValueTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void readsValue_data();
    void readsValue();
    void emptyDataFailsAndClosesKey();
    void asksForTheKeyAsTheRegistryIsAsked();
};

void GetKeyValueTest::readsValue_data()
{
    QTest::addColumn<Stored>("stored");
    QTest::addColumn<quint32>("type");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("before");
    QTest::addColumn<bool>("result");
    QTest::addColumn<QString>("after");

    const quint32 sz = Registry::typeString;
    const quint32 dw = Registry::typeDword;
    const QString prior = u"prior"_s;
    const QByteArray text1023(1023, 'a');

    QTest::newRow("only the last NUL goes")
        << Stored::Value << sz << QByteArray("ab\0cd\0\0", 7) << QString() << true
        << QString::fromLatin1("ab\0cd\0", 6);
    QTest::newRow("NUL alone: empty text")
        << Stored::Value << sz << QByteArray(1, '\0') << prior << true << QString();
    QTest::newRow("string of 1024 bytes with its NUL")
        << Stored::Value << sz << text1023 + '\0' << prior << true << QString::fromLatin1(text1023);
    QTest::newRow("string of 1024 bytes without NUL")
        << Stored::Value << sz << text1023 + 'b' << prior << true << QString::fromLatin1(text1023 + 'b');
    QTest::newRow("1025 bytes: unreadable")
        << Stored::Value << sz << QByteArray(1024, 'a') + '\0' << prior << false << QString();
    QTest::newRow("32-bit, top byte zero")
        << Stored::Value << dw << QByteArray("\x1A\0\0\0", 4) << QString() << true << u"&h00001A"_s;
    QTest::newRow("32-bit, high bit set")
        << Stored::Value << dw << QByteArray("\xFE\xFF\xFF\xFF", 4) << QString() << true << u"&hFFFFFFFE"_s;
    QTest::newRow("32-bit after text already held")
        << Stored::Value << dw << QByteArray("\x0D\x0C\x0B\x0A", 4) << u"AB"_s << true << u"&hAB0A0B0C0D"_s;
    QTest::newRow("binary: read, value kept")
        << Stored::Value << Registry::typeBinary << QByteArray("\x01\x02", 2) << prior << true << prior;
    QTest::newRow("no such value")
        << Stored::NoValue << sz << QByteArray() << prior << false << QString();
    QTest::newRow("no such key")
        << Stored::NoKey << sz << QByteArray() << prior << false << QString();
}

void GetKeyValueTest::readsValue()
{
    QFETCH(Stored, stored);
    QFETCH(quint32, type);
    QFETCH(QByteArray, data);
    QFETCH(QString, before);
    QFETCH(bool, result);
    QFETCH(QString, after);

    RecordingPlatform os;
    if (stored != Stored::NoKey)
        os.registry.addKey(Registry::localMachine, key);
    if (stored == Stored::Value)
        os.registry.setValue(Registry::localMachine, key, u"Path"_s, type, data);

    QString value = before;
    const Larkspan::Outcome<bool> read
        = SystemInfo::GetKeyValue(Registry::localMachine, key, u"Path"_s, value);
    QVERIFY(read.ok());
    QCOMPARE(read.value(), result);
    QCOMPARE(value, after);

    // One close on every path; a key that never opened closes handle 0.
    QCOMPARE(os.closedKeys, QList<quint32>{stored == Stored::NoKey ? 0u : 0x100u});
    QVERIFY(os.registry.openHandles().isEmpty());
}

// A value of no bytes cannot be taken as text: the failure reaches the
// caller, and the key does not stay open behind it.
void GetKeyValueTest::emptyDataFailsAndClosesKey()
{
    RecordingPlatform os;
    os.registry.setValue(Registry::localMachine, key, u"Path"_s, Registry::typeString, QByteArray());
    QString value = u"prior"_s;
    QVERIFY(!SystemInfo::GetKeyValue(Registry::localMachine, key, u"Path"_s, value).ok());
    QCOMPARE(value, u"prior"_s);
    QCOMPARE(os.closedKeys, QList<quint32>{0x100u});
    QVERIFY(os.registry.openHandles().isEmpty());
}

void GetKeyValueTest::asksForTheKeyAsTheRegistryIsAsked()
{
    RecordingPlatform os;
    os.registry.setValue(Registry::localMachine, key, u"Path"_s, Registry::typeString, "x");
    QString value;
    const Larkspan::Outcome<bool> read
        = SystemInfo::GetKeyValue(Registry::localMachine, key, u"Path"_s, value);
    QVERIFY(read.ok() && read.value());
    QCOMPARE(os.calls, (QStringList{
                           u"regOpenKeyEx(0x80000002, \"SOFTWARE\\Example\\Tool\", 0, 0x2003f) = 0"_s,
                           u"regQueryValueEx(0x100, \"Path\", buffer 1024, size 1024) = 0"_s,
                           u"regCloseKey(0x100) = 0"_s,
                       }));
}

QTEST_GUILESS_MAIN(GetKeyValueTest)
#include "GetKeyValueTest.moc"
