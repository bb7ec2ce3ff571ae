#include "exchange/JsonFormat.h"

#include "exchange/TextReader.h"

using namespace Qt::StringLiterals;

namespace Larkspan {

namespace {

constexpr const char *keys[3] = {"Type", "address", "About"};

void appendText(QByteArray &out, const QString &text)
{
    static constexpr char hex[] = "0123456789abcdef";
    out += '"';
    for (const char c : text.toUtf8()) {
        const auto byte = static_cast<uchar>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (byte < 0x20) {
            out += "\\u00";
            out += hex[byte >> 4];
            out += hex[byte & 0xF];
        } else {
            out += c;
        }
    }
    out += '"';
}

// Walks one file; every method that can fail answers false and keeps the
// fault.
class JsonReader : public TextReader
{
public:
    using TextReader::TextReader;

    bool entries(QList<Record> &records)
    {
        if (!expect('[', u"the file is not a JSON array"_s))
            return false;
        if (!peek(']')) {
            do {
                Record record;
                if (!entry(record))
                    return false;
                records.append(std::move(record));
            } while (peek(','));
            if (!expect(']', u"a comma or the array's closing bracket is missing"_s))
                return false;
        }
        skipSpace();
        return m_pos == m_text.size() || failAt(m_pos, u"text after the array"_s);
    }

private:
    bool entry(Record &record)
    {
        skipSpace();
        const qsizetype opening = m_pos;
        if (!expect('{', u"an entry is not an object"_s))
            return false;
        QString *fields[3] = {&record.type, &record.address, &record.about};
        bool seen[3] = {false, false, false};
        if (!peek('}')) {
            do {
                skipSpace();
                const qsizetype keyAt = m_pos;
                QByteArray key;
                if (!text(key))
                    return false;
                int index = 0;
                while (index < 3 && key != keys[index])
                    ++index;
                if (index == 3)
                    return failAt(keyAt, u"unknown key \"%1\""_s.arg(QString::fromUtf8(key)));
                if (seen[index])
                    return failAt(keyAt, u"\"%1\" appears twice"_s.arg(QString::fromUtf8(key)));
                seen[index] = true;
                if (!expect(':', u"a colon is missing after a key"_s))
                    return false;
                skipSpace();
                QByteArray value;
                if (!text(value))
                    return false;
                *fields[index] = QString::fromUtf8(value);
            } while (peek(','));
            if (!expect('}', u"a comma or the entry's closing brace is missing"_s))
                return false;
        }
        for (int i = 0; i < 3; ++i) {
            if (!seen[i])
                return failAt(opening,
                              u"the entry has no \"%1\""_s.arg(QString::fromUtf8(keys[i])));
        }
        return true;
    }

    bool text(QByteArray &out)
    {
        if (m_pos >= m_text.size() || m_text[m_pos] != '"')
            return failAt(m_pos, u"a text in double quotes is expected"_s);
        const qsizetype opening = m_pos++;
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos];
            if (c == '"') {
                ++m_pos;
                return true;
            }
            if (static_cast<uchar>(c) < 0x20)
                return failAt(m_pos, u"a control character inside a text"_s);
            if (c != '\\') {
                out += c;
                ++m_pos;
            } else if (!escape(out)) {
                return false;
            }
        }
        return failAt(opening, u"a text that is never closed"_s);
    }

    bool escape(QByteArray &out)
    {
        const qsizetype at = m_pos++;
        if (m_pos >= m_text.size())
            return failAt(at, u"an escape at the end of the file"_s);
        const char c = m_text[m_pos++];
        switch (c) {
        case '"':
        case '\\':
        case '/':
            out += c;
            return true;
        case 'b':
            out += '\b';
            return true;
        case 'f':
            out += '\f';
            return true;
        case 'n':
            out += '\n';
            return true;
        case 'r':
            out += '\r';
            return true;
        case 't':
            out += '\t';
            return true;
        case 'u':
            break;
        default:
            return failAt(at, u"an unknown escape"_s);
        }
        char32_t point = 0;
        if (!hex4(point))
            return failAt(at, u"a \\u escape needs four hexadecimal digits"_s);
        if (point >= 0xDC00 && point <= 0xDFFF)
            return failAt(at, u"half a surrogate pair, which no entry can hold"_s);
        if (point >= 0xD800 && point <= 0xDBFF) {
            char32_t low = 0;
            if (!m_text.sliced(m_pos).startsWith("\\u"))
                return failAt(at, u"half a surrogate pair, which no entry can hold"_s);
            m_pos += 2;
            if (!hex4(low) || low < 0xDC00 || low > 0xDFFF)
                return failAt(at, u"half a surrogate pair, which no entry can hold"_s);
            point = 0x10000 + ((point - 0xD800) << 10) + (low - 0xDC00);
        }
        out += QStringView(QChar::fromUcs4(point)).toUtf8();
        return true;
    }

    bool hex4(char32_t &point)
    {
        if (m_text.size() - m_pos < 4)
            return false;
        for (int i = 0; i < 4; ++i) {
            const char c = m_text[m_pos++];
            const int digit = c >= '0' && c <= '9' ? c - '0'
                : c >= 'a' && c <= 'f'             ? c - 'a' + 10
                : c >= 'A' && c <= 'F'             ? c - 'A' + 10
                                                   : -1;
            if (digit < 0)
                return false;
            point = point * 16 + char32_t(digit);
        }
        return true;
    }

    void skipSpace()
    {
        while (m_pos < m_text.size()
               && (m_text[m_pos] == ' ' || m_text[m_pos] == '\t' || m_text[m_pos] == '\n'
                   || m_text[m_pos] == '\r'))
            ++m_pos;
    }

    // Passes over white space and then `c` when it comes next.
    bool peek(char c)
    {
        skipSpace();
        if (m_pos < m_text.size() && m_text[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }

    bool expect(char c, const QString &message) { return peek(c) || failAt(m_pos, message); }

    bool failAt(qsizetype offset, const QString &message)
    {
        keepFault(offset, message);
        return false;
    }
};

} // namespace

void JsonFormat::begin(QByteArray &out)
{
    out += '[';
    m_first = true;
}

bool JsonFormat::append(QByteArray &out, const Record &record)
{
    out += m_first ? "\n" : ",\n";
    m_first = false;
    const QString *fields[3] = {&record.type, &record.address, &record.about};
    for (int i = 0; i < 3; ++i) {
        out += i == 0 ? "  {\"" : ", \"";
        out += keys[i];
        out += "\": ";
        appendText(out, *fields[i]);
    }
    out += '}';
    return true;
}

void JsonFormat::end(QByteArray &out)
{
    out += m_first ? "]\n" : "\n]\n";
}

Outcome<ReadEntries> JsonFormat::parse(QByteArrayView content) const
{
    JsonReader reader(content);
    ReadEntries outcome;
    if (!reader.entries(outcome.records))
        return reader.fault();
    return outcome;
}

} // namespace Larkspan
