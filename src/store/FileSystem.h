#pragma once

#include "platform/Outcome.h"

#include <QString>

namespace Larkspan {

// The system's description of an errno value.
QString errnoText(int error);

// Makes what was written to the file or folder at `path` reach the disk.
Outcome<void> syncToDisk(const QString &path);

} // namespace Larkspan
