#pragma once

#include <QString>

namespace Larkspan {

// Where larkspan-jet-reader is, found from the running program's own place:
// beside it in the build tree, or in the libexec folder of the installation
// the program belongs to, whatever its prefix.
QString jetReaderPath();

} // namespace Larkspan
