#pragma once

#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QString>

// Files as the tests make them, read them and prove them untouched.
namespace Larkspan::Testing {

// Gives the file exactly `bytes`, and adds `permissions` to its own.
inline bool writeFile(const QString &path, const QByteArray &bytes,
                      QFile::Permissions permissions = {})
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(bytes) == bytes.size()
        && file.setPermissions(file.permissions() | permissions);
}

// The file's bytes; nothing when it cannot be read.
inline QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline QByteArray digest(const QString &path)
{
    return QCryptographicHash::hash(readFile(path), QCryptographicHash::Sha256).toHex();
}

// Every entry under `folder` with the digest of its bytes: "<dir>" for a
// folder, "" for what is no plain file (a pipe would wait for a writer) and
// for the index of a write-ahead log, which every reader keeps up to date.
inline QMap<QString, QByteArray> snapshot(const QString &folder)
{
    QMap<QString, QByteArray> entries;
    for (QDirIterator it(folder,
                         QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
         it.hasNext();) {
        const QString path = it.next();
        const bool plain = it.fileInfo().isFile() && !path.endsWith(u"-shm");
        entries.insert(QDir(folder).relativeFilePath(path),
                       it.fileInfo().isDir() ? "<dir>"
                           : plain           ? digest(path)
                                             : QByteArray());
    }
    return entries;
}

} // namespace Larkspan::Testing
