#pragma once

#include "exchange/ExchangeFormat.h"

namespace Larkspan {

// Chromium's own Bookmarks file (Google Chrome, Brave, Vivaldi and Edge
// write the same): JSON with "roots" for the bookmark bar, other and synced
// bookmarks, which give no category; the folders below them do.
class ChromiumFormat : public ExchangeFormat
{
public:
    ChromiumFormat();
    bool reads(QByteArrayView head) const override;
    Outcome<void> read(const ImportSource &source, EntrySink &sink) const override;
};

} // namespace Larkspan
