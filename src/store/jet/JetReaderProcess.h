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
//
// The reader runs fenced in: it dies with the thread that started it, it
// may use only so much memory and processor time (both scaled to the
// file's size), it writes no files and leaves no core dump; of its messages
// only the last few kilobytes are kept, however much it prints.
Outcome<ReaderOutput> readJetTable(const QString &readerPath, const QString &file,
                                   const QString &table, int timeoutMs);

// How long the reader may take on a file of `fileSize` bytes: a few seconds
// for an address book of ordinary size, more for a large one.
int readerTimeoutMs(qint64 fileSize);

} // namespace Larkspan::JetImport
