#include "exchange/InputStream.h"

#include "exchange/ExchangeFormat.h"
#include "store/Utf8.h"

using namespace Qt::StringLiterals;

namespace Larkspan {

namespace {

constexpr qsizetype pieceBytes = qsizetype(1) << 20;

} // namespace

InputStream::InputStream(QIODevice &device, Text text)
    : m_device(device)
    , m_text(text)
{}

void InputStream::skipByteOrderMark()
{
    if (peek() == 0xEF && m_buffer.sliced(m_pos).startsWith("\xEF\xBB\xBF"))
        m_pos += 3;
}

QByteArrayView InputStream::take()
{
    if (m_pos == m_buffer.size() && !refill())
        return {};
    const QByteArrayView piece = QByteArrayView(m_buffer).sliced(m_pos);
    m_line += piece.count('\n');
    m_pos = m_buffer.size();
    return piece;
}

bool InputStream::refill()
{
    if (m_fault)
        return false;
    m_buffer = std::exchange(m_carry, {});
    m_pos = 0;
    const qsizetype kept = m_buffer.size();
    m_buffer.resize(kept + pieceBytes);
    const qint64 got = m_device.read(m_buffer.data() + kept, pieceBytes);
    if (got < 0) {
        m_buffer.clear();
        m_fault = faultAt(m_linesRead + 1, u"cannot be read: %1"_s.arg(m_device.errorString()));
        return false;
    }
    m_buffer.resize(kept + got);
    if (m_text == Text::Utf8) {
        qsizetype tail = 0;
        qsizetype bad = invalidUtf8At(m_buffer, tail);
        if (bad < 0 && got == 0 && tail > 0) // a character the end of the file cut off
            bad = m_buffer.size() - tail;
        if (bad >= 0) {
            m_buffer.truncate(bad);
            m_fault = faultAt(m_linesRead + 1 + m_buffer.count('\n'), u"not UTF-8 text"_s);
        } else if (got > 0 && tail > 0) {
            m_carry = m_buffer.last(tail);
            m_buffer.chop(tail);
        }
    }
    m_linesRead += m_buffer.count('\n');
    if (m_buffer.isEmpty())
        return got > 0 && !m_fault ? refill() : false;
    return true;
}

} // namespace Larkspan
