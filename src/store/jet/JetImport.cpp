#include "store/jet/JetImport.h"

#include "store/FileFormat.h"
#include "store/FileSystem.h"
#include "store/Schema.h"
#include "store/jet/AddressBookWriter.h"
#include "store/jet/JetReaderProcess.h"
#include "store/jet/LockedFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryFile>

#include <cerrno>
#include <tuple>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace Larkspan::JetImport {

namespace {

// The new file is built under "<name>.converting-XXXXXX"; a conversion that
// was cut off leaves one behind, which the next successful one removes.
QString tempPattern(const QString &fileName)
{
    return fileName + u".converting-"_s;
}

constexpr int maxKeepNames = 1000;

Failure unchanged(const QString &message)
{
    return Failure {message + u" Nothing was changed."_s};
}

Outcome<void> acceptFormat(FileFormat format, const QString &name)
{
    switch (format) {
    case FileFormat::SQLite:
    case FileFormat::Jet3:
    case FileFormat::Jet4:
        return {};
    case FileFormat::Missing:
        return Failure {u"%1 does not exist."_s.arg(name)};
    case FileFormat::NotARegularFile:
        return Failure {u"%1 is not a file (it may be a folder)."_s.arg(name)};
    case FileFormat::Unreadable:
        return Failure {u"%1 cannot be read: check that you may open it."_s.arg(name)};
    case FileFormat::Ace:
        return Failure {u"%1 is in the newer Access format (ACE, Access 2007 and later), which "
                        u"Larkspan cannot read. Save it from Access as an Access 2000 or "
                        u"2002-2003 database (.mdb) and start Larkspan again."_s.arg(name)};
    case FileFormat::Unknown:
        break;
    }
    return Failure {u"%1 is neither a Larkspan address book nor an Access database; it may be "
                    u"damaged."_s.arg(name)};
}

// The rows of the address table as records. Jet compares names without
// regard to case, so "type" would have served the old program as "Type".
Outcome<QList<Record>> recordsFrom(const ReaderOutput &table, const QString &name)
{
    const QString wanted[3]
        = {QString::fromUtf16(Schema::typeColumn), QString::fromUtf16(Schema::addressColumn),
           QString::fromUtf16(Schema::aboutColumn)};
    qsizetype columns[3] = {-1, -1, -1};
    for (int i = 0; i < 3; ++i) {
        columns[i] = table.columnNames.indexOf(wanted[i]);
        for (qsizetype c = 0; columns[i] < 0 && c < table.columnNames.size(); ++c) {
            if (table.columnNames[c].compare(wanted[i], Qt::CaseInsensitive) == 0)
                columns[i] = c;
        }
        if (columns[i] < 0)
            return Failure {
                u"The address table in %1 has no column \"%2\"."_s.arg(name, wanted[i])};
    }
    QList<Record> records;
    records.reserve(table.rows.size());
    for (const ReaderOutput::Row &row : table.rows) {
        QString fields[3];
        for (int i = 0; i < 3; ++i) {
            const ReaderOutput::Value &value = row[columns[i]];
            if (value.kind == JetReaderFormat::ValueKind::Binary)
                return Failure {u"The column \"%1\" of the address table in %2 holds binary data, "
                                u"not text."_s.arg(wanted[i], name)};
            fields[i] = QString::fromUtf8(value.bytes); // NULL becomes the empty text
        }
        records.append(Record {fields[0], fields[1], fields[2]});
    }
    return records;
}

struct KeptName
{
    QString path;
    bool madeNow = false; // false: a link left by an earlier, interrupted run
};

// Gives the old file its second name by a hard link, so that it never
// stops being under its own name. A name that already links to this very
// file is one an interrupted run made; it is used again.
Outcome<KeptName> keepOldFile(const QString &path, const LockedFile &old)
{
    const QByteArray from = QFile::encodeName(path);
    for (int n = 0; n < maxKeepNames; ++n) {
        const QString candidate = n == 0 ? path + u".jet"_s : path + u".jet.%1"_s.arg(n);
        const QByteArray to = QFile::encodeName(candidate);
        if (::link(from.constData(), to.constData()) == 0)
            return KeptName {candidate, true};
        if (errno != EEXIST)
            return Failure {errnoText(errno)};
        struct stat info = {};
        if (::stat(to.constData(), &info) == 0 && info.st_dev == old.device()
            && info.st_ino == old.inode())
            return KeptName {candidate, false};
    }
    return Failure {u"no free name for keeping the old file"_s};
}

// The address table of the Jet file at `path`, as records.
Outcome<QList<Record>> readRecords(const QString &readerPath, const QString &path,
                                   const QString &name, int timeoutMs)
{
    const Outcome<ReaderOutput> table
        = readJetTable(readerPath, path, QString::fromUtf16(Schema::table), timeoutMs);
    if (!table.ok())
        return table.failure();
    return recordsFrom(table.value(), name);
}

// An empty file beside the book, with the old file's permissions, for the
// converted book; `tempPath` names it as soon as it exists, so that the
// caller removes it on every way out.
Outcome<void> startTempFile(const QString &directory, const QString &name, mode_t mode,
                            QString &tempPath)
{
    QTemporaryFile temp(directory + u'/' + tempPattern(name) + u"XXXXXX"_s);
    temp.setAutoRemove(false);
    if (!temp.open())
        return Failure {temp.errorString()};
    tempPath = temp.fileName();
    if (::fchmod(temp.handle(), mode & 0777) != 0)
        return Failure {errnoText(errno)};
    return {};
}

} // namespace

