#pragma once

#include "platform/Outcome.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QIODevice>

#include <optional>

namespace Larkspan {

// The bytes of a file as an import reads them: a piece at a time, never
// the whole file, with the line it has reached. Text is checked as UTF-8
// on its way in: at the first byte that is not (overlong forms and
// surrogates included, which no entry can hold), or when the file cannot be
// read, the input ends early and fault() tells why, with the line.
class InputStream
{
public:
    // The longest field, line or piece of text any reader takes, so that
    // an endless or absurd input is refused long before memory runs out.
    static constexpr qsizetype longestText = qsizetype(16) << 20;
    static constexpr char longestTextName[] = "16 MiB";

    enum class Text { Utf8, Bytes };
    InputStream(QIODevice &device, Text text);

    // The next byte, or -1 at the end.
    int peek() { return m_pos < m_buffer.size() || refill() ? uchar(m_buffer[m_pos]) : -1; }
    int get()
    {
        const int c = peek();
        if (c >= 0) {
            ++m_pos;
            m_line += c == '\n' ? 1 : 0;
        }
        return c;
    }
    // All that is buffered, taken at once (the next piece read when none
    // is); empty at the end.
    QByteArrayView take();
    // The line of the next byte, from 1.
    qsizetype line() const { return m_line; }
    void skipByteOrderMark();
    const std::optional<Failure> &fault() const { return m_fault; }

private:
    bool refill();

    QIODevice &m_device;
    Text m_text;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    qsizetype m_line = 1;
    QByteArray m_carry; // the start of a character the last piece cut
    qsizetype m_linesRead = 0; // line breaks in everything handed out
    std::optional<Failure> m_fault;
};

} // namespace Larkspan
