#include "exchange/PlacesFormat.h"

#include "exchange/BookmarkText.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace Larkspan {

namespace {

// Every item below the root in the order Firefox shows them: a folder, then
// what it holds, by position, as the path of positions sorts them.
constexpr char walk[] = R"(
WITH RECURSIVE walk(id, type, depth, path) AS (
    SELECT id, type, 0, '' FROM moz_bookmarks WHERE parent = 0
    UNION ALL
    SELECT b.id, b.type, w.depth + 1, w.path || printf('%08d.', b.position)
    FROM moz_bookmarks b JOIN walk w ON b.parent = w.id
    WHERE w.type = 2
    ORDER BY 4)
SELECT w.depth, w.type, IFNULL(b.title, ''), b.guid, p.url
FROM walk w JOIN moz_bookmarks b ON b.id = w.id LEFT JOIN moz_places p ON p.id = b.fk
ORDER BY w.path)";

constexpr int bookmarkType = 1, folderType = 2;

struct DatabaseCloser
{
    void operator()(sqlite3 *db) const { sqlite3_close(db); }
};
struct StatementFinalizer
{
    void operator()(sqlite3_stmt *statement) const { sqlite3_finalize(statement); }
};

QString textOf(sqlite3_stmt *statement, int column)
{
    return QString::fromUtf8(
        reinterpret_cast<const char *>(sqlite3_column_text(statement, column)));
}

// A copy of the database and its log, taken while neither changed.
bool copyWhole(const QString &from, const QString &to)
{
    for (int attempt = 0; attempt < 3; ++attempt) {
        const QFileInfo before(from), log(from + u"-wal"_s);
        const auto stamp
            = [](const QFileInfo &file) { return std::pair(file.size(), file.lastModified()); };
        QFile::remove(to);
        QFile::remove(to + u"-wal"_s);
        if (!QFile::copy(from, to))
            return false;
        if (log.exists() && !QFile::copy(log.filePath(), to + u"-wal"_s))
            return false;
        QFileInfo after(from), logAfter(from + u"-wal"_s);
        if (stamp(after) == stamp(before) && stamp(logAfter) == stamp(log))
            return true;
    }
    return true;
}

} // namespace

PlacesFormat::PlacesFormat()
    : ExchangeFormat(u"places"_s, u"Firefox's places.sqlite"_s)
{}

bool PlacesFormat::reads(QByteArrayView head) const
{
    return head.startsWith(QByteArrayView("SQLite format 3\0", 16));
}

Outcome<void> PlacesFormat::read(const ImportSource &source, EntrySink &sink) const
{
    QTemporaryDir copy;
    const QString copied = copy.filePath(u"places.sqlite"_s);
    if (!copy.isValid() || !copyWhole(source.path, copied))
        return faultAt(1, u"cannot be copied to read it"_s);
    sqlite3 *opened = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(copied).constData(), &opened,
                                   SQLITE_OPEN_READWRITE, nullptr);
    const std::unique_ptr<sqlite3, DatabaseCloser> db(opened);
    sqlite3_stmt *prepared = nullptr;
    if (rc != SQLITE_OK || sqlite3_prepare_v2(db.get(), walk, -1, &prepared, nullptr) != SQLITE_OK)
        return faultAt(
            1,
            u"no Firefox bookmarks in it (%1)"_s.arg(QString::fromUtf8(sqlite3_errmsg(db.get()))));
    const std::unique_ptr<sqlite3_stmt, StatementFinalizer> items(prepared);

    QStringList folders; // the folder at each depth, empty for Firefox's own
    qsizetype skipping = -1; // the depth of the tags folder while below it
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(items.get())) == SQLITE_ROW) {
        const qsizetype depth = sqlite3_column_int(items.get(), 0);
        const int type = sqlite3_column_int(items.get(), 1);
        if (skipping >= 0 && depth > skipping)
            continue;
        skipping = -1;
        folders.resize(qMax(depth, qsizetype(0)));
        if (type == folderType) {
            const bool own = depth <= 1;
            if (textOf(items.get(), 3) == u"tags________"_s)
                skipping = depth;
            folders << (own ? QString() : textOf(items.get(), 2));
            continue;
        }
        if (type != bookmarkType)
            continue;
        if (!BookmarkText::hand(sink, BookmarkText::categoryOf(folders), textOf(items.get(), 4),
                                textOf(items.get(), 2), std::nullopt))
            return Failure {};
    }
    if (step != SQLITE_DONE)
        return faultAt(1, QString::fromUtf8(sqlite3_errmsg(db.get())));
    return {};
}

} // namespace Larkspan
