#include "exchange/InputStream.h"

#include "exchange/ExchangeFormat.h"

using namespace Qt::StringLiterals;

namespace Larkspan {

namespace {

constexpr qsizetype pieceBytes = qsizetype(1) << 20;

// The offset of the first byte of `text` that does not begin well-formed
// UTF-8, or -1; `tail` gets the length of a character cut off at the end.
qsizetype invalidUtf8At(QByteArrayView text, qsizetype &tail)
{
    tail = 0;
    const auto *bytes = reinterpret_cast<const uchar *>(text.data());
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size;) {
        const uchar c = bytes[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        const int more = c < 0xC2 ? -1 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : c < 0xF5 ? 3 : -1;
        if (more < 0)
            return i;
        // The second byte's range rules out overlong forms, surrogates and
        // what lies beyond U+10FFFF.
        const uchar low = c == 0xE0 ? 0xA0 : c == 0xF0 ? 0x90 : 0x80;
        const uchar high = c == 0xED ? 0x9F : c == 0xF4 ? 0x8F : 0xBF;
        for (int k = 1; k <= more; ++k) {
            if (i + k == size) {
                tail = size - i;
                return -1;
            }
            const uchar next = bytes[i + k];
            if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF))
                return i;
        }
        i += more + 1;
    }
    return -1;
}

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
