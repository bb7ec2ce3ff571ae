#pragma once

#include "exchange/ExchangeFormat.h"

namespace Larkspan {

// Firefox's own database of bookmarks, places.sqlite in a profile. It is
// read from a private copy (with its write-ahead log, where the newest
// bookmarks wait), so Firefox may be running: nothing of the browser's is
// written, locked or left beside. The bookmarks menu, the toolbar, other and
// mobile bookmarks give no category, the folders below them do; tags are
// left out.
class PlacesFormat : public ExchangeFormat
{
public:
    PlacesFormat();
    bool reads(QByteArrayView head) const override;
    bool holdsSignature() const override { return true; }
    bool readsUtf8() const override { return false; }
    Outcome<void> read(const ImportSource &source, EntrySink &sink) const override;
};

} // namespace Larkspan
