#include "exchange/CsvFormat.h"

#include "exchange/InputStream.h"

#include <QList>

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

class CsvWriter : public EntryWriter
{
public:
    void begin(QByteArray &out) override { out.append(header).append("\r\n"); }
    bool append(QByteArray &out, const Record &record) override
    {
        appendField(out, record.type);
        out += ',';
        appendField(out, record.address);
        out += ',';
        appendField(out, record.about);
        out += "\r\n";
        return true;
    }
    void end(QByteArray &) override {}
};

// Reads the records of one file, one at a time; every method that can fail
// keeps the fault.
class CsvReader
{
public:
    explicit CsvReader(InputStream &in)
        : m_in(in)
    {}

    bool atEnd() { return m_in.peek() < 0; }
    const Failure &fault() const { return m_fault; }

    // The fields of the next record; false on a fault.
    bool record(QList<QString> &fields)
    {
        fields.clear();
        for (;;) {
            QByteArray field;
            if (!(m_in.peek() == '"' ? quotedField(field) : plainField(field)))
                return false;
            fields << QString::fromUtf8(field);
            const int c = m_in.get();
            if (c < 0 || c == '\n')
                return true;
            if (c == '\r' && m_in.peek() == '\n') {
                m_in.get();
                return true;
            }
            if (c != ',')
                return fail(m_in.line(),
                            c == '\r' ? u"a carriage return outside quotes"_s
                                      : u"text after a field's closing quote"_s);
        }
    }

private:
    bool plainField(QByteArray &field)
    {
        for (int c = m_in.peek(); c >= 0 && c != ',' && c != '\n' && c != '\r'; c = m_in.peek()) {
            if (c == '"')
                return fail(m_in.line(), u"a quote inside a field that does not begin with one"_s);
            if (!grow(field, m_in.get()))
                return false;
        }
        return true;
    }

    bool quotedField(QByteArray &field)
    {
        const qsizetype opening = m_in.line();
        m_in.get();
        for (int c = m_in.get(); c >= 0; c = m_in.get()) {
            if (c == '"') {
                if (m_in.peek() != '"')
                    return true;
                m_in.get();
            }
            if (!grow(field, c))
                return false;
        }
        return fail(opening, u"a quoted field that is never closed"_s);
    }

    bool grow(QByteArray &field, int c)
    {
        if (field.size() >= InputStream::longestText)
            return fail(
                m_in.line(),
                u"a field longer than %1"_s.arg(QLatin1StringView(InputStream::longestTextName)));
        field += char(c);
        return true;
    }

    bool fail(qsizetype line, const QString &message)
    {
        m_fault = faultAt(line, message);
        return false;
    }

    InputStream &m_in;
    Failure m_fault;
};

} // namespace

CsvFormat::CsvFormat()
    : ExchangeFormat(u"csv"_s,
                     u"CSV with the header Type,address,About, every field exactly as stored"_s,
                     {u"csv"_s})
{}

bool CsvFormat::reads(QByteArrayView head) const
{
    head = withoutByteOrderMark(head);
    // The reader then insists on the header as it is written.
    return head.size() >= header.size()
        && head.first(header.size()).compare(header, Qt::CaseInsensitive) == 0;
}

Outcome<void> CsvFormat::read(const ImportSource &source, EntrySink &sink) const
{
    source.input.skipByteOrderMark();
    CsvReader reader(source.input);
    QList<QString> fields;
    if (!reader.record(fields) || fields != QList<QString> {u"Type"_s, u"address"_s, u"About"_s})
        return faultAt(1, u"the first line is not Type,address,About"_s);
    while (!reader.atEnd()) {
        const qsizetype line = source.input.line();
        if (!reader.record(fields))
            return reader.fault();
        if (fields.size() != 3)
            return faultAt(line, u"%1 fields where there must be 3"_s.arg(fields.size()));
        if (!sink.take(ReadEntry::exact({fields[0], fields[1], fields[2]})))
            return Failure {};
    }
    return {};
}

std::unique_ptr<EntryWriter> CsvFormat::writer() const
{
    return std::make_unique<CsvWriter>();
}

} // namespace Larkspan
