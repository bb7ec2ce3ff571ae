#pragma once

#include "exchange/ExchangeFormat.h"

namespace Larkspan {

// XBEL, the XML Bookmark Exchange Language that KDE's bookmark editor and
// Floccus read and write: folders with a title, bookmarks with an href, a
// title and a description. Written with the same folders, titles and
// descriptions as the browsers' bookmark file.
class XbelFormat : public ExchangeFormat
{
public:
    XbelFormat();
    bool reads(QByteArrayView head) const override;
    bool holdsSignature() const override { return true; }
    // XML says its own encoding.
    bool readsUtf8() const override { return false; }
    Outcome<void> read(const ImportSource &source, EntrySink &sink) const override;
    std::unique_ptr<EntryWriter> writer() const override;
};

} // namespace Larkspan
