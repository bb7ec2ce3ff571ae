#pragma once

#include "exchange/ExchangeFormat.h"

namespace Larkspan {

// A JSON array of objects with the keys "Type", "address" and "About",
// each a text, one object per entry. Reading takes exactly that shape and
// says on which line it is broken; a \u escape of half a surrogate pair is
// refused, since no entry can hold one.
class JsonFormat : public ExchangeFormat
{
public:
    void begin(QByteArray &out) override;
    bool append(QByteArray &out, const Record &record) override;
    void end(QByteArray &out) override;

protected:
    Outcome<ReadEntries> parse(QByteArrayView content) const override;

private:
    bool m_first = true;
};

} // namespace Larkspan
