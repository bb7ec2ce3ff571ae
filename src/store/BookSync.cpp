#include "store/BookSync.h"

#include "store/BookCheck.h"
#include "store/BookFiles.h"
#include "store/BookImage.h"
#include "store/BookMerge.h"
#include "store/ConflictCopies.h"
#include "store/EntryIdentities.h"
#include "store/FileSystem.h"
#include "store/Schema.h"
#include "store/StateFolder.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTextStream>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace Larkspan {

namespace {

// How often the book is looked at while nothing happens here, and how long
// a change waits for the next one before the book is written.
constexpr auto lookEvery = 1000ms;
constexpr auto settle = 250ms;
// How long a book that could not be written waits for the next try.
constexpr auto retryAfter = 5s;
// A merge holds the working copy for its length; the windows wait for it.
constexpr int workingCopyBusyMs = 60000;

// An image and whatever SQLite kept beside it.
void removeDatabase(const QString &path)
{
    const QFileInfo image(path);
    removeFilesStartingWith(image.absolutePath(), image.fileName());
}

// The line a told file is remembered by: it is told again once it changes.
QString toldLine(const QString &file)
{
    const QFileInfo info(file);
    return u"%1\t%2\t%3"_s.arg(info.fileName())
        .arg(info.size())
        .arg(info.lastModified().toMSecsSinceEpoch());
}

} // namespace

BookSync::BookSync(StateFolder &folder, Settings settings, Notice notice)
    : m_folder(folder)
    , m_settings(std::move(settings))
    , m_notice(std::move(notice))
    , m_seen(m_settings.seen)
{
    std::ignore
        = m_connection.open(m_settings.workingCopy, SQLITE_OPEN_READWRITE, workingCopyBusyMs);
}

BookSync::~BookSync()
{
    std::ignore = finish();
}

Outcome<void> BookSync::start(bool bookBehind)
{
    if (!m_connection.isOpen())
        return m_connection.failure();
    const std::lock_guard work(m_work);
    if (m_settings.writable) {
        const StateFolder::BookLock lock(m_folder);
        BookImage::removeLeftovers(m_settings.book);
        takeEndedRuns();
        takeConflictCopies();
    }
    if (bookBehind)
        owe();
    if (!m_settings.live)
        return {}; // all goes into the book at once, when the run finishes
    if (m_settings.writable && owing()) {
        if (Outcome<void> published = publish(); !published.ok())
            return published;
    }
    m_thread = std::thread(&BookSync::watch, this);
    return {};
}

