#include "store/jet/JetImport.h"

#include "store/FileFormat.h"
#include "store/Schema.h"
#include "store/jet/AddressBookWriter.h"
#include "store/jet/JetReaderProcess.h"
#include "store/jet/LockedFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <cerrno>
#include <cstring>
#include <variant>

#include <fcntl.h>
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

QString errnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString unchanged(const QString &message)
{
    return message + u" Nothing was changed."_s;
}

std::optional<QString> refuseFormat(FileFormat format, const QString &name)
{
    switch (format) {
    case FileFormat::SQLite:
    case FileFormat::Jet3:
    case FileFormat::Jet4: return std::nullopt;
    case FileFormat::Missing: return u"%1 does not exist."_s.arg(name);
    case FileFormat::NotARegularFile: return u"%1 is not a file (it may be a folder)."_s.arg(name);
    case FileFormat::Unreadable:
        return u"%1 cannot be read: check that you may open it."_s.arg(name);
    case FileFormat::Ace:
        return u"%1 is in the newer Access format (ACE, Access 2007 and later), which Larkspan "
               u"cannot read. Save it from Access as an Access 2000 or 2002-2003 database "
               u"(.mdb) and start Larkspan again."_s.arg(name);
    case FileFormat::Unknown: break;
    }
    return u"%1 is neither a Larkspan address book nor an Access database; it may be "
           u"damaged."_s.arg(name);
}

QString readerFailure(const ReaderError &error, const QString &name, int timeoutMs)
{
    const QString detail = error.detail.isEmpty() ? QString() : u" (%1)"_s.arg(error.detail);
    switch (error.kind) {
    case ReaderError::Kind::NotStarted:
        return u"%1 is an Access address book, but Larkspan's converter "
               u"larkspan-jet-reader could not be started%2."_s.arg(name, detail);
    case ReaderError::Kind::Crashed:
        return u"%1 could not be read: the converter stopped unexpectedly, most likely because "
               u"the file is damaged%2."_s.arg(name, detail);
    case ReaderError::Kind::TimedOut:
        return u"%1 could not be read: the converter was stopped after %2 seconds without "
               u"finishing; the file may be damaged."_s.arg(name)
                   .arg(timeoutMs / 1000);
    case ReaderError::Kind::NoSuchTable:
        return u"%1 is an Access database, but it holds no address table (\"%2\")."_s.arg(
            name, QStringView(Schema::table).toString());
    case ReaderError::Kind::Unreadable:
        return u"%1 could not be read whole; it seems to be damaged%2."_s.arg(name, detail);
    case ReaderError::Kind::BadOutput:
        return u"%1 could not be read: the converter gave an unusable answer%2."_s.arg(name,
                                                                                       detail);
    }
    return {};
}

// The rows of the address table as records. Jet compares names without
// regard to case, so "type" would have served the old program as "Type".
std::variant<QList<Record>, QString> recordsFrom(const ReaderOutput &table, const QString &name)
{
    int columns[3] = {-1, -1, -1};
    const char16_t *wanted[3] = {Schema::typeColumn, Schema::addressColumn, Schema::aboutColumn};
    for (int i = 0; i < 3; ++i) {
        columns[i] = int(table.columnNames.indexOf(QStringView(wanted[i]).toString()));
        for (qsizetype c = 0; columns[i] < 0 && c < table.columnNames.size(); ++c) {
            if (table.columnNames[c].compare(QStringView(wanted[i]).toString(), Qt::CaseInsensitive)
                == 0)
                columns[i] = int(c);
        }
        if (columns[i] < 0)
            return u"The address table in %1 has no column \"%2\"."_s.arg(
                name, QStringView(wanted[i]).toString());
    }
    QList<Record> records;
    records.reserve(table.rows.size());
    for (const ReaderOutput::Row &row : table.rows) {
        QString fields[3];
        for (int i = 0; i < 3; ++i) {
            const ReaderOutput::Value &value = row[columns[i]];
            if (value.kind == JetReaderFormat::ValueKind::Binary)
                return u"The column \"%1\" of the address table in %2 holds binary data, not "
                       u"text."_s.arg(QStringView(wanted[i]).toString(), name);
            fields[i] = QString::fromUtf8(value.bytes); // NULL becomes the empty text
        }
        records.append(Record{fields[0], fields[1], fields[2]});
    }
    return records;
}

