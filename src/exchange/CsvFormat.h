#pragma once

#include "exchange/ExchangeFormat.h"

namespace Larkspan {

// Comma-separated values after RFC 4180, in UTF-8: the header
// "Type,address,About", then one record per entry with every field exactly
// as stored. A field that holds a comma, a quote or a line break (a lone
// carriage return too) is quoted, its quotes doubled; records end with
// CRLF. Reading takes CRLF or LF between records and insists on three
// fields in each.
class CsvFormat : public ExchangeFormat
{
public:
    CsvFormat();
    bool reads(QByteArrayView head) const override;
    bool holdsBookmarks() const override { return false; }
    Outcome<void> read(const ImportSource &source, EntrySink &sink) const override;
    std::unique_ptr<EntryWriter> writer() const override;
};

} // namespace Larkspan
