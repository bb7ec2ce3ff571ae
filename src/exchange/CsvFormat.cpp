#include "exchange/CsvFormat.h"

#include "exchange/TextReader.h"

using namespace Qt::StringLiterals;

namespace Larkspan {

namespace {

constexpr QByteArrayView header("Type,address,About");

void appendField(QByteArray &out, const QString &field)
{
    const QByteArray text = field.toUtf8();
    bool quoted = false;
    for (const char c : text)
        quoted = quoted || c == ',' || c == '"' || c == '\r' || c == '\n';
    if (!quoted) {
        out += text;
        return;
    }
    out += '"';
    for (const char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

// Reads the records of one file, keeping its position between them.
class CsvReader : public TextReader
{
public:
    using TextReader::TextReader;

    bool atEnd() const { return m_pos >= m_text.size(); }
    qsizetype position() const { return m_pos; }

    // The fields of the record at the current position; on a fault, nothing,
    // and the fault kept.
    std::optional<QList<QString>> record()
    {
        QList<QString> fields;
        for (;;) {
            std::optional<QByteArray> field
                = m_pos < m_text.size() && m_text[m_pos] == '"' ? quotedField() : plainField();
            if (!field)
                return std::nullopt;
            fields << QString::fromUtf8(*field);
            if (atEnd())
                return fields;
            const char c = m_text[m_pos];
            if (c == ',') {
                ++m_pos;
                continue;
            }
            if (c == '\n'
                || (c == '\r' && m_pos + 1 < m_text.size() && m_text[m_pos + 1] == '\n')) {
                m_pos += c == '\r' ? 2 : 1;
                return fields;
            }
            return failAt(m_pos,
                          c == '\r' ? u"a carriage return outside quotes"_s
                                    : u"text after a field's closing quote"_s);
        }
    }

private:
    std::optional<QByteArray> plainField()
    {
        const qsizetype start = m_pos;
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos];
            if (c == ',' || c == '\n' || c == '\r')
                break;
            if (c == '"')
                return failAt(m_pos, u"a quote inside a field that does not begin with one"_s);
            ++m_pos;
        }
        return m_text.sliced(start, m_pos - start).toByteArray();
    }

    std::optional<QByteArray> quotedField()
    {
        const qsizetype opening = m_pos++;
        QByteArray field;
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos++];
            if (c != '"') {
                field += c;
            } else if (m_pos < m_text.size() && m_text[m_pos] == '"') {
                field += '"';
                ++m_pos;
            } else {
                return field;
            }
        }
        return failAt(opening, u"a quoted field that is never closed"_s);
    }

    std::nullopt_t failAt(qsizetype offset, const QString &message)
    {
        keepFault(offset, message);
        return std::nullopt;
    }
};

} // namespace

void CsvFormat::begin(QByteArray &out)
{
    out += header;
    out += "\r\n";
}

bool CsvFormat::append(QByteArray &out, const Record &record)
{
    appendField(out, record.type);
    out += ',';
    appendField(out, record.address);
    out += ',';
    appendField(out, record.about);
    out += "\r\n";
    return true;
}

void CsvFormat::end(QByteArray &) {}

Outcome<ReadEntries> CsvFormat::parse(QByteArrayView content) const
{
    CsvReader reader(content);
    const auto names = reader.record();
    if (!names || *names != QList<QString> {u"Type"_s, u"address"_s, u"About"_s})
        return faultAt(content, 0, u"the first line is not Type,address,About"_s);

    ReadEntries outcome;
    while (!reader.atEnd()) {
        const qsizetype start = reader.position();
        const auto fields = reader.record();
        if (!fields)
            return reader.fault();
        if (fields->size() != 3)
            return faultAt(content, start,
                           u"%1 fields where there must be 3"_s.arg(fields->size()));
        outcome.records.append({fields->at(0), fields->at(1), fields->at(2)});
    }
    return outcome;
}

} // namespace Larkspan
