#include "store/CompanionTables.h"

#include "store/Schema.h"
#include "store/SqliteStatement.h"

#include <QByteArray>
#include <QScopeGuard>
#include <QSet>

#include <sqlite3.h>

#include <algorithm>
#include <deque>
#include <memory>
#include <numeric>
#include <string_view>
#include <unordered_map>
#include <vector>

using namespace Qt::StringLiterals;

namespace Larkspan {

namespace {

using namespace Schema;

// Counts cost a walk over each table's pages but no decoding of its rows;
// the first and the last record, looked up, catch renumbered records.
// clang-format off
constexpr auto countsInStep = join(
    u"WITH counts AS (SELECT",
    u" (SELECT COUNT(*) FROM ", table, u") AS records,",
    u" (SELECT COUNT(*) FROM ", addressTable, u") AS addresses,",
    u" (SELECT IFNULL(SUM(", entriesColumn, u"), 0) FROM ", categoryTable, u") AS entries,",
    u" (SELECT IFNULL(MIN(", entriesColumn, u"), 1) FROM ", categoryTable, u") AS fewest),",
    u" ends AS (",
    u"SELECT * FROM (SELECT rowid AS row, ", typeText, u" AS type, ", addressText,
    u" AS address, 1 AS isFirst FROM ", table, u" ORDER BY rowid LIMIT 1)",
    u" UNION ALL SELECT * FROM (SELECT rowid, ", typeText, u", ", addressText, u", 0 FROM ",
    table, u" ORDER BY rowid DESC LIMIT 1))",
    u" SELECT records = addresses AND records = entries AND fewest > 0",
    u" AND NOT EXISTS (SELECT 1 FROM ends WHERE NOT EXISTS (SELECT 1 FROM ", addressTable, u" AS a",
    u" WHERE a.", typeColumn, u" = ends.type AND a.", rowColumn, u" = ends.row",
    u" AND a.", addressColumn, u" = ends.address))",
    u" AND NOT EXISTS (SELECT 1 FROM ends WHERE isFirst AND NOT EXISTS (SELECT 1 FROM ",
    categoryTable, u" AS c WHERE c.", typeColumn, u" = ends.type AND c.", firstRowColumn,
    u" = ends.row))",
    u" FROM counts");
// clang-format on
constexpr auto schemaTexts = u"SELECT sql FROM sqlite_master WHERE sql IS NOT NULL";
// clang-format off
constexpr auto addressIndexKey = join(
    u"SELECT x.name, x.coll, l.partial FROM pragma_index_list('", table, u"') AS l,",
    u" pragma_index_xinfo(l.name) AS x WHERE l.name = '", addressIndex, u"' AND x.seqno = 0");
constexpr auto dropAddressIndex = join(u"DROP INDEX IF EXISTS ", addressIndex);
constexpr auto dropTypeIndex = join(u"DROP INDEX IF EXISTS ", typeIndex);
constexpr auto dropInsertTrigger = join(u"DROP TRIGGER IF EXISTS ", insertTrigger);
constexpr auto dropDeleteTrigger = join(u"DROP TRIGGER IF EXISTS ", deleteTrigger);
constexpr auto dropUpdateTrigger = join(u"DROP TRIGGER IF EXISTS ", updateTrigger);
constexpr auto dropCategoryTable = join(u"DROP TABLE IF EXISTS ", categoryTable);
constexpr auto dropAddressTable = join(u"DROP TABLE IF EXISTS ", addressTable);
constexpr auto rowRange = join(
    u"SELECT (SELECT MIN(rowid) FROM ", table, u"), (SELECT MAX(rowid) FROM ", table, u")");
constexpr auto readInOrder = join(
    u"SELECT rowid, ", typeText, u", ", addressText, u" FROM ", table, u" ORDER BY rowid");
// clang-format on

// Rows go into the address table this many to a statement.
constexpr int rowsPerInsert = 64;

// How the build's steps share the way from 0 to 1.
constexpr double readShare = 0.35;
constexpr double insertShare = 0.45;

// The table read once in record order: each entry's row, category and
// address, each category kept once.
struct RecordOrderScan
{
    std::deque<QByteArray> types; // each category once, in order of first appearance
    std::vector<qint64> rows;
    std::vector<quint32> typeOf;
    std::vector<qsizetype> addressEnd;
    QByteArray addresses;

