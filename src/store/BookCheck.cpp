#include "store/BookCheck.h"

#include "store/BookFiles.h"
#include "store/Schema.h"
#include "store/SqliteStatement.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>
#include <sys/stat.h>

#include <future>
#include <mutex>

using namespace Qt::StringLiterals;

namespace Larkspan::BookCheck {

namespace {

// A connection of the check's own and its one statement at a time, both
// gone however the check ends.
class Connection
{
public:
    Connection(const QString &uri, int flags)
    {
        if (sqlite3_open_v2(uri.toUtf8().constData(), &m_db, flags | SQLITE_OPEN_URI, nullptr)
            != SQLITE_OK)
            m_failure = Failure {message()};
        else
            sqlite3_busy_timeout(m_db, Schema::busyTimeoutMs);
    }
    ~Connection()
    {
        m_statement.reset();
        sqlite3_close_v2(m_db);
    }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    Outcome<void> prepare(QStringView sql)
    {
        if (!m_failure.ok())
            return m_failure;
        m_statement.emplace(m_db, sql);
        if (!m_statement->prepared())
            return m_statement->failure();
        return {};
    }

    // The first column of the statement's first row.
    Outcome<QString> firstText()
    {
        switch (m_statement->step()) {
        case SQLITE_ROW:
            return m_statement->qtext(0);
        case SQLITE_DONE:
            return QString();
        default:
            return m_statement->failure();
        }
    }

private:
    QString message() const
    {
        return QString::fromUtf8(m_db ? sqlite3_errmsg(m_db) : sqlite3_errstr(SQLITE_NOMEM));
    }

    sqlite3 *m_db = nullptr;
    std::optional<SqliteStatement> m_statement;
    Outcome<void> m_failure;
};

Outcome<void> recoverFromCrash(const QString &path)
{
    Connection recovery(BookFiles::uri(path, BookFiles::Access::Work), SQLITE_OPEN_READWRITE);
    if (Outcome<void> prepared = recovery.prepare(u"PRAGMA schema_version"); !prepared.ok())
        return prepared;
    if (Outcome<QString> read = recovery.firstText(); !read.ok())
        return read.failure();
    return {};
}

} // namespace

Outcome<void> run(const QString &path)
{
    if (!QFileInfo::exists(path))
        return {};
    if (QFileInfo(BookFiles::rollbackJournal(path)).size() > 0) {
        if (Outcome<void> recovered = recoverFromCrash(path); !recovered.ok())
            return recovered;
    }
    if (QFileInfo(path).size() == 0)
        return {};

    Connection look(BookFiles::uri(path, BookFiles::Access::Look), SQLITE_OPEN_READONLY);
    // A missing table or column, a WITHOUT ROWID table or a view fail here,
    // in the engine's own words.
    if (Outcome<void> compiles = look.prepare(Schema::updateRecord.view()); !compiles.ok())
        return compiles;
    if (Outcome<void> prepared = look.prepare(u"PRAGMA quick_check(1)"); !prepared.ok())
        return prepared;
    const Outcome<QString> found = look.firstText();
    if (!found.ok())
        return found.failure();
    if (found.value() != u"ok")
        return Failure {QString::fromUtf8(sqlite3_errstr(SQLITE_CORRUPT))};
    return {};
}

namespace {

// What tells one version of a file from another.
struct Stamp
{
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    qint64 modifiedNs = 0;

    friend bool operator==(const Stamp &, const Stamp &) = default;
};

std::optional<Stamp> stampOf(const QString &path)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return Stamp {info.st_dev, info.st_ino, info.st_size,
                  qint64(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
}

struct Checked
{
    Outcome<void> verdict;
    std::optional<Stamp> stamp;
};

std::mutex startedGuard;
QString startedPath;
std::future<Checked> started;

} // namespace

void start(const QString &path)
{
    const std::lock_guard lock(startedGuard);
    startedPath = path;
    started = std::async(std::launch::async, [path] {
        Outcome<void> verdict = run(path);
        return Checked {std::move(verdict), stampOf(path)};
    });
}

Outcome<void> verdict(const QString &path)
{
    std::future<Checked> pending;
    {
        const std::lock_guard lock(startedGuard);
        if (startedPath == path)
            pending = std::move(started);
        startedPath.clear();
    }
    if (pending.valid()) {
        Checked checked = pending.get();
        if (checked.stamp == stampOf(path))
            return checked.verdict;
    }
    return run(path);
}

} // namespace Larkspan::BookCheck
