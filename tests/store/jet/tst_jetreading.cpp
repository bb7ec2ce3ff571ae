// Reading Jet files: text as Jet stores it, the reader on the shared Jet
// files (the address books' compressed text is read by the conversion
// tests), and the stream between the reader and Larkspan.
#include "JetTestSupport.h"

#include "store/jet/JetReaderProcess.h"
#include "store/jet/ReaderOutput.h"
#include "store/jet/reader/JetText.h"
#include "store/jet/reader/TableStreamWriter.h"

#include <QTest>

using namespace Larkspan;
using namespace Qt::StringLiterals;
using JetImport::ReaderOutput;
using JetReaderFormat::ValueKind;

namespace {

constexpr int jet4 = -1; // in place of a code page: Jet 4's UTF-16 text

QByteArray utf16le(const QString &text)
{
    return QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
}

} // namespace

class TestJetReading : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The broken and the rare cases; the shared files show the common ones.
    // The expected text is null when decoding must fail.
    void decodesText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("codePage");
        QTest::addColumn<QString>("expected");
        QTest::newRow("utf-16, surrogate pair") << utf16le(u"a😀b"_s) << jet4 << u"a😀b"_s;
        QTest::newRow("utf-16, odd length") << utf16le(u"ab"_s).left(3) << jet4 << QString();
        QTest::newRow("utf-16, low surrogate alone") << "\x00\xde"_ba << jet4 << QString();
        // A NUL switches to two bytes per character and back.
        QTest::newRow("compressed with a utf-16 run")
            << "\xff\xfe" "ab\x00\x1c\x04\x38\x04\x00" "cd"_ba << jet4 << u"abМиcd"_s;
        QTest::newRow("no code page means 1252") << "\x80"_ba << 0 << u"€"_s;
        QTest::newRow("932 cut inside a character") << "\x93\xfa\x96"_ba << 932 << QString();
        // Long values cross iconv's internal buffer more than once.
        QTest::newRow("1252, long") << "\xe4\x80"_ba.repeated(10'000) << 1252 << u"ä€"_s.repeated(10'000);
    }

    void decodesText()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, codePage);
        QFETCH(QString, expected);
        const std::string_view view(bytes.constData(), size_t(bytes.size()));
        const std::optional<std::string> decoded
            = codePage == jet4 ? JetText::fromJet4(view) : JetText::fromCodePage(view, unsigned(codePage));
        QCOMPARE(decoded ? QString::fromStdString(*decoded) : QString(), expected);
    }

    // Only a whole, well-formed table passes.
    void refusesDamagedStreams_data()
    {
        QTest::addColumn<QByteArray>("stream");
        TableStreamWriter writer({{"Type", JetReaderFormat::jetText}, {"About", JetReaderFormat::jetMemo}});
        writer.addRow({{ValueKind::Text, "Web"}, {ValueKind::Null, {}}});
        writer.addRow({{ValueKind::Text, ""}, {ValueKind::Binary, {"\0\xff", 2}}});
        const QByteArray good = QByteArray::fromStdString(writer.finish());
        const qsizetype end = good.size() - 5; // where the end marker stands
        const qsizetype web = good.indexOf("Web");
        const auto patched = [&good](qsizetype at, const QByteArray &bytes) {
            return QByteArray(good).replace(at, bytes.size(), bytes);
        };
        QTest::newRow("whole") << good;
        // A reader that dies while writing leaves a prefix of the stream.
        for (qsizetype length = 0; length < good.size(); ++length)
            QTest::addRow("cut to %d bytes", int(length)) << good.left(length);
        QTest::newRow("trailing byte") << good + 'R';
        QTest::newRow("row count too low") << patched(end + 1, "\x01"_ba);
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
            QCOMPARE(parsed.value().rows.size(), 2);
    }

    // The reader on the generic Jet files, with their own table and column
    // names: the named columns of every row in stored order, NULL as "~".
    void readsRowsInStoredOrder_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("expected");
        // One deleted row, skipped; in Jet 3 and in Jet 4.
        for (const char *file : {"delTestV1997.mdb", "delTestV2000.mdb"}) {
            QTest::addRow("deleted row, %s", file) << QString::fromUtf8(file) << u"Table"_s
                << QStringList{u"a"_s, u"b"_s} << QStringList{u"z|y"_s, u"v|u"_s};
        }
        // Rows 3 and 5 were rewritten to other pages: still in their place.
        QTest::newRow("jet 4, rows moved")
            << u"overflowTestV2000.mdb"_s << u"Table1"_s << QStringList{u"data1"_s, u"data3"_s}
            << QStringList{u"row1col1|~"_s, u"row2col1|row2col3"_s, u"~|row3col3"_s, u"row4col1|row4col2"_s,
                           u"~|row5col2"_s, u"~|row6col2"_s, u"row7col1|~"_s};
        // Jet compares table names without regard to case.
        QTest::newRow("table name in another case")
            << u"Tessmoor_jet4_emoji.mdb"_s << u"INFORMAITON"_s << QStringList{u"Type"_s}
            << QStringList{u"Fun 😀"_s, u"Plain"_s};
    }

    void readsRowsInStoredOrder()
    {
        REQUIRE_SHARED_JET_DIR();
        QFETCH(QString, file);
        QFETCH(QString, table);
        QFETCH(QStringList, names);
        QFETCH(QStringList, expected);
        const auto read = JetImport::readJetTable(QStringLiteral(LARKSPAN_JET_READER),
                                                  JetTestSupport::sharedJetDir() + u'/' + file, table, 30'000);
        QVERIFY2(read.ok(), qPrintable(read.ok() ? QString() : read.error()));
        QStringList rows;
        for (const ReaderOutput::Row &row : read.value().rows) {
            QStringList values;
            for (const QString &name : names) {
                const ReaderOutput::Value &value = row[read.value().columnNames.indexOf(name)];
                values.append(value.kind == ValueKind::Null ? u"~"_s : QString::fromUtf8(value.bytes));
            }
            rows.append(values.join(u'|'));
        }
        QCOMPARE(rows, expected);
    }
};

QTEST_GUILESS_MAIN(TestJetReading)
#include "tst_jetreading.moc"
