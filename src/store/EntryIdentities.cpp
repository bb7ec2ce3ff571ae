#include "store/EntryIdentities.h"

#include "store/IdentitySchema.h"
#include "store/SqliteConnection.h"

#include <QCryptographicHash>
#include <QtEndian>

#include <vector>

using namespace Qt::StringLiterals;

namespace Larkspan {

namespace {

using namespace Schema;

struct Object
{
    const char16_t *type;
    const char16_t *name;
    QStringView sql;
};

// The tables first: a trigger or an index needs its table.
const Object objects[] = {
    {u"table", entryTable, createEntryTable.view()},
    {u"index", entryOrderIndex, createEntryOrderIndex.view()},
    {u"table", deletedTable, createDeletedTable.view()},
    {u"index", deletedOrderIndex, createDeletedOrderIndex.view()},
    {u"trigger", identityInsertTrigger, createIdentityInsertTrigger.view()},
    {u"trigger", identityUpdateTrigger, createIdentityUpdateTrigger.view()},
    {u"trigger", identityDeleteTrigger, createIdentityDeleteTrigger.view()},
};

constexpr auto schemaText = u"SELECT sql FROM sqlite_master WHERE type = ?1 AND name = ?2";
// clang-format off
constexpr auto countsInStep = join(
    u"SELECT (SELECT COUNT(*) FROM ", table, u") = (SELECT COUNT(*) FROM ", entryTable, u")",
    u" AND (SELECT MIN(rowid) FROM ", table, u") IS (SELECT MIN(", rowColumn, u") FROM ", entryTable, u")",
    u" AND (SELECT MAX(rowid) FROM ", table, u") IS (SELECT MAX(", rowColumn, u") FROM ", entryTable, u")");
constexpr auto vanished = join(
    u" FROM ", entryTable, u" WHERE NOT EXISTS (SELECT 1 FROM ", table,
    u" WHERE rowid = ", entryTable, u".", rowColumn, u")");
// What went without a trigger seeing it is remembered without its fields.
constexpr auto rememberVanished = join(
    u"INSERT OR IGNORE INTO ", deletedTable, u" (", idColumn, u", ", deletedColumn, u", ",
    madeColumn, u", ", changedColumn, u", ", rowColumn, u") SELECT ", idColumn, u", ", nowMs,
    u", ", madeColumn, u", ", changedColumn, u", ", rowColumn, vanished);
constexpr auto dropVanished = join(u"DELETE", vanished);
constexpr auto everyRow = join(
    u"SELECT i.rowid, ", typeText, u", ", addressText, u", ", aboutText, u", e.", madeColumn,
    u" FROM ", table, u" AS i LEFT JOIN ", entryTable, u" AS e ON e.", rowColumn, u" = i.rowid",
    u" ORDER BY i.rowid");
constexpr auto insertIdentity = join(
    u"INSERT INTO ", entryTable, u" (", rowColumn, u", ", idColumn, u", ", madeColumn, u", ",
    changedColumn, u") VALUES (?1, ?2, ?3, 0)");
// clang-format on

Outcome<std::optional<QString>> sqlOf(SqliteConnection &connection, const Object &object)
{
    SqliteStatement statement(connection.handle(), QStringView(schemaText));
    if (!statement.prepared())
        return statement.failure();
    statement.bind(1, QString::fromUtf16(object.type));
    statement.bind(2, QString::fromUtf16(object.name));
    switch (statement.step()) {
    case SQLITE_ROW:
        return std::optional<QString>(statement.qtext(0));
    case SQLITE_DONE:
        return std::optional<QString>();
    default:
        return statement.failure();
    }
}

} // namespace

QByteArray EntryIdentities::identityOf(qint64 row, const QByteArray &type,
                                       const QByteArray &address, const QByteArray &about)
{
    QCryptographicHash fields(QCryptographicHash::Sha256);
    for (const QByteArray *field : {&type, &address, &about}) {
        fields.addData(*field);
        fields.addData(QByteArrayView("\0", 1));
    }
    QByteArray identity(8, Qt::Uninitialized);
    qToBigEndian(quint64(row), identity.data());
    return identity + fields.result().left(8);
}

Outcome<bool> EntryIdentities::inStep()
{
    for (const Object &object : objects) {
        const Outcome<std::optional<QString>> sql = sqlOf(m_connection, object);
        if (!sql.ok())
            return sql.failure();
        if (sql.value() != object.sql.toString())
            return false;
    }
    const Outcome<qint64> counts = m_connection.integer(countsInStep.view());
    if (!counts.ok())
        return counts.failure();
    return counts.value() != 0;
}

Outcome<void> EntryIdentities::prepare()
{
    const Outcome<bool> fine = inStep();
    if (!fine.ok())
        return fine.failure();
    if (fine.value())
        return {};
    SqliteTransaction transaction(m_connection);
    if (!transaction.began().ok())
        return transaction.began().failure();
    for (auto step : {&EntryIdentities::ensureObjects, &EntryIdentities::forgetVanished,
                      &EntryIdentities::identifyNewcomers}) {
        if (const Outcome<void> done = (this->*step)(); !done.ok())
            return done.failure();
    }
    return transaction.commit();
}

Outcome<void> EntryIdentities::ensureObjects()
{
    for (const Object &object : objects) {
        const Outcome<std::optional<QString>> sql = sqlOf(m_connection, object);
        if (!sql.ok())
            return sql.failure();
        const bool trigger = QStringView(object.type) == u"trigger";
        if (sql.value() == object.sql.toString() && !trigger)
            continue;
        // A trigger is always written afresh; a table or an index only when
        // another tool made its own under the name.
        if (sql.value()) {
            const QString drop = u"DROP %1 \"%2\""_s.arg(QString::fromUtf16(object.type).toUpper(),
                                                         QString::fromUtf16(object.name));
            if (const Outcome<void> dropped = m_connection.exec(drop); !dropped.ok())
                return dropped;
        }
        if (const Outcome<void> made = m_connection.exec(object.sql); !made.ok())
            return made;
    }
    return {};
}

Outcome<void> EntryIdentities::forgetVanished()
{
    for (QStringView sql : {rememberVanished.view(), dropVanished.view()}) {
        if (const Outcome<void> done = m_connection.exec(sql); !done.ok())
            return done;
    }
    return {};
}

Outcome<void> EntryIdentities::identifyNewcomers()
{
    SqliteStatement rows(m_connection.handle(), everyRow.view());
    SqliteStatement insert(m_connection.handle(), insertIdentity.view());
    if (!rows.prepared() || !insert.prepared())
        return m_connection.failure();
    // Each newcomer is made just after the entry before it, so the record
    // order stays what it is. They go in once the reading is done.
    struct Newcomer
    {
        qint64 row;
        QByteArray id;
        qint64 made;
    };
    std::vector<Newcomer> newcomers;
    qint64 made = 0;
    int rc = SQLITE_ROW;
    while ((rc = rows.step()) == SQLITE_ROW) {
        if (!rows.isNull(4)) {
            made = rows.integer(4);
            continue;
        }
        const qint64 row = rows.integer(0);
        auto field = [&rows](int column) {
            const std::string_view text = rows.text(column);
            return QByteArray(text.data(), qsizetype(text.size()));
        };
        newcomers.push_back({row, identityOf(row, field(1), field(2), field(3)), ++made});
    }
    if (rc != SQLITE_DONE)
        return rows.failure();
    for (const Newcomer &newcomer : newcomers) {
        insert.bind(1, newcomer.row);
        insert.bindBlob(2, newcomer.id);
        insert.bind(3, newcomer.made);
        if (!insert.run())
            return insert.failure();
    }
    return {};
}

} // namespace Larkspan
