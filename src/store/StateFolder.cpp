#include "store/StateFolder.h"

#include "store/FileSystem.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace Larkspan {

namespace {

const QString workingCopyName = u"work.db"_s;
const QString runLockName = u"lock"_s;

QString stateHome()
{
    const QString configured = qEnvironmentVariable("XDG_STATE_HOME");
    if (QDir::isAbsolutePath(configured))
        return configured;
    return QDir::homePath() + u"/.local/state"_s;
}

int openLockable(const QString &path)
{
    return ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
}

} // namespace

StateFolder::~StateFolder()
{
    for (const int fd : std::as_const(m_endedLocks))
        ::close(fd);
    if (!m_keep)
        remove();
    if (m_runLock >= 0)
        ::close(m_runLock);
}

Outcome<void> StateFolder::create(const QString &bookPath)
{
    const QByteArray key
        = QCryptographicHash::hash(bookPath.toUtf8(), QCryptographicHash::Sha256).toHex().left(32);
    m_bookFolder = stateHome() + u"/larkspan/books/"_s + QString::fromLatin1(key);
    const QString run = QUuid::createUuid().toString(QUuid::Id128);
    m_runFolder = m_bookFolder + u'/' + run;
    if (!QDir().mkpath(m_runFolder)) {
        // A state folder that cannot be made (a home folder that cannot be
        // written) gives way to the temporary folder: the book opens all the
        // same, and only what a crash would leave there can be lost.
        const QString tried = m_runFolder;
        m_bookFolder
            = QDir::tempPath() + u"/larkspan-%1/"_s.arg(::getuid()) + QString::fromLatin1(key);
        m_runFolder = m_bookFolder + u'/' + run;
        if (!QDir().mkpath(m_runFolder)) {
            m_runFolder.clear();
            return Failure {u"cannot make the folder %1"_s.arg(tried)};
        }
    }
    QFile::setPermissions(m_runFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // The lock is on a file of its own: closing a descriptor of the working
    // copy would drop the locks SQLite holds on it.
    m_runLock = openLockable(m_runFolder + u'/' + runLockName);
    if (m_runLock < 0 || ::flock(m_runLock, LOCK_EX | LOCK_NB) != 0)
        return Failure {errnoText(errno)};
    return {};
}

void StateFolder::remove()
{
    if (!m_runFolder.isEmpty())
        QDir(m_runFolder).removeRecursively();
}

QString StateFolder::workingCopy() const
{
    return m_runFolder + u'/' + workingCopyName;
}

QString StateFolder::newImagePath()
{
    return m_runFolder + u"/image-%1.db"_s.arg(++m_images);
}

QString StateFolder::toldList() const
{
    return m_bookFolder + u"/told"_s;
}

QStringList StateFolder::endedRuns()
{
    QStringList ended;
    const QDir book(m_bookFolder);
    for (const QString &run : book.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString copy = book.filePath(run) + u'/' + workingCopyName;
        if (book.filePath(run) == m_runFolder || !QFileInfo::exists(copy))
            continue;
        const int fd = openLockable(book.filePath(run) + u'/' + runLockName);
        if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            m_endedLocks << fd;
            ended << copy;
        } else if (fd >= 0) {
            ::close(fd);
        }
    }
    return ended;
}

void StateFolder::removeRun(const QString &workingCopy)
{
    QDir(QFileInfo(workingCopy).absolutePath()).removeRecursively();
}

StateFolder::BookLock::BookLock(const StateFolder &folder)
    : m_fd(openLockable(folder.m_bookFolder + u"/lock"_s))
{
    if (m_fd >= 0) {
        while (::flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {}
    }
}

StateFolder::BookLock::~BookLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

} // namespace Larkspan
