#include "exchange/JsonFormat.h"

#include "exchange/InputStream.h"
#include "exchange/JsonPull.h"

using namespace Qt::StringLiterals;
using Token = Larkspan::JsonPull::Token;

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

class JsonWriter : public EntryWriter
{
public:
    void begin(QByteArray &out) override
    {
        out += '[';
        m_first = true;
    }
    bool append(QByteArray &out, const Record &record) override
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
    void end(QByteArray &out) override { out += m_first ? "]\n" : "\n]\n"; }

private:
    bool m_first = true;
};

// One entry, from its opening brace on.
Outcome<Record> entry(JsonPull &json)
{
    const qsizetype opening = json.line();
    Record record;
    QString *fields[3] = {&record.type, &record.address, &record.about};
    bool seen[3] = {false, false, false};
    for (Token token = json.next(); token != Token::EndObject; token = json.next()) {
        if (token == Token::Fault)
            return json.fault();
        const QByteArray key = json.text();
        int index = 0;
        while (index < 3 && key != keys[index])
            ++index;
        if (index == 3)
            return faultAt(json.line(), u"unknown key \"%1\""_s.arg(QString::fromUtf8(key)));
        if (seen[index])
            return faultAt(json.line(), u"\"%1\" appears twice"_s.arg(QString::fromUtf8(key)));
        seen[index] = true;
        token = json.next();
        if (token == Token::Fault)
            return json.fault();
        if (token != Token::Text)
            return faultAt(json.line(), u"a text in double quotes is expected"_s);
        *fields[index] = QString::fromUtf8(json.text());
    }
    for (int i = 0; i < 3; ++i) {
        if (!seen[i])
            return faultAt(opening, u"the entry has no \"%1\""_s.arg(QString::fromUtf8(keys[i])));
    }
    return record;
}

} // namespace

JsonFormat::JsonFormat()
    : ExchangeFormat(u"json"_s,
                     u"Larkspan's JSON, an array of entries with every field exactly as stored"_s,
                     {u"json"_s})
{}

bool JsonFormat::reads(QByteArrayView head) const
{
    return firstCharacter(head) == '[';
}

Outcome<void> JsonFormat::read(const ImportSource &source, EntrySink &sink) const
{
    JsonPull json(source.input);
    if (json.next() != Token::BeginArray)
        return faultAt(json.line(), u"the file is not a JSON array"_s);
    for (Token token = json.next(); token != Token::EndArray; token = json.next()) {
        if (token == Token::Fault)
            return json.fault();
        if (token != Token::BeginObject)
            return faultAt(json.line(), u"an entry is not an object"_s);
        const Outcome<Record> record = entry(json);
        if (!record.ok())
            return record.failure();
        if (!sink.take(ReadEntry::exact(record.value())))
            return Failure {};
    }
    if (json.next() != Token::End)
        return json.fault();
    return {};
}

std::unique_ptr<EntryWriter> JsonFormat::writer() const
{
    return std::make_unique<JsonWriter>();
}

} // namespace Larkspan
