// Opening the address table on a working copy of the book, and closing it.
#include "store/AddressTable.h"

#include "store/BookCheck.h"
#include "store/BookConversion.h"
#include "store/BookFiles.h"
#include "store/BookSync.h"
#include "store/BuildProgress.h"
#include "store/Clock.h"
#include "store/CompanionTables.h"
#include "store/EntryIdentities.h"
#include "store/FileFormat.h"
#include "store/Schema.h"
#include "store/StateFolder.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QScopeGuard>

#include <cstdlib>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace Larkspan {

namespace {

using namespace Schema;

// A merge or an image of the book holds the working copy for a moment;
// the windows wait for it rather than fail.
constexpr int workingCopyBusyMs = 60000;

QList<AddressTable *> &openTables()
{
    static QList<AddressTable *> tables;
    return tables;
}

bool mayWrite(const QString &path)
{
    return ::faccessat(AT_FDCWD, QFile::encodeName(path).constData(), W_OK, AT_EACCESS) == 0;
}

} // namespace

AddressTable::AddressTable() = default;

AddressTable::~AddressTable()
{
    close();
}

void AddressTable::close()
{
    openTables().removeAll(this);
    for (auto &statement : m_statements)
        statement.reset();
    if (m_sync)
        std::ignore = m_sync->finish();
    m_sync.reset();
    m_db.close();
    m_folder.reset();
}

void AddressTable::closeAll()
{
    const QList<AddressTable *> tables = openTables();
    for (AddressTable *table : tables)
        table->close();
}

Outcome<void> AddressTable::open(const QString &path, Use use)
{
    close();
    // Whatever fails from here on leaves the table closed.
    auto closeOnFailure = qScopeGuard([this] { close(); });
    const QString book = BookFiles::realPath(path);
    // An address book from the older desktop database format is converted
    // first, keeping the original beside it; any other file that is not ours
    // is refused. Either way, a file that cannot be used comes out of this
    // exactly as it went in.
    BookConversion *conversion = BookConversion::installed();
    if (QFileInfo::exists(book) && conversion && conversion->takes(detectFileFormat(book))) {
        if (Outcome<void> converted = conversion->convert(book); !converted.ok())
            return converted;
    }
    // A book only read (an export) is read as it lies, in one reading, with
    // no copy made of it; one that a crash left with a journal or a log
    // beside it goes through the check and its recovery.
    const bool asItLies = use == Use::Reading && QFileInfo(book).size() > 0
        && !QFileInfo::exists(BookFiles::rollbackJournal(book))
        && !QFileInfo::exists(BookFiles::writeAheadLog(book));
    if (Outcome<void> opened = asItLies ? openForReading(book) : openWorkingCopy(book, use);
        !opened.ok())
        return opened;
    closeOnFailure.dismiss();
    openTables().append(this);
    // Registered once Qt's statics exist, so that it runs before they go.
    [[maybe_unused]] static const bool closedAtExit = [] {
        std::atexit(&AddressTable::closeAll);
        std::at_quick_exit(&AddressTable::closeAll);
        return true;
    }();
    return {};
}

Outcome<void> AddressTable::openForReading(const QString &book)
{
    if (Outcome<void> opened = m_db.open(BookFiles::uri(book, BookFiles::Access::Look),
                                         SQLITE_OPEN_READONLY, Schema::busyTimeoutMs);
        !opened.ok())
        return opened;
    // Refused as the check refuses it: what is no table Larkspan can store
    // to is no address book.
    if (Outcome<void> usable = m_db.compiles(Schema::updateRecord.view()); !usable.ok())
        return usable;
    const Outcome<bool> inStep = CompanionTables(m_db.handle()).inStep();
    m_companions = inStep.ok() && inStep.value();
    return {};
}

Outcome<void> AddressTable::openWorkingCopy(const QString &book, Use use)
{
    // Nothing of ours has written to the book yet, and nothing will unless
    // its copy passes.
    Outcome<BookCheck::Copy> checked = BookCheck::verdict(book);
    if (!checked.ok())
        return checked.failure();
    BookCheck::Copy &copy = checked.value();
    const bool newBook = !copy.fromBook;
    const bool writable = use != Use::Reading && mayWrite(QFileInfo(book).absolutePath())
        && (!QFileInfo::exists(book) || mayWrite(book));
    m_history = UndoHistory();
    if (newBook && !writable)
        return sqliteFailure(SQLITE_CANTOPEN);
    m_folder = std::move(copy.folder);
    if (Outcome<void> opened = m_db.open(
            m_folder->workingCopy(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, workingCopyBusyMs);
        !opened.ok())
        return opened;
    const Outcome<bool> prepared = prepareWorkingCopy(newBook);
    if (!prepared.ok())
        return prepared.failure();
    // A book that cannot be written is browsed, and a change to it is
    // refused in the engine's words.
    if (!writable)
        std::ignore = m_db.exec(u"PRAGMA query_only=1");
    m_sync
        = std::make_unique<BookSync>(*m_folder,
                                     BookSync::Settings {book, m_folder->workingCopy(), copy.stamp,
                                                         writable, use == Use::Windows},
                                     m_notice);
    if (Outcome<void> started = m_sync->start(newBook || prepared.value()); !started.ok())
        return started;
    // Deleted entries are kept for a while, then forgotten, wherever they
    // were deleted.
    if (writable)
        std::ignore = purgeDeleted(Clock::nowMs() - DeletedEntries::keptMs);
    return {};
}

Outcome<bool> AddressTable::prepareWorkingCopy(bool newBook)
{
    // The working copy is this run's own: a write-ahead log lets a write
    // commit without waiting for the disk twice, and the book is written
    // from it whole. The address index and the companion tables are a help,
    // not a need: a book that cannot take them still opens, and its lists
    // are read from the table itself.
    std::ignore = m_db.exec(u"PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL");
    std::ignore = m_db.exec(u"PRAGMA cache_size=-%1"_s.arg(cacheKiB));
    const Outcome<qint64> schemaBefore = m_db.integer(u"PRAGMA schema_version");
    const sqlite3_int64 changesBefore = sqlite3_total_changes64(m_db.handle());
    if (newBook) {
        SqliteTransaction transaction(m_db);
        for (QStringView sql : {Schema::createTable.view(), createAddressIndex.view()}) {
            if (Outcome<void> made = m_db.exec(sql); !made.ok())
                return made.failure();
        }
        if (Outcome<void> committed = transaction.commit(); !committed.ok())
            return committed.failure();
    }
    m_companions = CompanionTables(m_db.handle()).prepare(&BuildProgress::report).ok();
    // Entries without identities cannot be merged with another copy's.
    if (const Outcome<void> identified = EntryIdentities(m_db).prepare(); !identified.ok())
        return identified.failure();
    const Outcome<qint64> schemaAfter = m_db.integer(u"PRAGMA schema_version");
    return !schemaBefore.ok() || !schemaAfter.ok() || schemaBefore.value() != schemaAfter.value()
        || changesBefore != sqlite3_total_changes64(m_db.handle());
}

} // namespace Larkspan