    std::string_view type(quint32 index) const
    {
        return {types[index].constData(), size_t(types[index].size())};
    }
    std::string_view address(size_t entry) const
    {
        const qsizetype from = entry == 0 ? 0 : addressEnd[entry - 1];
        return {addresses.constData() + from, size_t(addressEnd[entry] - from)};
    }
};

// The categories in key order, and each one's entries in record order.
struct KeyOrder
{
    std::vector<quint32> categories; // by key
    std::vector<size_t> entries; // how many each category holds
    std::vector<size_t> start; // where each category's entries begin in `order`
    std::vector<size_t> order; // the entries, category by category
};

using Progress = CompanionTables::Progress;

Outcome<void> scanInRecordOrder(sqlite3 *db, const Progress &progress, RecordOrderScan &scan)
{
    SqliteStatement range(db, rowRange.view());
    if (!range.prepared() || range.step() != SQLITE_ROW)
        return range.failure();
    const qint64 firstRow = sqlite3_column_int64(range.handle(), 0);
    const double rowSpan
        = std::max<double>(1, double(sqlite3_column_int64(range.handle(), 1) - firstRow));

    SqliteStatement read(db, readInOrder.view());
    if (!read.prepared())
        return read.failure();
    std::unordered_map<std::string_view, quint32> typeIndex;
    int rc = SQLITE_ROW;
    while ((rc = read.step()) == SQLITE_ROW) {
        const std::string_view type = read.text(1);
        auto found = typeIndex.find(type);
        if (found == typeIndex.end()) {
            scan.types.emplace_back(type.data(), qsizetype(type.size()));
            found = typeIndex.emplace(scan.type(quint32(scan.types.size() - 1)),
                                      quint32(scan.types.size() - 1))
                        .first;
        }
        scan.rows.push_back(sqlite3_column_int64(read.handle(), 0));
        scan.typeOf.push_back(found->second);
        const std::string_view address = read.text(2);
        scan.addresses.append(address.data(), qsizetype(address.size()));
        scan.addressEnd.push_back(scan.addresses.size());
        if (progress && scan.rows.size() % 16384 == 0)
            progress(readShare * double(scan.rows.back() - firstRow) / rowSpan);
    }
    if (rc != SQLITE_DONE)
        return read.failure();
    return {};
}

// Bytewise, as SQLite compares exactly; a counting sort within.
KeyOrder sortByKey(const RecordOrderScan &scan)
{
    KeyOrder sorted;
    sorted.categories.resize(scan.types.size());
    std::iota(sorted.categories.begin(), sorted.categories.end(), 0);
    std::sort(sorted.categories.begin(), sorted.categories.end(),
              [&scan](quint32 a, quint32 b) { return scan.types[a] < scan.types[b]; });
    sorted.entries.assign(scan.types.size(), 0);
    for (const quint32 type : scan.typeOf)
        ++sorted.entries[type];
    sorted.start.resize(scan.types.size());
    size_t at = 0;
    for (const quint32 type : sorted.categories) {
        sorted.start[type] = at;
        at += sorted.entries[type];
    }
    sorted.order.resize(scan.rows.size());
    std::vector<size_t> next = sorted.start;
    for (size_t i = 0; i < scan.rows.size(); ++i)
        sorted.order[next[scan.typeOf[i]]++] = i;
    return sorted;
}

Outcome<void> insertAddresses(sqlite3 *db, const RecordOrderScan &scan, const KeyOrder &sorted,
                              const Progress &progress)
{
    auto insertStatement = [db](int count) {
        QString sql = insertAddress.toString();
        for (int i = 1; i < count; ++i)
            sql += u", (?, ?, ?)"_s;
        return std::make_unique<SqliteStatement>(db, sql);
    };
    const std::vector<size_t> &order = sorted.order;
    std::unique_ptr<SqliteStatement> insert = insertStatement(rowsPerInsert);
    for (size_t done = 0; done < order.size();) {
        const int batch = int(std::min<size_t>(rowsPerInsert, order.size() - done));
        if (batch < rowsPerInsert)
            insert = insertStatement(batch);
        if (!insert->prepared())
            return insert->failure();
        for (int i = 0; i < batch; ++i) {
            const size_t entry = order[done + size_t(i)];
            insert->bind(3 * i + 1, scan.type(scan.typeOf[entry]));
            insert->bind(3 * i + 2, scan.rows[entry]);
            insert->bind(3 * i + 3, scan.address(entry));
        }
        if (insert->step() != SQLITE_DONE)
            return insert->failure();
        insert->reset();
        done += size_t(batch);
        if (progress && done % (rowsPerInsert * 256) == 0)
            progress(readShare + insertShare * double(done) / double(order.size()));
    }
    return {};
}

Outcome<void> insertCategories(sqlite3 *db, const RecordOrderScan &scan, const KeyOrder &sorted)
{
    SqliteStatement category(db, insertCategory.view());
    if (!category.prepared())
        return category.failure();
    for (const quint32 type : sorted.categories) {
        category.bind(1, scan.type(type));
        category.bind(2, scan.rows[sorted.order[sorted.start[type]]]);
        category.bind(3, qint64(sorted.entries[type]));
        if (category.step() != SQLITE_DONE)
            return category.failure();
        category.reset();
    }
    return {};
}

} // namespace


Outcome<void> CompanionTables::exec(QStringView sql)
{
    SqliteStatement statement(m_db, sql);
    if (!statement.prepared())
        return statement.failure();
    int rc = SQLITE_ROW;
    while ((rc = statement.step()) == SQLITE_ROW) {}
    if (rc != SQLITE_DONE)
        return statement.failure();
    return {};
}

Outcome<bool> CompanionTables::inStep()
{
    // Every table, index and trigger exactly as this program writes them:
    // a trigger dropped, or written otherwise, may have let writes by.
    SqliteStatement texts(m_db, QStringView(schemaTexts));
    if (!texts.prepared())
        return texts.failure();
    QSet<QString> present;
    int rc = SQLITE_ROW;
    while ((rc = texts.step()) == SQLITE_ROW)
        present << texts.qtext(0);
    if (rc != SQLITE_DONE)
        return texts.failure();
    for (QStringView ours :
         {createCategoryTable.view(), createCategoryOrderIndex.view(), createAddressTable.view(),
          createInsertTrigger.view(), createDeleteTrigger.view(), createUpdateTrigger.view()}) {
        if (!present.contains(ours.toString()))
            return false;
    }

    SqliteStatement counts(m_db, countsInStep.view());
    if (!counts.prepared())
        return counts.failure();
    if (counts.step() != SQLITE_ROW)
        return counts.failure();
    return sqlite3_column_int(counts.handle(), 0) != 0;
}

Outcome<bool> CompanionTables::addressIndexIsExact()
{
    SqliteStatement key(m_db, addressIndexKey.view());
    if (!key.prepared())
        return key.failure();
    const int rc = key.step();
    if (rc == SQLITE_DONE)
        return false;
    if (rc != SQLITE_ROW)
        return key.failure();
    return key.qtext(0) == QStringView(addressColumn)
        && key.qtext(1).compare(u"BINARY"_s, Qt::CaseInsensitive) == 0
        && sqlite3_column_int(key.handle(), 2) == 0;
}

Outcome<void> CompanionTables::prepare(const Progress &progress)
{
    auto ready = [this]() -> Outcome<bool> {
        const Outcome<bool> index = addressIndexIsExact();
        if (!index.ok() || !index.value())
            return index;
        return inStep();
    };
    if (const Outcome<bool> fine = ready(); !fine.ok() || fine.value())
        return fine.ok() ? Outcome<void>() : fine.failure();

    if (Outcome<void> begun = exec(u"BEGIN IMMEDIATE"); !begun.ok())
        return begun;
    auto rollback
        = qScopeGuard([this] { sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr); });
    // Another Larkspan may have done the work while this one waited for the file.
    const Outcome<bool> exact = addressIndexIsExact();
    if (!exact.ok())
        return exact.failure();
    const Outcome<bool> inStepNow = inStep();
    if (!inStepNow.ok())
        return inStepNow.failure();
    if (!inStepNow.value()) {
        if (Outcome<void> built = build(progress); !built.ok())
            return built;
    }
    if (!exact.value()) {
        for (QStringView sql : {dropAddressIndex.view(), createAddressIndex.view()}) {
            if (Outcome<void> done = exec(sql); !done.ok())
                return done;
        }
    }
    if (Outcome<void> committed = exec(u"COMMIT"); !committed.ok())
        return committed;
    rollback.dismiss();
    if (progress)
        progress(1);
    return {};
}

