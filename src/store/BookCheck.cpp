#include "store/BookCheck.h"

#include "store/BookFiles.h"
#include "store/BookImage.h"
#include "store/Schema.h"
#include "store/SqliteConnection.h"

#include <QFileInfo>

#include <future>
#include <mutex>

using namespace Qt::StringLiterals;

namespace Larkspan::BookCheck {

namespace {

bool isEmptyOrMissing(const QString &path)
{
    const QFileInfo info(path);
    return !info.exists() || info.size() == 0;
}

} // namespace

// Reading anything through a connection that may write rolls a hot journal
// back, or, as the last connection closes, folds a write-ahead log into the
// file and removes it with its index.
Outcome<void> recover(const QString &path)
{
    SqliteConnection recovery;
    if (Outcome<void> opened = recovery.open(BookFiles::uri(path, BookFiles::Access::Work),
                                             SQLITE_OPEN_READWRITE, Schema::busyTimeoutMs);
        !opened.ok())
        return opened;
    if (const Outcome<QString> read = recovery.text(u"PRAGMA schema_version"); !read.ok())
        return read.failure();
    return {};
}

Outcome<void> run(const QString &path)
{
    if (!QFileInfo::exists(path))
        return {};
    if (QFileInfo(BookFiles::rollbackJournal(path)).size() > 0) {
        if (Outcome<void> recovered = recover(path); !recovered.ok())
            return recovered;
    }
    if (QFileInfo(path).size() == 0)
        return {};

    SqliteConnection look;
    if (Outcome<void> opened = look.open(BookFiles::uri(path, BookFiles::Access::Look),
                                         SQLITE_OPEN_READONLY, Schema::busyTimeoutMs);
        !opened.ok())
        return opened;
    // A missing table or column, a WITHOUT ROWID table, a view or a
    // generated column fail here, in the engine's own words.
    if (Outcome<void> compiles = look.compiles(Schema::updateRecord.view()); !compiles.ok())
        return compiles;
    const Outcome<QString> found = look.text(u"PRAGMA quick_check(1)");
    if (!found.ok())
        return found.failure();
    if (found.value() != u"ok")
        return sqliteFailure(SQLITE_CORRUPT);
    return {};
}

Outcome<Copy> copyBook(const QString &path)
{
    Copy copy;
    copy.folder = std::make_unique<StateFolder>();
    if (Outcome<void> made = copy.folder->create(path); !made.ok())
        return made.failure();
    if (QFileInfo(BookFiles::rollbackJournal(path)).size() > 0) {
        if (Outcome<void> recovered = recover(path); !recovered.ok())
            return recovered.failure();
    }
    // A book that changes while it is read is read again.
    for (int attempt = 0; attempt < 5; ++attempt) {
        copy.stamp = FileStamp::of(path);
        if (isEmptyOrMissing(path))
            return copy;
        if (Outcome<void> read = BookImage::read(path, copy.folder->workingCopy()); !read.ok())
            return read.failure();
        if (FileStamp::of(path) == copy.stamp)
            break;
    }
    if (Outcome<void> checked = run(copy.folder->workingCopy()); !checked.ok())
        return checked.failure();
    copy.fromBook = true;
    // The log's content is in the copy already; folding it changes only
    // where it lies.
    if (QFileInfo::exists(BookFiles::writeAheadLog(path))) {
        std::ignore = recover(path);
        copy.stamp = FileStamp::of(path);
    }
    return copy;
}

namespace {

std::mutex startedGuard;
QString startedPath;
std::future<Outcome<Copy>> started;

} // namespace

void start(const QString &book)
{
    const QString path = BookFiles::realPath(book);
    const std::lock_guard lock(startedGuard);
    startedPath = path;
    started = std::async(std::launch::async, [path] { return copyBook(path); });
}

Outcome<Copy> verdict(const QString &path)
{
    std::future<Outcome<Copy>> pending;
    {
        const std::lock_guard lock(startedGuard);
        if (startedPath == path)
            pending = std::move(started);
        startedPath.clear();
    }
    if (pending.valid()) {
        // A book refused then may have been converted since.
        Outcome<Copy> checked = pending.get();
        if (checked.ok() && checked.value().stamp == FileStamp::of(path))
            return checked;
    }
    return copyBook(path);
}

} // namespace Larkspan::BookCheck
