#include "store/jet/LockedFile.h"

#include "store/FileSystem.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace Larkspan::JetImport {

LockedFile::~LockedFile()
{
    if (m_fd >= 0)
        ::close(m_fd); // releases the lock
}

Outcome<void> LockedFile::lock(const QString &path, int timeoutMs)
{
    m_fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (m_fd < 0)
        return Failure {errnoText(errno)};
    struct stat info = {};
    if (::fstat(m_fd, &info) != 0)
        return Failure {errnoText(errno)};
    m_device = info.st_dev;
    m_inode = info.st_ino;
    m_mode = info.st_mode;

    const QDeadlineTimer deadline(timeoutMs);
    while (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR)
            return Failure {errnoText(errno)};
        if (deadline.hasExpired())
            return Failure {u"another program is converting it"_s};
        QThread::msleep(50);
    }
    return {};
}

bool LockedFile::isStillAt(const QString &path) const
{
    struct stat info = {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && info.st_dev == m_device
        && info.st_ino == m_inode;
}

} // namespace Larkspan::JetImport