Outcome<void> CompanionTables::build(const Progress &progress)
{
    for (QStringView sql :
         {dropInsertTrigger.view(), dropDeleteTrigger.view(), dropUpdateTrigger.view(),
          dropCategoryTable.view(), dropAddressTable.view(), dropTypeIndex.view(),
          createCategoryTable.view(), createAddressTable.view()}) {
        if (Outcome<void> done = exec(sql); !done.ok())
            return done;
    }
    if (Outcome<void> filled = fill(progress); !filled.ok())
        return filled;
    // The index is built after the filling, in one sort.
    for (QStringView sql : {createCategoryOrderIndex.view(), createInsertTrigger.view(),
                            createDeleteTrigger.view(), createUpdateTrigger.view()}) {
        if (Outcome<void> done = exec(sql); !done.ok())
            return done;
    }
    return {};
}

Outcome<void> CompanionTables::fill(const Progress &progress)
{
    // One pass over the table in record order gathers each category's
    // entries; they then go into the address table in its own key order.
    // That is several times faster than inserting them in record order, or
    // than letting SQLite sort a million rows by category, and it can say
    // how far it has come all the way.
    RecordOrderScan scan;
    if (Outcome<void> read = scanInRecordOrder(m_db, progress, scan); !read.ok())
        return read;
    const KeyOrder sorted = sortByKey(scan);
    if (Outcome<void> done = insertAddresses(m_db, scan, sorted, progress); !done.ok())
        return done;
    if (Outcome<void> done = insertCategories(m_db, scan, sorted); !done.ok())
        return done;
    if (progress)
        progress(readShare + insertShare);
    return {};
}

} // namespace Larkspan
