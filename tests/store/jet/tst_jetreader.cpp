#include "JetTestSupport.h"

#include "store/jet/JetReaderProcess.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <variant>

using namespace Qt::StringLiterals;
using namespace Larkspan::JetImport;
using JetTestSupport::Row;
using Larkspan::JetReaderFormat::ValueKind;

Q_DECLARE_METATYPE(JetTestSupport::Row)
Q_DECLARE_METATYPE(QList<JetTestSupport::Row>)

namespace {

constexpr int timeoutMs = 30'000;
const QString reader = QStringLiteral(LARKSPAN_JET_READER);

std::variant<ReaderOutput, ReaderError> readShared(const QString &file, const QString &table)
{
    return readJetTable(reader, JetTestSupport::sharedJetDir() + u'/' + file, table, timeoutMs);
}

// The named columns of every row, text or NULL.
QList<QList<std::optional<QString>>> columns(const ReaderOutput &output, const QStringList &names)
{
    QList<QList<std::optional<QString>>> rows;
    for (const ReaderOutput::Row &row : output.rows) {
        QList<std::optional<QString>> values;
        for (const QString &name : names) {
            const ReaderOutput::Value &value = row[output.columnNames.indexOf(name)];
            values.append(value.kind == ValueKind::Null
                              ? std::nullopt
                              : std::optional(QString::fromUtf8(value.bytes)));
        }
        rows.append(values);
    }
    return rows;
}

QByteArray sharedBytes(const QString &file)
{
    QFile source(JetTestSupport::sharedJetDir() + u'/' + file);
    return source.open(QIODevice::ReadOnly) ? source.readAll() : QByteArray();
}

} // namespace

