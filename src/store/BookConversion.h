#pragma once

#include "platform/Outcome.h"
#include "store/FileFormat.h"

#include <QString>

namespace Larkspan {

// Turns an address book that lies in another format into one of ours, in
// place, before the table opens it (the older Jet files, see store/jet). The
// program installs its conversion as it starts; with none, such a file is
// refused by the book check like any file that is no address book.
class BookConversion
{
public:
    virtual ~BookConversion() = default;

    // Whether a file of this format is this conversion's to take, or to
    // refuse in words of its own.
    virtual bool takes(FileFormat format) const = 0;
    // Converts the book at `path`; a failure says why, and leaves the
    // folder exactly as it was.
    virtual Outcome<void> convert(const QString &path) = 0;

    static void install(BookConversion *conversion);
    static BookConversion *installed();
};

} // namespace Larkspan
