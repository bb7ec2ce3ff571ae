#pragma once

#include "exchange/ExchangeFormat.h"

namespace Larkspan {

// The bookmark file every browser exports and imports
// ("<!DOCTYPE NETSCAPE-Bookmark-file-1>"), buku's too. Written: a folder for
// each category in order of first appearance ("A / B" as B inside A;
// entries without a category outside any folder), each entry a bookmark
// titled and described as BookmarkText says. Read: see NetscapeReader.
class NetscapeFormat : public ExchangeFormat
{
public:
    NetscapeFormat();
    bool reads(QByteArrayView head) const override;
    Outcome<void> read(const ImportSource &source, EntrySink &sink) const override;
    std::unique_ptr<EntryWriter> writer() const override;
};

} // namespace Larkspan
