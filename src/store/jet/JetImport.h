#pragma once

#include "platform/Outcome.h"

#include <QString>

#include <functional>

namespace Larkspan::JetImport {

// The points a conversion passes, in order. A test may stop the process at
// any of them to check that the directory is sound at that moment.
enum class Step {
    TableRead, // the reader is done; nothing written yet
    TempFileStarted, // the new file exists beside the old one, half written
    TempFileWritten, // the new file is complete, checked and on disk
    OldFileKept, // the old file has its second name (".jet", ...)
    NewFileInPlace, // the new file has replaced the old one under its name
};

struct Options
{
    // How long the reader may run; unset: a few seconds, more for a large
    // file (readerTimeoutMs() of its size).
    std::optional<int> readerTimeoutMs;
    std::function<void(Step)> onStep; // called as each step is reached
};

// Converts the Jet 3 or Jet 4 address book at `databasePath` into our own
// format in place, reading it with the program at `readerPath`. Succeeds
// also when the file is already in our format; a failure carries a message
// for the user that says why not, and the directory is then exactly as it
// was. The old file is kept, byte for byte, as "<name>.jet" (or
// "<name>.jet.1", ".jet.2", ... when that name is taken). At every moment,
// the name `databasePath` holds either the old file or the complete new one.
Outcome<void> convertInPlace(const QString &databasePath, const QString &readerPath,
                             const Options &options = {});

} // namespace Larkspan::JetImport
