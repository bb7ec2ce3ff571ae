#pragma once

#include "exchange/ExchangeFormat.h"

namespace Larkspan {

// Larkspan's own JSON: an array of objects with the keys "Type", "address"
// and "About", each a text, one object per entry. Reading takes exactly that
// shape and says on which line it is broken; a \u escape of half a surrogate
// pair is refused, since no entry can hold one.
class JsonFormat : public ExchangeFormat
{
public:
    JsonFormat();
    bool reads(QByteArrayView head) const override;
    bool holdsBookmarks() const override { return false; }
    Outcome<void> read(const ImportSource &source, EntrySink &sink) const override;
    std::unique_ptr<EntryWriter> writer() const override;
};

} // namespace Larkspan
