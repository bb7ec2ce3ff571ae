#include "store/FileSystem.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace Larkspan {

QString errnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

Outcome<void> syncToDisk(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return Failure {errnoText(errno)};
    const bool synced = ::fsync(fd) == 0;
    const int syncError = errno;
    ::close(fd);
    if (!synced)
        return Failure {errnoText(syncError)};
    return {};
}

void removeFilesStartingWith(const QString &folder, const QString &prefix)
{
    QDir dir(folder);
    const QStringList leftovers
        = dir.entryList({prefix + u'*'}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &leftover : leftovers)
        dir.remove(leftover);
}

} // namespace Larkspan
