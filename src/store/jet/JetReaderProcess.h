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
struct ReaderError
{
    enum class Kind {
        NotStarted, // the reader program is missing or cannot run
        Crashed, // it ended by a signal
        TimedOut, // it ran past the time limit and was killed
        NoSuchTable, // the file holds no table of that name
        Unreadable, // it reported that the file cannot be read whole
        BadOutput, // its output is cut short or garbled
    };
    Kind kind;
    QString detail; // the reader's own message, or what went wrong
};

std::variant<ReaderOutput, ReaderError> readJetTable(const QString &readerPath, const QString &file,
                                                     const QString &table, int timeoutMs);

} // namespace Larkspan::JetImport