Outcome<void> BookSync::finish()
{
    {
        const std::lock_guard state(m_state);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
    if (!m_connection.isOpen())
        return {};
    Outcome<void> done;
    {
        const std::lock_guard work(m_work);
        if (m_settings.writable && owing())
            done = publish();
    }
    if (owing())
        m_folder.keep();
    m_connection.close();
    return done;
}

void BookSync::owe()
{
    const std::lock_guard state(m_state);
    ++m_changes;
    if (!m_due)
        m_due = Clock::now() + settle;
    m_wake.notify_all();
}

bool BookSync::owing()
{
    const std::lock_guard state(m_state);
    return m_changes != m_published;
}

void BookSync::changed()
{
    owe();
}

void BookSync::catchUp()
{
    const std::optional<FileStamp> now = FileStamp::of(m_settings.book);
    {
        const std::lock_guard state(m_state);
        if (now == m_seen || (now && now == m_refused))
            return;
    }
    const std::lock_guard work(m_work);
    std::ignore = bringIn();
}

Outcome<void> BookSync::publishNow()
{
    const std::lock_guard work(m_work);
    return round(true);
}

void BookSync::watch()
{
    std::unique_lock state(m_state);
    auto nextLook = Clock::now() + lookEvery;
    while (!m_stopping) {
        const auto deadline = m_due ? std::min(*m_due, nextLook) : nextLook;
        m_wake.wait_until(state, deadline, [&] {
            return m_stopping || Clock::now() >= deadline || (m_due && *m_due < deadline);
        });
        if (m_stopping)
            break;
        const bool due = m_due && Clock::now() >= *m_due;
        state.unlock();
        Outcome<void> done;
        {
            const std::lock_guard work(m_work);
            done = round(due);
        }
        state.lock();
        if (!done.ok() && m_due)
            m_due = Clock::now() + retryAfter;
        nextLook = Clock::now() + lookEvery;
    }
}

Outcome<void> BookSync::round(bool publishing)
{
    Outcome<void> done = bringIn();
    if (m_settings.writable)
        takeConflictCopies();
    if (done.ok() && publishing && m_settings.writable && owing())
        done = publish();
    return done;
}

bool BookSync::bookBusy() const
{
    // A write-ahead log beside the book: another program holds it open in
    // that mode, or one that did was cut off, and SQLite's recovery folds it in.
    const QString log = BookFiles::writeAheadLog(m_settings.book);
    if (!QFileInfo::exists(log))
        return false;
    std::ignore = BookCheck::recover(m_settings.book);
    return QFileInfo::exists(log);
}

Outcome<void> BookSync::bringIn(bool held)
{
    const std::optional<FileStamp> stamp = FileStamp::of(m_settings.book);
    {
        const std::lock_guard state(m_state);
        if (stamp == m_seen || (stamp && stamp == m_refused))
            return {};
        if (!stamp) {
            // The book went: it is written anew from the working copy.
            m_seen.reset();
        }
    }
    if (!stamp) {
        if (m_settings.writable)
            owe();
        return {};
    }
    if (bookBusy())
        return Failure {u"%1 is in use by another program"_s.arg(m_settings.book)};
    return takeIn(m_settings.book, true, nullptr, held);
}

Outcome<void> BookSync::takeIn(const QString &file, bool fromBook, bool *copyUsable, bool held)
{
    const std::optional<FileStamp> before = FileStamp::of(file);
    const QString image = m_folder.newImagePath();
    const auto removeImage = qScopeGuard([&image] { removeDatabase(image); });
    const auto unusable = [&](const Failure &failure) -> Outcome<void> {
        if (copyUsable)
            *copyUsable = false;
        if (fromBook) {
            // Another program put something that is no address book in the
            // book's place: it is neither merged nor written over.
            {
                const std::lock_guard state(m_state);
                m_refused = before;
            }
            tell(file);
        }
        return failure;
    };
    if (Outcome<void> read
        = BookImage::read(file, image, held ? BookFiles::readOnlyUri(file) : QString());
        !read.ok())
        return fromBook ? read : unusable(read.failure());
    if (Outcome<void> checked = BookCheck::run(image); !checked.ok())
        return unusable(checked.failure());
    {
        SqliteConnection theirs;
        if (Outcome<void> opened = theirs.open(image, SQLITE_OPEN_READWRITE, 0); !opened.ok())
            return unusable(opened.failure());
        if (Outcome<void> identified = EntryIdentities(theirs).prepare(); !identified.ok())
            return unusable(identified.failure());
    }
    const Outcome<MergeOutcome> merged = mergeBook(m_connection, image, fromBook);
    if (!merged.ok())
        return merged.failure();
    if (fromBook ? merged.value().theirsLacks : merged.value().oursChanged)
        owe();
    if (fromBook && FileStamp::of(file) == before) {
        const std::lock_guard state(m_state);
        m_seen = before;
    }
    return {};
}

void BookSync::takeConflictCopies()
{
    for (const QString &copy : ConflictCopies::beside(m_settings.book)) {
        bool usable = true;
        const Outcome<void> taken = takeIn(copy, false, &usable);
        if (taken.ok())
            QFile::remove(copy);
        else if (!usable)
            tell(copy);
    }
}

void BookSync::takeEndedRuns()
{
    for (const QString &ended : m_folder.endedRuns()) {
        if (takeIn(ended, false).ok())
            m_folder.removeRun(ended);
    }
}

void BookSync::tell(const QString &file)
{
    const QString line = toldLine(file);
    if (m_toldNow.contains(line))
        return;
    m_toldNow << line;
    QFile told(m_folder.toldList());
    if (told.open(QIODevice::ReadOnly | QIODevice::Text)) {
        QTextStream lines(&told);
        while (!lines.atEnd()) {
            if (lines.readLine() == line)
                return;
        }
        told.close();
    }
    if (told.open(QIODevice::Append | QIODevice::Text))
        told.write((line + u'\n').toUtf8());
    if (m_notice)
        m_notice(u"%1 lies beside the address book, but it is no address book Larkspan can"
                 u" use, so it was left as it is."_s.arg(QFileInfo(file).fileName()));
}

Outcome<void> BookSync::publish()
{
    if (bookBusy())
        return Failure {u"%1 is in use by another program"_s.arg(m_settings.book)};
    const StateFolder::BookLock lock(m_folder);
    // No other program may be writing to the book in place while it is
    // replaced: this connection holds it for writing meanwhile. Nothing but
    // SQLite may open the book meanwhile: closing a descriptor of it would
    // drop the connection's lock.
    SqliteConnection holder;
    if (QFileInfo::exists(m_settings.book) && !BookFiles::inWalMode(m_settings.book)) {
        if (Outcome<void> opened
            = holder.open(m_settings.book, SQLITE_OPEN_READWRITE, Schema::busyTimeoutMs);
            !opened.ok())
            return opened;
        if (Outcome<void> held = holder.exec(u"BEGIN IMMEDIATE"); !held.ok())
            return held;
    }
    if (Outcome<void> caughtUp = bringIn(holder.isOpen()); !caughtUp.ok())
        return caughtUp;
    quint64 changes = 0;
    {
        const std::lock_guard state(m_state);
        if (m_refused && m_refused == FileStamp::of(m_settings.book))
            return Failure {
                u"%1 was replaced by a file that is no address book"_s.arg(m_settings.book)};
        changes = m_changes;
    }
    const QString image = m_folder.newImagePath();
    const auto removeImage = qScopeGuard([&image] { removeDatabase(image); });
    if (Outcome<void> copied = BookImage::copy(m_connection.handle(), image); !copied.ok())
        return copied;
    // What replaces the book passes the check a book passes before it is used.
    if (Outcome<void> checked = BookCheck::run(image); !checked.ok())
        return checked;
    const Outcome<QString> displaced = BookImage::replace(image, m_settings.book);
    if (!displaced.ok())
        return displaced.failure();
    const std::optional<FileStamp> written = FileStamp::of(m_settings.book);
    // The lock was on the file that is now displaced.
    holder.close();
    std::optional<FileStamp> expected;
    {
        const std::lock_guard state(m_state);
        expected = m_seen;
        m_seen = written;
        m_published = changes;
        m_due.reset();
    }
    if (!displaced.value().isEmpty()) {
        // A sync tool may have put another version in place between the
        // look above and the exchange: it is merged, and written again.
        if (FileStamp::of(displaced.value()) != expected)
            std::ignore = takeIn(displaced.value(), false);
        QFile::remove(displaced.value());
    }
    return {};
}

} // namespace Larkspan
