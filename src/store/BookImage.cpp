#include "store/BookImage.h"

#include "store/BookFiles.h"
#include "store/FileSystem.h"
#include "store/Schema.h"
#include "store/SqliteConnection.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QUuid>

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <tuple>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace Larkspan::BookImage {

namespace {

// Bytes 18 and 19 of the header say how SQLite writes the file: 2 for a
// write-ahead log beside it, 1 for a rollback journal. Our working copy
// keeps a log; the book must say 1, or the next program to open it would
// start one beside it.
constexpr int versionOffset = 18;
constexpr int headerBytes = 100;

QString tempPrefix(const QString &fileName)
{
    return u'.' + fileName + u".larkspan-"_s;
}

Failure systemFailure(const QString &what)
{
    return Failure {u"%1: %2"_s.arg(what, errnoText(errno))};
}

bool writeAll(int fd, const char *data, size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= size_t(written);
    }
    return true;
}

// Copies the image into `out` with the header saying "rollback journal".
Outcome<void> copyInto(int out, const QString &image)
{
    const int in = ::open(QFile::encodeName(image).constData(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return systemFailure(image);
    const auto closeIn = qScopeGuard([in] { ::close(in); });
    char header[headerBytes];
    if (::read(in, header, headerBytes) != headerBytes)
        return Failure {u"%1 is no database"_s.arg(image)};
    header[versionOffset] = header[versionOffset + 1] = 1;
    if (!writeAll(out, header, headerBytes))
        return systemFailure(u"cannot write the address book"_s);
    for (;;) {
        const ssize_t moved = ::copy_file_range(in, nullptr, out, nullptr, 1 << 30, 0);
        if (moved == 0)
            return {};
        if (moved > 0)
            continue;
        if (errno == EINTR)
            continue;
        if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP)
            return systemFailure(u"cannot write the address book"_s);
        break;
    }
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(in, buffer, sizeof buffer);
        if (got == 0)
            return {};
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 || !writeAll(out, buffer, size_t(got)))
            return systemFailure(u"cannot write the address book"_s);
    }
}

// A file in `folder` under `name`, complete and on disk: made without a name
// first where the system allows (`unnamed`), so that nothing half-written
// ever shows.
Outcome<void> writeOnce(const QString &folder, const QString &name, const QString &image,
                        const std::optional<struct stat> &book, bool unnamed)
{
    const QByteArray folderPath = QFile::encodeName(folder);
    const QByteArray namePath = QFile::encodeName(folder + u'/' + name);
    const mode_t mode = book ? (book->st_mode & 07777) : 0666;
    const int out = unnamed
        ? ::open(folderPath.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, mode)
        : ::open(namePath.constData(), O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC, mode);
    if (out < 0)
        return systemFailure(u"cannot write in %1"_s.arg(folder));
    auto discard = qScopeGuard([&] {
        ::close(out);
        if (!unnamed)
            ::unlink(namePath.constData());
    });
    if (book) {
        ::fchmod(out, book->st_mode & 07777);
        // Another owner is kept where the system allows it (as root).
        if (book->st_uid != ::geteuid() || book->st_gid != ::getegid())
            std::ignore = ::fchown(out, book->st_uid, book->st_gid);
    }
    if (Outcome<void> copied = copyInto(out, image); !copied.ok())
        return copied;
    if (::fsync(out) != 0)
        return systemFailure(u"cannot write the address book"_s);
    if (unnamed) {
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(out);
        if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, namePath.constData(), AT_SYMLINK_FOLLOW)
            != 0)
            return systemFailure(u"cannot name the new address book in %1"_s.arg(folder));
    }
    discard.dismiss();
    ::close(out);
    return {};
}

// The same, named from the start where a file without a name cannot be
// made or named (a file system without O_TMPFILE, no /proc).
Outcome<void> writeNamed(const QString &folder, const QString &name, const QString &image,
                         const std::optional<struct stat> &book)
{
    if (writeOnce(folder, name, image, book, true).ok())
        return {};
    return writeOnce(folder, name, image, book, false);
}

} // namespace

Outcome<void> copy(sqlite3 *from, const QString &to)
{
    QFile::remove(to);
    SqliteConnection target;
    if (Outcome<void> opened
        = target.open(to, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, 0);
        !opened.ok())
        return opened;
    // The image is written once and whole; nothing needs to survive a crash
    // halfway through it.
    std::ignore = target.exec(u"PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF");
    sqlite3_backup *backup = sqlite3_backup_init(target.handle(), "main", from, "main");
    if (!backup)
        return target.failure();
    const int stepped = sqlite3_backup_step(backup, -1);
    const int finished = sqlite3_backup_finish(backup);
    if (stepped != SQLITE_DONE)
        return sqliteFailure(stepped);
    if (finished != SQLITE_OK)
        return target.failure();
    return {};
}

Outcome<void> read(const QString &path, const QString &to, const QString &uri)
{
    SqliteConnection book;
    if (Outcome<void> opened
        = book.open(uri.isEmpty() ? BookFiles::uri(path, BookFiles::Access::Look) : uri,
                    SQLITE_OPEN_READONLY, Schema::busyTimeoutMs);
        !opened.ok())
        return opened;
    return copy(book.handle(), to);
}

Outcome<QString> replace(const QString &image, const QString &path)
{
    const QFileInfo info(path);
    const QString folder = info.absolutePath();
    const QString temp = tempPrefix(info.fileName()) + QUuid::createUuid().toString(QUuid::Id128);
    const QString tempPath = folder + u'/' + temp;
    struct stat bookStat = {};
    const bool bookThere = ::stat(QFile::encodeName(path).constData(), &bookStat) == 0;
    if (Outcome<void> written
        = writeNamed(folder, temp, image, bookThere ? std::optional(bookStat) : std::nullopt);
        !written.ok())
        return written.failure();
    auto removeTemp = qScopeGuard([&tempPath] { QFile::remove(tempPath); });

    const QByteArray from = QFile::encodeName(tempPath);
    const QByteArray to = QFile::encodeName(path);
    QString displaced = tempPath;
    for (int attempt = 0;; ++attempt) {
        if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_EXCHANGE) == 0)
            break;
        if (errno == ENOENT && attempt < 3) {
            // No book yet: the new one goes in unless one came meanwhile.
            if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE)
                == 0) {
                displaced.clear();
                break;
            }
            if (errno == EEXIST)
                continue;
        }
        if (errno != EINVAL && errno != ENOSYS)
            return systemFailure(u"cannot replace %1"_s.arg(path));
        // A file system that cannot exchange: the book keeps a second name
        // for the moment of the rename, and is looked at under it.
        const QString kept = tempPath + u".old"_s;
        if (::link(to.constData(), QFile::encodeName(kept).constData()) != 0
            || ::rename(from.constData(), to.constData()) != 0) {
            QFile::remove(kept);
            return systemFailure(u"cannot replace %1"_s.arg(path));
        }
        displaced = kept;
        break;
    }
    removeTemp.dismiss();
    std::ignore = syncToDisk(folder);
    return displaced;
}

void removeLeftovers(const QString &path)
{
    const QFileInfo info(path);
    removeFilesStartingWith(info.absolutePath(), tempPrefix(info.fileName()));
}

} // namespace Larkspan::BookImage
