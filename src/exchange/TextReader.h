#pragma once

#include "exchange/ExchangeFormat.h"

namespace Larkspan {

// What the CSV and JSON readers share: the text, where they stand in it, and
// the first fault they meet, told with the line that holds it.
class TextReader
{
public:
    explicit TextReader(QByteArrayView text)
        : m_text(text)
    {}

    const Failure &fault() const { return m_fault; }

protected:
    void keepFault(qsizetype offset, const QString &message)
    {
        m_fault = faultAt(m_text, offset, message);
    }

    QByteArrayView m_text;
    qsizetype m_pos = 0;

private:
    Failure m_fault;
};

} // namespace Larkspan
