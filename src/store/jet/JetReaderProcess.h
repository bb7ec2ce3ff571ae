#pragma once

#include "platform/Outcome.h"
#include "store/jet/ReaderOutput.h"

#include <QString>

namespace Larkspan::JetImport {

// Runs larkspan-jet-reader on one table of a Jet file and parses what it
// writes. The reader is a process of its own so that a damaged file which
// crashes or hangs libmdb costs only that process. A crash, a hang past the
// time limit (the reader is then killed), a missing table, a failure to read
// the file whole and output cut short or garbled each come back as a failure
// that tells the user what happened to the file, with the reader's own
// message where it gave one.
Outcome<ReaderOutput> readJetTable(const QString &readerPath, const QString &file,
                                   const QString &table, int timeoutMs);

} // namespace Larkspan::JetImport