#define READ_OK(variable, call)                                                                    \
    const auto variable##Result = (call);                                                          \
    if (const auto *error = std::get_if<ReaderError>(&variable##Result))                           \
        QFAIL(qPrintable(u"the reader failed: "_s + error->detail));                               \
    const ReaderOutput &variable = std::get<ReaderOutput>(variable##Result)

class TestJetReader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { REQUIRE_SHARED_JET_DIR(); }

    void readsAddressTables_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QList<Row>>("expected");
        QTest::newRow("memo") << u"Tessmoor_jet4_v2000_memo.mdb"_s
                              << JetTestSupport::informaitonRows(true);
        QTest::newRow("text") << u"Tessmoor_jet4_v2000_text.mdb"_s
                              << JetTestSupport::informaitonRows(false);
        QTest::newRow("emoji") << u"Tessmoor_jet4_emoji.mdb"_s << JetTestSupport::emojiRows();
    }

    void readsAddressTables()
    {
        QFETCH(QString, file);
        QFETCH(QList<Row>, expected);
        READ_OK(output, readShared(file, u"Informaiton"_s));
        QCOMPARE(output.columnNames, QStringList({u"Type"_s, u"address"_s, u"About"_s}));
        const auto rows = columns(output, output.columnNames);
        QCOMPARE(rows.size(), expected.size());
        for (qsizetype i = 0; i < rows.size(); ++i) {
            for (int c = 0; c < 3; ++c) {
                const auto &got = rows[i][c];
                const auto &want = expected[i][size_t(c)];
                QVERIFY2(
                    got.has_value() == want.has_value(),
                    qPrintable(u"row %1 column %2: NULL and text mixed up"_s.arg(i + 1).arg(c)));
                if (got)
                    QCOMPARE(*got, *want);
            }
        }
    }

    // Jet compares table names without regard to case.
    void findsTheTableInAnyCase()
    {
        READ_OK(output, readShared(u"Tessmoor_jet4_emoji.mdb"_s, u"INFORMAITON"_s));
        QCOMPARE(output.rows.size(), 2);
    }

    void readsOtherTables_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("table");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("expected"); // each row's values joined by '|', NULL as "~"

        // One deleted row, skipped.
        QTest::newRow("deleted row, jet 3")
            << u"delTestV1997.mdb"_s << u"Table"_s << QStringList{u"a"_s, u"b"_s}
            << QStringList{u"z|y"_s, u"v|u"_s};
        QTest::newRow("deleted row, jet 4")
            << u"delTestV2000.mdb"_s << u"Table"_s << QStringList{u"a"_s, u"b"_s}
            << QStringList{u"z|y"_s, u"v|u"_s};
        const QStringList overflow
            = {u"row1col1|~"_s, u"row2col1|row2col3"_s, u"~|row3col3"_s, u"row4col1|row4col2"_s,
               u"~|row5col2"_s, u"~|row6col2"_s,        u"row7col1|~"_s};
        QTest::newRow("jet 3, in place") << u"overflowTestV1997.mdb"_s << u"Table1"_s
                                         << QStringList{u"data1"_s, u"data3"_s} << overflow;
        // Rows 3 and 5 were rewritten to other pages: still in their place.
        QTest::newRow("jet 4, rows moved") << u"overflowTestV2000.mdb"_s << u"Table1"_s
                                           << QStringList{u"data1"_s, u"data3"_s} << overflow;
        QTest::newRow("compressed unicode")
            << u"testUnicodeCompV2003.mdb"_s << u"Table"_s << QStringList{u"ID"_s, u"Unicode"_s}
            << QStringList{u"1|only ascii chars"_s,
                           u"2|ääkkösiä"_s,
                           u"3|Мир"_s,
                           u"4|ϰαὶ τ\u1f79τ' ἐγὼ Κ\u1f7bϰλωπα"_s,
                           u"5|漢字仮名交じり文"_s,
                           u"6|3L9\u001d52\u0002_AB(¥\u0005!!V"_s,
                           u"7|ümlaut"_s,
                           u"8|"_s};
    }

    void readsOtherTables()
    {
        QFETCH(QString, file);
        QFETCH(QString, table);
        QFETCH(QStringList, names);
        QFETCH(QStringList, expected);
        READ_OK(output, readShared(file, table));
        QStringList got;
        for (const auto &row : columns(output, names)) {
            QStringList values;
            for (const auto &value : row)
                values.append(value ? *value : u"~"_s);
            got.append(values.join(u'|'));
        }
        if (file.startsWith(u"testUnicodeComp"_s)) {
            // The last row holds every character from U+0001 to U+00FF.
            QString all;
            for (char16_t c = 1; c <= 0xFF; ++c)
                all += QChar(c);
            QCOMPARE(got.last(), u"8|"_s + all);
            got.last() = u"8|"_s;
        }
        QCOMPARE(got, expected);
    }

    // Code page 1252, as Access wrote it: row N holds "AA" + character N +
    // "AA". Access stored the characters 0x80-0x9F as "?", except the five
    // bytes that code page leaves undefined, which are kept raw and must
    // decode to "?" as well.
    void readsCodePage1252()
    {
        READ_OK(output, readShared(u"testIndexCodesV1997.mdb"_s, u"Table1"_s));
        QCOMPARE(output.rows.size(), 275);
        QMap<QString, QString> byName;
        for (const auto &row : columns(output, {u"name"_s, u"data"_s}))
            byName.insert(row[0].value_or(QString()), row[1].value_or(u"<NULL>"_s));
        for (int n = 1; n < 256; ++n) {
            QString middle = QChar(char16_t(n));
            if (n >= 0x80 && n <= 0x9F)
                middle = u"?"_s;
            if (n == 26)
                middle = u"-"_s; // Access replaced the control character
            QCOMPARE(byName.value(u"row%1"_s.arg(n)), u"AA"_s + middle + u"AA"_s);
        }
        QCOMPARE(byName.value(u"row0"_s), u"AA"_s);
        QCOMPARE(byName.value(u"row517"_s), u"-\u00a0Á--Á\u00a0-"_s);
    }

    void readsMemosAndOtherTypes()
    {
        READ_OK(output, readShared(u"test2V1997.mdb"_s, u"MSP_PROJECTS"_s));
        QCOMPARE(output.rows.size(), 1);
        QCOMPARE(output.columnNames.size(), 74);
        QCOMPARE(output.columnTypes.count(Larkspan::JetReaderFormat::jetMemo), 9);
        const ReaderOutput::Row &row = output.rows.first();
        const auto value
            = [&](const QString &name) { return row[output.columnNames.indexOf(name)]; };
        const QString author = QString::fromUtf8(value(u"PROJ_PROP_AUTHOR"_s).bytes);
        QVERIFY(author.startsWith(u"Jon Iles this is a a vawesrasoih"_s));
        QVERIFY(author.endsWith(u"lkfslkd jflksjadf as"_s));
        QCOMPARE(author.size(), 348);
        QCOMPARE(value(u"PROJ_PROP_CATEGORY"_s).kind, ValueKind::Null);
        QCOMPARE(value(u"PROJ_INFO_CAL_NAME"_s).bytes, QByteArray("Standard"));
        QCOMPARE(value(u"PROJ_OPT_CURRENCY_SYMBOL"_s).bytes, QByteArray("£"));
        QCOMPARE(value(u"PROJ_OPT_MINUTES_PER_WEEK"_s).bytes, QByteArray("2400"));
        QCOMPARE(value(u"PROJ_LAST_SAVED"_s).bytes, QByteArray("2006-02-03 22:11:00"));
        QCOMPARE(value(u"PROJ_OPT_CALC_ACT_COSTS"_s).bytes, QByteArray("1"));
        const ReaderOutput::Value binary = value(u"RESERVED_BINARY_DATA"_s);
        QCOMPARE(binary.kind, ValueKind::Binary);
        QCOMPARE(binary.bytes.size(), 22970);
        QVERIFY(binary.bytes.contains("Word.Document.8"));
    }

    void reportsAMissingTable_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("table");
        QTest::newRow("no user tables") << u"emptyJet4.mdb"_s << u"Informaiton"_s;
        QTest::newRow("other tables") << u"delTestV2000.mdb"_s << u"Informaiton"_s;
        QTest::newRow("a system table is no user table")
            << u"delTestV1997.mdb"_s << u"MSysObjects"_s;
    }

    void reportsAMissingTable()
    {
        QFETCH(QString, file);
        QFETCH(QString, table);
        const auto result = readShared(file, table);
        const auto *error = std::get_if<ReaderError>(&result);
        QVERIFY(error);
        QCOMPARE(error->kind, ReaderError::Kind::NoSuchTable);
    }

    // A file cut at any page boundary is either refused or, when only unused
    // pages at the end were lost, read whole: never read with rows missing.
    void neverReadsACutFileShort()
    {
        const QByteArray whole = sharedBytes(u"Tessmoor_jet4_v2000_memo.mdb"_s);
        READ_OK(complete, readShared(u"Tessmoor_jet4_v2000_memo.mdb"_s, u"Informaiton"_s));
        QTemporaryDir dir;
        const QString path = dir.filePath(u"cut.mdb"_s);
        int refused = 0;
        for (qsizetype pages = 1; pages * 4096 < whole.size(); ++pages) {
            QFile cut(path);
            QVERIFY(cut.open(QIODevice::WriteOnly | QIODevice::Truncate));
            cut.write(whole.left(pages * 4096));
            cut.close();
            const auto result = readJetTable(reader, path, u"Informaiton"_s, timeoutMs);
            if (const auto *output = std::get_if<ReaderOutput>(&result)) {
                QVERIFY2(columns(*output, output->columnNames)
                             == columns(complete, complete.columnNames),
                         qPrintable(u"cut to %1 pages: read with different rows"_s.arg(pages)));
            } else {
                QVERIFY(!std::get<ReaderError>(result).detail.isEmpty()
                        || std::get<ReaderError>(result).kind == ReaderError::Kind::Crashed);
                ++refused;
            }
        }
        QVERIFY(refused > 0);
    }

    void refusesDamagedFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray memo = sharedBytes(u"Tessmoor_jet4_v2000_memo.mdb"_s);
        QTest::newRow("jet header and garbage")
            << memo.left(0x15) + QByteArray("garbage! ").repeated(4000);
        QTest::newRow("jet header and garbage, whole pages")
            << (memo.left(0x15) + QByteArray("garbage! ").repeated(8000)).left(16 * 4096);
        QTest::newRow("cut in half") << memo.left(memo.size() / 2);
        QTest::newRow("truncated header") << memo.left(10);
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("all zeros") << QByteArray(65536, '\0');
        QByteArray ace = memo;
        ace.replace(4, 15, "Standard ACE DB");
        ace[0x14] = 2;
        QTest::newRow("ace header") << ace;
    }

    void refusesDamagedFiles()
    {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"damaged.mdb"_s);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        const auto result = readJetTable(reader, path, u"Informaiton"_s, timeoutMs);
        const auto *error = std::get_if<ReaderError>(&result);
        QVERIFY2(error, "a damaged file was read as if it were whole");
        QVERIFY(error->kind != ReaderError::Kind::NotStarted);
        QVERIFY(error->kind != ReaderError::Kind::NoSuchTable);
    }

    void reportsAMissingReader()
    {
        const auto result = readJetTable(u"/nonexistent/larkspan-jet-reader"_s,
                                         JetTestSupport::sharedJetDir() + u"/emptyJet4.mdb"_s,
                                         u"Informaiton"_s, timeoutMs);
        const auto *error = std::get_if<ReaderError>(&result);
        QVERIFY(error);
        QCOMPARE(error->kind, ReaderError::Kind::NotStarted);
    }
};

QTEST_GUILESS_MAIN(TestJetReader)
#include "tst_jetreader.moc"
