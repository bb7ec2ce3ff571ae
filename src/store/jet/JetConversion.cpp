#include "store/jet/JetConversion.h"

#include "store/jet/JetImport.h"
#include "store/jet/ReaderLocation.h"

namespace Larkspan::JetImport {

bool JetConversion::takes(FileFormat format) const
{
    switch (format) {
    case FileFormat::Jet3:
    case FileFormat::Jet4:
    case FileFormat::Ace:
    case FileFormat::NotARegularFile:
    case FileFormat::Unreadable:
        return true;
    case FileFormat::Missing:
    case FileFormat::SQLite:
    case FileFormat::Unknown:
        break;
    }
    return false;
}

Outcome<void> JetConversion::convert(const QString &path)
{
    return convertInPlace(path, jetReaderPath());
}

} // namespace Larkspan::JetImport
