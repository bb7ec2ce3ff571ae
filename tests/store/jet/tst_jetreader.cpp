#include "JetTestSupport.h"

#include "store/jet/JetReaderProcess.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace Larkspan::JetImport;
using Larkspan::JetReaderFormat::ValueKind;

namespace {

constexpr int timeoutMs = 30'000;
const QString reader = QStringLiteral(LARKSPAN_JET_READER);

Larkspan::Outcome<ReaderOutput> readShared(const QString &file, const QString &table)
{
    return readJetTable(reader, JetTestSupport::sharedJetDir() + u'/' + file, table, timeoutMs);
}

// The named columns of every row, joined by '|': NULL as "~", binary data
// by its size and first bytes.
QStringList rows(const ReaderOutput &output, const QStringList &names)
{
    QStringList rows;
    for (const ReaderOutput::Row &row : output.rows) {
        QStringList values;
        for (const QString &name : names) {
            const ReaderOutput::Value &value = row[output.columnNames.indexOf(name)];
            values.append(value.kind == ValueKind::Null     ? u"~"_s
                          : value.kind == ValueKind::Binary ? u"<%1 bytes %2>"_s.arg(value.bytes.size())
                                                                  .arg(QLatin1StringView(value.bytes.left(4).toHex()))
                                                            : QString::fromUtf8(value.bytes));
        }
        rows.append(values.join(u'|'));
    }
    return rows;
}

} // namespace

#define READ_OK(variable, call)                                                                    \
    const auto variable##Result = (call);                                                          \
    if (!variable##Result.ok())                                                                    \
        QFAIL(qPrintable(u"the reader failed: "_s + variable##Result.error()));                    \
    const ReaderOutput &variable = variable##Result.value()

// The reader on the generic Jet files, with their own table and column
// names; the address books themselves are read by the conversion tests.
class TestJetReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { REQUIRE_SHARED_JET_DIR(); }

    void readsRowsInStoredOrder_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("expected");
        // One deleted row, skipped; in Jet 3 and in Jet 4.
        for (const QString &file : {u"delTestV1997.mdb"_s, u"delTestV2000.mdb"_s}) {
            QTest::addRow("deleted row, %s", qPrintable(file))
                << file << u"Table"_s << QStringList{u"a"_s, u"b"_s} << QStringList{u"z|y"_s, u"v|u"_s};
        }
        // Rows 3 and 5 were rewritten to other pages: still in their place.
        QTest::newRow("jet 4, rows moved")
            << u"overflowTestV2000.mdb"_s << u"Table1"_s << QStringList{u"data1"_s, u"data3"_s}
            << QStringList{u"row1col1|~"_s, u"row2col1|row2col3"_s, u"~|row3col3"_s, u"row4col1|row4col2"_s,
                           u"~|row5col2"_s, u"~|row6col2"_s, u"row7col1|~"_s};
        QString latin1; // every character from U+0001 to U+00FF
        for (char16_t c = 1; c <= 0xFF; ++c)
            latin1 += QChar(c);
        QTest::newRow("compressed unicode")
            << u"testUnicodeCompV2003.mdb"_s << u"Table"_s << QStringList{u"ID"_s, u"Unicode"_s}
            << QStringList{u"1|only ascii chars"_s, u"2|ääkkösiä"_s, u"3|Мир"_s,
                           u"4|ϰαὶ τ\u1f79τ' ἐγὼ Κ\u1f7bϰλωπα"_s, u"5|漢字仮名交じり文"_s,
                           u"6|3L9\u001d52\u0002_AB(¥\u0005!!V"_s, u"7|ümlaut"_s, u"8|"_s + latin1};
        QTest::newRow("jet 3, other types")
            << u"test2V1997.mdb"_s << u"MSP_PROJECTS"_s
            << QStringList{u"PROJ_INFO_CAL_NAME"_s, u"PROJ_PROP_CATEGORY"_s, u"PROJ_OPT_CURRENCY_SYMBOL"_s,
                           u"PROJ_OPT_MINUTES_PER_WEEK"_s, u"PROJ_LAST_SAVED"_s,
                           u"PROJ_OPT_CALC_ACT_COSTS"_s, u"RESERVED_BINARY_DATA"_s}
            << QStringList{u"Standard|~|£|2400|2006-02-03 22:11:00|1|<22970 bytes 151c2d00>"_s};
        // Jet compares table names without regard to case.
        QTest::newRow("table name in another case")
            << u"Tessmoor_jet4_emoji.mdb"_s << u"INFORMAITON"_s << QStringList{u"Type"_s}
            << QStringList{u"Fun 😀"_s, u"Plain"_s};
    }

    void readsRowsInStoredOrder()
    {
        QFETCH(QString, file);
        QFETCH(QString, table);
        QFETCH(QStringList, names);
        QFETCH(QStringList, expected);
        READ_OK(output, readShared(file, table));
        QCOMPARE(rows(output, names), expected);
    }

    // Code page 1252, as Access wrote it: row N holds "AA" + character N +
    // "AA". Access stored the characters 0x80-0x9F as "?", except the five
    // bytes that code page leaves undefined, which are kept raw and must
    // decode to "?" as well.
    void readsCodePage1252()
    {
        READ_OK(output, readShared(u"testIndexCodesV1997.mdb"_s, u"Table1"_s));
        QMap<QString, QString> byName;
        for (const QString &row : rows(output, {u"name"_s, u"data"_s}))
            byName.insert(row.section(u'|', 0, 0), row.section(u'|', 1));
        for (int n = 1; n < 256; ++n) {
            const QString middle = n == 26 ? u"-"_s // Access replaced the control character
                : n >= 0x80 && n <= 0x9F   ? u"?"_s
                                           : QString(QChar(char16_t(n)));
            QCOMPARE(byName.value(u"row%1"_s.arg(n)), u"AA"_s + middle + u"AA"_s);
        }
    }

    // A file cut at any page boundary is either refused or, when only unused
    // pages at the end were lost, read whole: never read with rows missing.
    void neverReadsACutFileShort()
    {
        const QString memo = u"Tessmoor_jet4_v2000_memo.mdb"_s;
        const QByteArray whole = JetTestSupport::sharedFileBytes(memo);
        READ_OK(complete, readShared(memo, u"Informaiton"_s));
        QTemporaryDir dir;
        const QString path = dir.filePath(u"cut.mdb"_s);
        int refused = 0;
        for (qsizetype pages = 1; pages * 4096 < whole.size(); ++pages) {
            QVERIFY(JetTestSupport::writeFile(path, whole.left(pages * 4096)));
            const auto result = readJetTable(reader, path, u"Informaiton"_s, timeoutMs);
            if (!result.ok())
                ++refused;
            else
                QVERIFY2(rows(result.value(), complete.columnNames) == rows(complete, complete.columnNames),
                         qPrintable(u"cut to %1 pages: read with different rows"_s.arg(pages)));
        }
        QVERIFY(refused > 0);
    }
};

QTEST_GUILESS_MAIN(TestJetReader)
#include "tst_jetreader.moc"
