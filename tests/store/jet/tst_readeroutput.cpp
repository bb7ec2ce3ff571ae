#include "store/jet/ReaderOutput.h"
#include "store/jet/reader/TableStreamWriter.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace Larkspan;
using JetImport::ReaderOutput;
using JetReaderFormat::ValueKind;

namespace {

// Two columns, three rows: text, NULL, empty text and binary.
QByteArray sampleStream()
{
    TableStreamWriter writer(
        {{"Type", JetReaderFormat::jetText}, {"About", JetReaderFormat::jetMemo}});
    writer.addRow({{ValueKind::Text, "Web"}, {ValueKind::Null, {}}});
    writer.addRow({{ValueKind::Text, ""}, {ValueKind::Text, "Grüße 😀\r\n"}});
    writer.addRow({{ValueKind::Text, "x"}, {ValueKind::Binary, {"\0\xff", 2}}});
    const std::string &stream = writer.finish();
    return QByteArray(stream.data(), qsizetype(stream.size()));
}

// Every value, row by row: text as it is, binary data in hex.
QStringList values(const ReaderOutput &output)
{
    QStringList result;
    for (const ReaderOutput::Row &row : output.rows) {
        for (const ReaderOutput::Value &value : row)
            result.append(value.kind == ValueKind::Null ? u"NULL"_s
                              : value.kind == ValueKind::Text
                              ? u"text "_s + QString::fromUtf8(value.bytes)
                              : u"binary "_s + QLatin1StringView(value.bytes.toHex()));
    }
    return result;
}

} // namespace

class TestReaderOutput : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parsesWhatTheReaderWrites()
    {
        const Outcome<ReaderOutput> output = ReaderOutput::parse(sampleStream());
        QVERIFY2(output.ok(), qPrintable(output.error()));
        QCOMPARE(output.value().columnNames, QStringList({u"Type"_s, u"About"_s}));
        QCOMPARE(output.value().columnTypes,
                 QList<quint8>({JetReaderFormat::jetText, JetReaderFormat::jetMemo}));
        QCOMPARE(values(output.value()),
                 QStringList({u"text Web"_s, u"NULL"_s, u"text "_s, u"text Grüße 😀\r\n"_s,
                              u"text x"_s, u"binary 00ff"_s}));

        const Outcome<ReaderOutput> empty
            = ReaderOutput::parse(TableStreamWriter({{"a", JetReaderFormat::jetText}}).finish());
        QVERIFY2(empty.ok() && empty.value().rows.isEmpty(), qPrintable(empty.error()));
    }

    void refusesDamagedStreams_data()
    {
        QTest::addColumn<QByteArray>("stream");
        const QByteArray good = sampleStream();
        const qsizetype end = good.size() - 5; // where the end marker stands
        const qsizetype web = good.indexOf("Web");

        // A reader that dies while writing leaves a prefix of the stream: no
        // prefix may pass for a whole table.
        for (qsizetype length = 0; length < good.size(); ++length)
            QTest::addRow("cut to %d bytes", int(length)) << good.left(length);
        const auto patched = [&good](qsizetype at, const QByteArray &bytes) {
            return QByteArray(good).replace(at, bytes.size(), bytes);
        };
        QTest::newRow("trailing byte") << good + 'R';
        QTest::newRow("wrong magic") << patched(6, "2"_ba);
        QTest::newRow("row count too low") << patched(end + 1, "\x02"_ba);
        QTest::newRow("no columns") << "LKJETR1\n\0\0\0\0E\0\0\0\0"_ba;
        // Five bytes before a text: the kind byte of its value.
        QTest::newRow("unknown value kind") << patched(web - 5, "\x07"_ba);
        QTest::newRow("unknown marker") << patched(end, "X"_ba);
        // A lead byte with no continuation.
        QTest::newRow("text not utf-8") << patched(web, "\xc3"_ba);
        QTest::newRow("value longer than the stream") << patched(web - 4, "\xff\xff\xff\x7f"_ba);
    }

    void refusesDamagedStreams()
    {
        QFETCH(QByteArray, stream);
        const Outcome<ReaderOutput> refused = ReaderOutput::parse(stream);
        QVERIFY(!refused.ok());
        QVERIFY(!refused.error().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestReaderOutput)
#include "tst_readeroutput.moc"
