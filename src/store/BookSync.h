#pragma once

#include "platform/Outcome.h"
#include "store/FileStamp.h"
#include "store/SqliteConnection.h"

#include <QSet>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace Larkspan {

class StateFolder;

// Keeps the book and this run's working copy of it in step (docs/sync.md).
// Changes made here reach the book within a moment of being made, as a
// whole new book put in its place; changes made elsewhere (a sync tool
// delivering another machine's copy, a restored backup, another Larkspan,
// the sqlite3 tool) are noticed and merged in, and so are the conflict
// copies that sync tools leave beside the book. Nothing of ours is ever
// written to the book in place or left beside it.
//
// While it runs live, a thread of its own watches the book and publishes
// changes; otherwise (the command line) it publishes when it finishes.
class BookSync
{
public:
    struct Settings
    {
        QString book; // the book's real path, links followed
        QString workingCopy;
        std::optional<FileStamp> seen; // the book's version the working copy holds
        bool writable = true; // whether the book may be replaced
        bool live = true;
    };
    // Told what the user should hear of (a conflict copy that is no book),
    // from whichever thread found it.
    using Notice = std::function<void(const QString &text)>;

    BookSync(StateFolder &folder, Settings settings, Notice notice);
    ~BookSync();
    BookSync(const BookSync &) = delete;
    BookSync &operator=(const BookSync &) = delete;

    // Takes in what runs that ended unfinished left, and the conflict
    // copies beside the book; writes the book when the working copy holds
    // more than it; then, when live, starts watching.
    Outcome<void> start(bool bookBehind);
    // Stops watching and writes what the book still lacks. A failure means
    // the working copy still holds changes the book lacks: it is kept, and
    // the next start takes them in.
    Outcome<void> finish();

    // Before a write to the working copy, and before the lists are built
    // afresh: a book changed meanwhile is merged in first, so that the write
    // applies to what is there now and the lists show it.
    void catchUp();
    // After a write: the book gets it within a moment.
    void changed();
    // Merges and writes now, whatever is due.
    Outcome<void> publishNow();

private:
    using Clock = std::chrono::steady_clock;

    void watch();
    Outcome<void> round(bool publish);
    // `held`: the book is held for writing by this run meanwhile, and must
    // be read without a look at the file first.
    Outcome<void> bringIn(bool held = false);
    Outcome<void> takeIn(const QString &file, bool fromBook, bool *copyUsable = nullptr,
                         bool held = false);
    void takeConflictCopies();
    void takeEndedRuns();
    Outcome<void> publish();
    void tell(const QString &file);
    bool bookBusy() const;
    // A change the book lacks, to be written within a moment.
    void owe();
    bool owing();

    StateFolder &m_folder;
    Settings m_settings;
    Notice m_notice;
    SqliteConnection m_connection; // on the working copy, for merges and images

    std::mutex m_work; // one merge or publication at a time
    std::mutex m_state; // what follows, between the threads
    std::condition_variable m_wake;
    std::optional<FileStamp> m_seen;
    // Changes the book lacks: counted as they are made, and the count the
    // book has been written with.
    quint64 m_changes = 0;
    quint64 m_published = 0;
    std::optional<Clock::time_point> m_due;
    bool m_stopping = false;
    std::optional<FileStamp> m_refused; // a book that is no usable book
    QSet<QString> m_toldNow;
    std::thread m_thread;
};

} // namespace Larkspan
