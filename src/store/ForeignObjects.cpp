#include "store/ForeignObjects.h"

#include "store/Schema.h"
#include "store/SqliteConnection.h"

#include <QList>

#include <tuple>

using namespace Qt::StringLiterals;

namespace Larkspan {

namespace {

// Not the address table, none of this program's own (and its address
// index, named after the table), and none of SQLite's.
// clang-format off
constexpr auto foreignObjects = join(
    u"SELECT type, name, sql FROM %1.sqlite_master WHERE sql IS NOT NULL AND name <> '",
    Schema::table, u"' AND name NOT LIKE 'Larkspan%' AND name NOT LIKE 'sqlite!_%' ESCAPE '!'"
    u" AND name NOT LIKE '", Schema::table, u"By%' ORDER BY CASE type WHEN 'table' THEN 0"
    u" WHEN 'index' THEN 1 WHEN 'view' THEN 2 ELSE 3 END, name");
// clang-format on

struct Object
{
    QString type, name, sql;
};

Outcome<QList<Object>> objectsOf(SqliteConnection &connection, QStringView schema)
{
    SqliteStatement rows(connection.handle(), foreignObjects.toString().arg(schema));
    if (!rows.prepared())
        return rows.failure();
    QList<Object> objects;
    int rc = SQLITE_ROW;
    while ((rc = rows.step()) == SQLITE_ROW)
        objects.append({rows.qtext(0), rows.qtext(1), rows.qtext(2)});
    if (rc != SQLITE_DONE)
        return rows.failure();
    return objects;
}

QString quoted(const QString &name)
{
    return u'"' + QString(name).replace(u'"', u"\"\""_s) + u'"';
}

} // namespace

Outcome<void> takeForeignObjects(SqliteConnection &ours)
{
    const Outcome<QList<Object>> mine = objectsOf(ours, u"main");
    const Outcome<QList<Object>> theirs = objectsOf(ours, u"theirs");
    if (!mine.ok() || !theirs.ok())
        return mine.ok() ? theirs.failure() : mine.failure();
    if (mine.value().isEmpty() && theirs.value().isEmpty())
        return {};
    // Triggers and views go before the tables they stand on. Each object
    // that will not go, or come, stays as it is: the entries are merged all
    // the same.
    for (auto it = mine.value().crbegin(); it != mine.value().crend(); ++it)
        std::ignore
            = ours.exec(u"DROP %1 IF EXISTS main.%2"_s.arg(it->type.toUpper(), quoted(it->name)));
    for (const Object &object : theirs.value()) {
        // Made in "main", the first schema a name without one goes to.
        if (!ours.exec(object.sql).ok() || object.type != u"table")
            continue;
        std::ignore
            = ours.exec(u"INSERT INTO main.%1 SELECT * FROM theirs.%1"_s.arg(quoted(object.name)));
    }
    return {};
}

} // namespace Larkspan