Outcome<void> convertInPlace(const QString &databasePath, const QString &readerPath,
                             const Options &options)
{
    const QFileInfo info(databasePath);
    const QString name = info.fileName();
    const QString directory = info.absolutePath();
    const QString path = info.absoluteFilePath();
    const auto step = [&options](Step reached) {
        if (options.onStep)
            options.onStep(reached);
    };
    const auto replacedMeanwhile = [&name] {
        return unchanged(u"%1 was replaced while Larkspan was converting it; start Larkspan "
                         u"again."_s.arg(name));
    };

    const FileFormat format = detectFileFormat(path);
    if (Outcome<void> accepted = acceptFormat(format, name); !accepted.ok())
        return unchanged(accepted.error());
    if (format == FileFormat::SQLite)
        return {};

    const int timeoutMs = options.readerTimeoutMs.value_or(readerTimeoutMs(info.size()));
    LockedFile old;
    if (Outcome<void> locked = old.lock(path, 2 * timeoutMs); !locked.ok())
        return unchanged(u"%1 cannot be opened for conversion: %2."_s.arg(name, locked.error()));
    if (!old.isStillAt(path)) {
        // Another Larkspan converted it while we waited for the lock.
        if (detectFileFormat(path) == FileFormat::SQLite)
            return {};
        return replacedMeanwhile();
    }

    const Outcome<QList<Record>> records = readRecords(readerPath, path, name, timeoutMs);
    if (!records.ok())
        return unchanged(records.error());
    step(Step::TableRead);

    const auto writeFailure = [&name](const QString &why) {
        return unchanged(
            u"The converted address book could not be written beside %1: %2."_s.arg(name, why));
    };
    // Until the new file is in place, every way out takes away what this
    // run added to the directory.
    QString tempPath;
    auto removeTemp = qScopeGuard([&tempPath] {
        if (!tempPath.isEmpty())
            QFile::remove(tempPath);
    });
    if (Outcome<void> started = startTempFile(directory, name, old.mode(), tempPath);
        !started.ok())
        return writeFailure(started.error());

    if (Outcome<void> written
        = writeAddressBook(tempPath, records.value(), [&] { step(Step::TempFileStarted); });
        !written.ok())
        return writeFailure(written.error());
    step(Step::TempFileWritten);

    const Outcome<KeptName> kept = keepOldFile(path, old);
    if (!kept.ok())
        return writeFailure(u"the old file cannot be given a second name (%1)"_s.arg(kept.error()));
    auto removeKept = qScopeGuard([&kept] {
        if (kept.value().madeNow)
            QFile::remove(kept.value().path);
    });
    // The second name must be on disk before the first one changes.
    if (!syncToDisk(directory).ok())
        return writeFailure(u"the folder cannot be synced to disk"_s);
    step(Step::OldFileKept);

    if (!old.isStillAt(path))
        return replacedMeanwhile();
    // The one step that switches: rename() replaces the name atomically.
    if (::rename(QFile::encodeName(tempPath).constData(), QFile::encodeName(path).constData()) != 0)
        return writeFailure(errnoText(errno));
    removeKept.dismiss();
    removeTemp.dismiss();
    step(Step::NewFileInPlace);
    // The conversion is done; a failure to sync now can no longer be undone
    // and leaves at worst the old state after a power loss.
    std::ignore = syncToDisk(directory);
    removeFilesStartingWith(directory, tempPattern(name));
    return {};
}

} // namespace Larkspan::JetImport
