#include "store/jet/ReaderOutput.h"
#include "store/jet/reader/TableStreamWriter.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace Larkspan;
using JetImport::ReaderOutput;
using JetReaderFormat::ValueKind;

namespace {

QByteArray toBytes(const std::string &s)
{
    return QByteArray(s.data(), qsizetype(s.size()));
}

// Two columns, three rows: text, NULL, empty text and binary.
QByteArray sampleStream()
{
    TableStreamWriter writer(
        {{"Type", JetReaderFormat::jetText}, {"About", JetReaderFormat::jetMemo}});
    writer.addRow({{ValueKind::Text, "Web"}, {ValueKind::Null, {}}});
    writer.addRow({{ValueKind::Text, ""}, {ValueKind::Text, "Grüße 😀\r\n"}});
    writer.addRow({{ValueKind::Text, "x"}, {ValueKind::Binary, std::string("\0\xff", 2)}});
    return toBytes(writer.finish());
}

} // namespace

class TestReaderOutput : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parsesWhatTheReaderWrites()
    {
        QString error;
        const std::optional<ReaderOutput> output = ReaderOutput::parse(sampleStream(), &error);
        QVERIFY2(output, qPrintable(error));
        QCOMPARE(output->columnNames, QStringList({u"Type"_s, u"About"_s}));
        QCOMPARE(output->columnTypes,
                 QList<quint8>({JetReaderFormat::jetText, JetReaderFormat::jetMemo}));
        QCOMPARE(output->rows.size(), 3);
        QCOMPARE(output->rows[0][1].kind, ValueKind::Null);
        QCOMPARE(output->rows[1][0].kind, ValueKind::Text);
        QCOMPARE(output->rows[1][0].bytes, QByteArray());
        QCOMPARE(QString::fromUtf8(output->rows[1][1].bytes), u"Grüße 😀\r\n"_s);
        QCOMPARE(output->rows[2][1].kind, ValueKind::Binary);
        QCOMPARE(output->rows[2][1].bytes, QByteArray("\0\xff", 2));
    }

    void parsesATableWithoutRows()
    {
        TableStreamWriter writer({{"a", JetReaderFormat::jetText}});
        QString error;
        const std::optional<ReaderOutput> output
            = ReaderOutput::parse(toBytes(writer.finish()), &error);
        QVERIFY2(output, qPrintable(error));
        QVERIFY(output->rows.isEmpty());
    }

    // A reader that dies while writing leaves a prefix of the stream: no
    // prefix may pass for a whole table.
    void refusesEveryCutOfTheStream()
    {
        const QByteArray stream = sampleStream();
        for (qsizetype length = 0; length < stream.size(); ++length) {
            QString error;
            QVERIFY2(!ReaderOutput::parse(stream.left(length), &error),
                     qPrintable(u"a stream cut to %1 bytes was accepted"_s.arg(length)));
            QVERIFY(!error.isEmpty());
        }
    }

    void refusesDamagedStreams_data()
    {
        QTest::addColumn<QByteArray>("stream");
        const QByteArray good = sampleStream();
        const qsizetype end = good.size() - 5; // where the end marker stands

        QTest::newRow("trailing byte") << good + 'R';
        QTest::newRow("wrong magic") << QByteArray("LKJETR2\n") + good.mid(8);
        QTest::newRow("row count too high") << good.left(end + 1) + QByteArray("\x04\0\0\0", 4);
        QTest::newRow("row count too low") << good.left(end + 1) + QByteArray("\x02\0\0\0", 4);
        QByteArray unknownKind = good;
        unknownKind[good.indexOf("Web") - 5] = 7; // the kind byte of the first value
        QTest::newRow("unknown value kind") << unknownKind;
        QByteArray badMarker = good;
        badMarker[end] = 'X';
        QTest::newRow("unknown marker") << badMarker;
        QByteArray badUtf8 = good;
        badUtf8[good.indexOf("Web")] = char(0xC3); // a lead byte with no continuation
        QTest::newRow("text not utf-8") << badUtf8;
        QTest::newRow("no columns") << QByteArray("LKJETR1\n\0\0\0\0E\0\0\0\0", 17);
        QTest::newRow("huge column count") << QByteArray("LKJETR1\n\xff\xff\xff\xff", 12);
        QByteArray hugeLength = good;
        hugeLength.replace(good.indexOf("Web") - 4, 4, QByteArray("\xff\xff\xff\x7f", 4));
        QTest::newRow("value longer than the stream") << hugeLength;
    }

    void refusesDamagedStreams()
    {
        QFETCH(QByteArray, stream);
        QString error;
        QVERIFY(!ReaderOutput::parse(stream, &error));
        QVERIFY(!error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestReaderOutput)
#include "tst_readeroutput.moc"
