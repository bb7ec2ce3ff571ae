#pragma once

#include "exchange/ExchangeFormat.h"

namespace Larkspan {

// Comma-separated values after RFC 4180, in UTF-8: the header
// "Type,address,About", then one record per entry with every field exactly
// as stored. A field that holds a comma, a quote or a line break is quoted
// (its quotes doubled); records end with CRLF. Reading takes CRLF or LF
// between records and insists on three fields in each.
class CsvFormat : public ExchangeFormat
{
public:
    void begin(QByteArray &out) override;
    bool append(QByteArray &out, const Record &record) override;
    void end(QByteArray &out) override;

protected:
    Outcome<ReadEntries> parse(QByteArrayView content) const override;
};

} // namespace Larkspan
