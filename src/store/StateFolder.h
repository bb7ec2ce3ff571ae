#pragma once

#include "platform/Outcome.h"

#include <QString>
#include <QStringList>

namespace Larkspan {

// The program's private room for one address book, in the user's state
// folder ($XDG_STATE_HOME, else ~/.local/state), never beside the book:
//
//   larkspan/books/<key of the book's path>/
//     lock              held while a Larkspan replaces the book or tidies up
//     told              conflict copies the user has been told about
//     <one per run>/    a running Larkspan's working copy and its images
//
// A run holds a lock on its own working copy for as long as it lives, so a
// working copy nobody holds is one that a run ended without finishing
// (killed, or the power gone): its changes are merged into the book at the
// next start, and its folder goes.
class StateFolder
{
public:
    StateFolder() = default;
    ~StateFolder();
    StateFolder(const StateFolder &) = delete;
    StateFolder &operator=(const StateFolder &) = delete;

    // Makes this run's folder for the book at `bookPath` (its real path).
    Outcome<void> create(const QString &bookPath);
    // Removes this run's folder and everything in it.
    void remove();
    // Lets the folder stay when the run ends: it holds changes that did not
    // reach the book.
    void keep() { m_keep = true; }

    QString workingCopy() const;
    // A new name for an image of a database, in this run's folder.
    QString newImagePath();
    // The working copies of runs that are over, each locked for the caller
    // until release(); removeRun() then takes one away.
    QStringList endedRuns();
    void removeRun(const QString &workingCopy);
    QString toldList() const;

    // Holds the book's lock (flock) for its life: one Larkspan at a time
    // replaces the book or tidies its folder on this machine.
    class BookLock
    {
    public:
        explicit BookLock(const StateFolder &folder);
        ~BookLock();
        BookLock(const BookLock &) = delete;
        BookLock &operator=(const BookLock &) = delete;

    private:
        int m_fd = -1;
    };

private:
    QString m_bookFolder; // .../books/<key>
    QString m_runFolder;
    int m_runLock = -1;
    QList<int> m_endedLocks;
    int m_images = 0;
    bool m_keep = false;
};

} // namespace Larkspan
