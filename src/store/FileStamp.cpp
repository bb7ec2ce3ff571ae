#include "store/FileStamp.h"

#include <QFile>

#include <sys/stat.h>

namespace Larkspan {

namespace {

FileStamp stampOf(const struct stat &info)
{
    return {info.st_dev, info.st_ino, info.st_size,
            qint64(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
}

} // namespace

std::optional<FileStamp> FileStamp::of(const QString &path)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return std::nullopt;
    return stampOf(info);
}

} // namespace Larkspan
