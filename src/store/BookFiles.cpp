#include "store/BookFiles.h"

#include "store/Schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace Larkspan::BookFiles {

// Bytes 18 and 19 of the file's header, the versions SQLite writes and
// reads it with, are 2 in WAL mode.
bool inWalMode(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray header = file.read(20);
    return header.size() == 20 && header[18] == 2 && header[19] == 2;
}

QString inCurrentDirectory()
{
    return QDir::current().filePath(QString::fromUtf16(Schema::databaseFileName));
}

QString realPath(const QString &path)
{
    const QFileInfo info(path);
    if (info.exists())
        return info.canonicalFilePath();
    if (info.isSymLink())
        return info.symLinkTarget();
    return info.absoluteFilePath();
}

QString rollbackJournal(const QString &path)
{
    return path + u"-journal"_s;
}

QString writeAheadLog(const QString &path)
{
    return path + u"-wal"_s;
}

QString readOnlyUri(const QString &path)
{
    QUrl url = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    url.setQuery(u"mode=ro"_s);
    return url.toString(QUrl::FullyEncoded);
}

QString uri(const QString &path, Access access)
{
    const QFileInfo file(path);
    QUrl url = QUrl::fromLocalFile(file.absoluteFilePath());
    const bool folderWritable
        = ::faccessat(AT_FDCWD, QFile::encodeName(file.absolutePath()).constData(), W_OK,
                      AT_EACCESS)
        == 0;
    if (access == Access::Work && folderWritable)
        return url.toString(QUrl::FullyEncoded);
    const bool wholeInOneFile = inWalMode(path) && !QFileInfo::exists(writeAheadLog(path));
    url.setQuery(wholeInOneFile ? u"immutable=1"_s : u"mode=ro"_s);
    return url.toString(QUrl::FullyEncoded);
}

} // namespace Larkspan::BookFiles
