#include "exchange/JsonFormat.h"

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

void appendUtf8(QByteArray &out, char32_t point)
{
    if (point < 0x80) {
        out += char(point);
    } else if (point < 0x800) {
        out += char(0xC0 | (point >> 6));
        out += char(0x80 | (point & 0x3F));
    } else if (point < 0x10000) {
        out += char(0xE0 | (point >> 12));
        out += char(0x80 | ((point >> 6) & 0x3F));
        out += char(0x80 | (point & 0x3F));
    } else {
        out += char(0xF0 | (point >> 18));
        out += char(0x80 | ((point >> 12) & 0x3F));
        out += char(0x80 | ((point >> 6) & 0x3F));
        out += char(0x80 | (point & 0x3F));
    }
}

// Walks one file; every method that can fail answers false and leaves the
// fault's offset and description behind.
class JsonReader
{
public:
    explicit JsonReader(QByteArrayView content)
        : m_text(content)
    {}

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

    qsizetype faultOffset() const { return m_faultOffset; }
    const QString &fault() const { return m_fault; }

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
        appendUtf8(out, point);
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
        m_faultOffset = offset;
        m_fault = message;
        return false;
    }

    QByteArrayView m_text;
    qsizetype m_pos = 0;
    qsizetype m_faultOffset = 0;
    QString m_fault;
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
        return faultAt(content, reader.faultOffset(), reader.fault());
    return outcome;
}

} // namespace Larkspan
