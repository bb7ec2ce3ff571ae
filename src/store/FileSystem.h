#pragma once

#include "platform/Outcome.h"

#include <QString>

namespace Larkspan {

// The system's description of an errno value.
QString errnoText(int error);

// Makes what was written to the file or folder at `path` reach the disk.
Outcome<void> syncToDisk(const QString &path);

// Removes the files in `folder` whose names begin with `prefix`: what an
// interrupted replacement or conversion left there.
void removeFilesStartingWith(const QString &folder, const QString &prefix);

} // namespace Larkspan
