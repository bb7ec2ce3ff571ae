#pragma once

#include "store/jet/ReaderOutput.h"

#include <QString>

#include <variant>

namespace Larkspan::JetImport {

// Runs larkspan-jet-reader on one table of a Jet file and parses what it
// writes. The reader is a process of its own so that a damaged file which
// crashes or hangs libmdb costs only that process: a crash, a hang past the
// time limit (the reader is then killed) and a failure to read the file
// whole each come back as a ReaderError.
//
// The reader runs fenced in: it dies with the thread that started it, it
// may use only so much memory and processor time (both scaled to the
// file's size), it writes no files and leaves no core dump; of its messages
// only the last few kilobytes are kept, however much it prints.
struct ReaderError
{
    enum class Kind {
        NotStarted, // the reader program is missing or cannot run
        Crashed, // it ended by a signal (also when it ran out of its limits)
        TimedOut, // it ran past the time limit and was killed
        NoSuchTable, // the file holds no table of that name
        Unreadable, // it reported that the file cannot be read whole
        BadOutput, // its output is cut short, garbled or larger than it can be
    };
    Kind kind;
    QString detail; // the reader's own message, or what went wrong
};

// How long the reader may take on a file of `fileSize` bytes: a few seconds
// for an address book of ordinary size, more for a large one.
int readerTimeoutMs(qint64 fileSize);

std::variant<ReaderOutput, ReaderError> readJetTable(const QString &readerPath, const QString &file,
                                                     const QString &table, int timeoutMs);

} // namespace Larkspan::JetImport
