// The stream between the reader and Larkspan: only a whole, well-formed
// table passes (the import tests read whole ones).
#include "store/jet/ReaderOutput.h"
#include "store/jet/reader/TableStreamWriter.h"

#include <QTest>

using namespace Qt::StringLiterals;
using namespace Larkspan;
using JetImport::ReaderOutput;
using JetReaderFormat::ValueKind;

class TestReaderOutput : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void refusesDamagedStreams_data()
    {
        QTest::addColumn<QByteArray>("stream");
        // Two columns, three rows: text, NULL, empty text and binary.
        TableStreamWriter writer({{"Type", JetReaderFormat::jetText}, {"About", JetReaderFormat::jetMemo}});
        writer.addRow({{ValueKind::Text, "Web"}, {ValueKind::Null, {}}});
        writer.addRow({{ValueKind::Text, ""}, {ValueKind::Text, "Grüße 😀\r\n"}});
        writer.addRow({{ValueKind::Text, "x"}, {ValueKind::Binary, {"\0\xff", 2}}});
        const QByteArray good = QByteArray::fromStdString(writer.finish());
        const qsizetype end = good.size() - 5; // where the end marker stands
        const qsizetype web = good.indexOf("Web");
        const auto patched = [&good](qsizetype at, const QByteArray &bytes) {
            return QByteArray(good).replace(at, bytes.size(), bytes);
        };
        QTest::newRow("whole") << good;
        // A reader that dies while writing leaves a prefix of the stream: no
        // prefix may pass for a whole table.
        for (qsizetype length = 0; length < good.size(); ++length)
            QTest::addRow("cut to %d bytes", int(length)) << good.left(length);
        QTest::newRow("trailing byte") << good + 'R';
        QTest::newRow("wrong magic") << patched(6, "2"_ba);
        QTest::newRow("row count too low") << patched(end + 1, "\x02"_ba);
        QTest::newRow("no columns") << "LKJETR1\n\0\0\0\0E\0\0\0\0"_ba;
        // Five bytes before a text: the kind byte of its value.
        QTest::newRow("unknown value kind") << patched(web - 5, "\x07"_ba);
        QTest::newRow("unknown marker") << patched(end, "X"_ba);
        QTest::newRow("text not utf-8") << patched(web, "\xc3"_ba);
        QTest::newRow("value longer than the stream") << patched(web - 4, "\xff\xff\xff\x7f"_ba);
    }

    void refusesDamagedStreams()
    {
        QFETCH(QByteArray, stream);
        const Outcome<ReaderOutput> parsed = ReaderOutput::parse(stream);
        const bool whole = QByteArray(QTest::currentDataTag()) == "whole";
        QVERIFY2(parsed.ok() == whole, qPrintable(parsed.ok() ? u"passed"_s : parsed.error()));
        if (whole)
            QCOMPARE(parsed.value().rows.size(), 3);
    }
};

QTEST_GUILESS_MAIN(TestReaderOutput)
#include "tst_readeroutput.moc"