bool syncDirectory(const QString &directory)
{
    const int fd
        = ::open(QFile::encodeName(directory).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

struct KeptName
{
    QString path;
    bool madeNow = false; // false: a link left by an earlier, interrupted run
};

// Gives the old file its second name by a hard link, so that it never
// stops being under its own name. A name that already links to this very
// file is one an interrupted run made; it is used again.
std::variant<KeptName, QString> keepOldFile(const QString &path, const LockedFile &old)
{
    const QByteArray from = QFile::encodeName(path);
    for (int n = 0; n < maxKeepNames; ++n) {
        const QString candidate = n == 0 ? path + u".jet"_s : path + u".jet.%1"_s.arg(n);
        const QByteArray to = QFile::encodeName(candidate);
        if (::link(from.constData(), to.constData()) == 0)
            return KeptName{candidate, true};
        if (errno != EEXIST)
            return errnoText(errno);
        struct stat info = {};
        if (::stat(to.constData(), &info) == 0 && info.st_dev == old.device()
            && info.st_ino == old.inode())
            return KeptName{candidate, false};
    }
    return u"no free name for keeping the old file"_s;
}

void removeLeftovers(const QString &directory, const QString &fileName)
{
    QDir dir(directory);
    const QStringList leftovers
        = dir.entryList({tempPattern(fileName) + u'*'}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &leftover : leftovers)
        dir.remove(leftover);
}

} // namespace

std::optional<QString> convertInPlace(const QString &databasePath, const QString &readerPath)
{
    return convertInPlace(databasePath, readerPath, Options());
}

std::optional<QString> convertInPlace(const QString &databasePath, const QString &readerPath,
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

    const FileFormat format = detectFileFormat(path);
    if (auto refusal = refuseFormat(format, name))
        return unchanged(*refusal);
    if (format == FileFormat::SQLite)
        return std::nullopt;

    const int timeoutMs = options.readerTimeoutMs.value_or(readerTimeoutMs(info.size()));
    LockedFile old;
    if (auto failure = old.lock(path, 2 * timeoutMs))
        return unchanged(u"%1 cannot be opened for conversion: %2."_s.arg(name, *failure));
    if (!old.isStillAt(path)) {
        // Another Larkspan converted it while we waited for the lock.
        if (detectFileFormat(path) == FileFormat::SQLite)
            return std::nullopt;
        return unchanged(u"%1 was replaced while Larkspan was converting it; start Larkspan "
                         u"again."_s.arg(name));
    }

    auto table
        = readJetTable(readerPath, path, QStringView(Schema::table).toString(), timeoutMs);
    if (const auto *error = std::get_if<ReaderError>(&table))
        return unchanged(readerFailure(*error, name, timeoutMs));
    auto converted = recordsFrom(std::get<ReaderOutput>(table), name);
    if (const auto *refusal = std::get_if<QString>(&converted))
        return unchanged(*refusal);
    const QList<Record> &records = std::get<QList<Record>>(converted);
    step(Step::TableRead);

    const auto writeFailure = [&](const QString &why) {
        return unchanged(
            u"The converted address book could not be written beside %1: %2."_s.arg(name, why));
    };
    QString tempPath;
    {
        QTemporaryFile temp(directory + u'/' + tempPattern(name) + u"XXXXXX"_s);
        temp.setAutoRemove(false);
        if (!temp.open())
            return writeFailure(temp.errorString());
        tempPath = temp.fileName();
        // The new file gets the old one's permissions.
        if (::fchmod(temp.handle(), old.mode() & 0777) != 0) {
            const int error = errno;
            temp.remove();
            return writeFailure(errnoText(error));
        }
    }
    const auto abandon = [&](const QString &message) {
        QFile::remove(tempPath);
        return message;
    };

    if (auto failure = writeAddressBook(tempPath, records, [&] { step(Step::TempFileStarted); }))
        return abandon(writeFailure(*failure));
    step(Step::TempFileWritten);

    auto kept = keepOldFile(path, old);
    if (const auto *failure = std::get_if<QString>(&kept))
        return abandon(
            writeFailure(u"the old file cannot be given a second name (%1)"_s.arg(*failure)));
    const KeptName keptName = std::get<KeptName>(kept);
    const auto abandonKept = [&](const QString &message) {
        if (keptName.madeNow)
            QFile::remove(keptName.path);
        return abandon(message);
    };
    // The second name must be on disk before the first one changes.
    if (!syncDirectory(directory))
        return abandonKept(writeFailure(u"the folder cannot be synced to disk"_s));
    step(Step::OldFileKept);

    if (!old.isStillAt(path))
        return abandonKept(unchanged(u"%1 was replaced while Larkspan was converting it; start "
                                     u"Larkspan again."_s.arg(name)));
    // The one step that switches: rename() replaces the name atomically.
    if (::rename(QFile::encodeName(tempPath).constData(), QFile::encodeName(path).constData()) != 0)
        return abandonKept(writeFailure(errnoText(errno)));
    step(Step::NewFileInPlace);
    // The conversion is done; a failure to sync now can no longer be undone
    // and leaves at worst the old state after a power loss.
    syncDirectory(directory);
    removeLeftovers(directory, name);
    return std::nullopt;
}

} // namespace Larkspan::JetImport
