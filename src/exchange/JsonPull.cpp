#include "exchange/JsonPull.h"

#include "exchange/ExchangeFormat.h"
#include "exchange/InputStream.h"

#include <QStringView>

using namespace Qt::StringLiterals;

namespace Larkspan {

namespace {

// Deeper than any bookmark tree; it keeps a hostile file from costing
// memory without end.
constexpr qsizetype deepest = 10000;

} // namespace

JsonPull::JsonPull(InputStream &in)
    : m_in(in)
{
    m_in.skipByteOrderMark();
}

JsonPull::Token JsonPull::fail(qsizetype line, const QString &message)
{
    m_fault = faultAt(line, message);
    m_expect = Expect::Nothing;
    m_open.clear();
    return Token::Fault;
}

int JsonPull::skipSpace()
{
    int c = m_in.peek();
    while (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
        m_in.get();
        c = m_in.peek();
    }
    return c;
}

void JsonPull::afterValue()
{
    m_expect = m_open.empty() ? Expect::Nothing : Expect::CommaOrEnd;
}

JsonPull::Token JsonPull::next()
{
    if (!m_fault.error.isEmpty())
        return Token::Fault;
    int c = skipSpace();
    m_tokenLine = m_in.line();
    switch (m_expect) {
    case Expect::Nothing:
        return c < 0 ? Token::End : fail(m_tokenLine, u"text after the end"_s);
    case Expect::Colon:
        if (c != ':')
            return fail(m_tokenLine, u"a colon is missing after a key"_s);
        m_in.get();
        c = skipSpace();
        m_tokenLine = m_in.line();
        return value(c);
    case Expect::CommaOrEnd:
        if (c == ',') {
            m_in.get();
            c = skipSpace();
            m_tokenLine = m_in.line();
            if (m_open.back() == '[')
                return value(c);
            m_expect = Expect::Key;
            return c == '"' ? text(Token::Key) : fail(m_tokenLine, u"a key is expected"_s);
        }
        return closing(c);
    case Expect::FirstKeyOrEnd:
        if (c == '}')
            return closing(c);
        return c == '"' ? text(Token::Key) : fail(m_tokenLine, u"a key is expected"_s);
    case Expect::FirstValueOrEnd:
        return c == ']' ? closing(c) : value(c);
    case Expect::Key:
    case Expect::Value:
        return value(c);
    }
    return Token::Fault;
}

JsonPull::Token JsonPull::closing(int c)
{
    const char open = m_open.empty() ? 0 : m_open.back();
    if ((c == '}' && open == '{') || (c == ']' && open == '[')) {
        m_in.get();
        m_open.pop_back();
        afterValue();
        return c == '}' ? Token::EndObject : Token::EndArray;
    }
    if (c < 0)
        return fail(m_tokenLine, u"the file ends inside an object or array"_s);
    return fail(m_tokenLine,
                open == '{' ? u"a comma or the object's closing brace is missing"_s
                            : u"a comma or the array's closing bracket is missing"_s);
}

JsonPull::Token JsonPull::value(int c)
{
    switch (c) {
    case '{':
    case '[':
        if (qsizetype(m_open.size()) >= deepest)
            return fail(m_tokenLine, u"objects nested too deep"_s);
        m_in.get();
        m_open.push_back(char(c));
        m_expect = c == '{' ? Expect::FirstKeyOrEnd : Expect::FirstValueOrEnd;
        return c == '{' ? Token::BeginObject : Token::BeginArray;
    case '"':
        return text(Token::Text);
    case 't':
        return word("true", Token::True);
    case 'f':
        return word("false", Token::False);
    case 'n':
        return word("null", Token::Null);
    case -1:
        return fail(m_tokenLine, u"the file ends where a value should be"_s);
    default:
        if (c == '-' || (c >= '0' && c <= '9'))
            return number(c);
        return fail(m_tokenLine, u"a value is expected"_s);
    }
}

JsonPull::Token JsonPull::word(const char *rest, Token kind)
{
    for (; *rest; ++rest) {
        if (m_in.get() != *rest)
            return fail(m_tokenLine, u"a value is expected"_s);
    }
    afterValue();
    return kind;
}

JsonPull::Token JsonPull::number(int c)
{
    m_text.clear();
    while (c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E' || (c >= '0' && c <= '9')) {
        if (m_text.size() > 64)
            return fail(m_tokenLine, u"a number that never ends"_s);
        m_text += char(m_in.get());
        c = m_in.peek();
    }
    afterValue();
    return Token::Number;
}

JsonPull::Token JsonPull::text(Token kind)
{
    m_in.get();
    m_text.clear();
    for (int c = m_in.get(); c >= 0; c = m_in.get()) {
        if (c == '"') {
            if (kind == Token::Key)
                m_expect = Expect::Colon;
            else
                afterValue();
            return kind;
        }
        if (c < 0x20)
            return fail(m_in.line(), u"a control character inside a text"_s);
        if (m_text.size() >= InputStream::longestText)
            return fail(
                m_tokenLine,
                u"a text longer than %1"_s.arg(QLatin1StringView(InputStream::longestTextName)));
        if (c != '\\')
            m_text += char(c);
        else if (!escape())
            return Token::Fault;
    }
    return fail(m_tokenLine, u"a text that is never closed"_s);
}

bool JsonPull::escape()
{
    const qsizetype line = m_in.line();
    const int c = m_in.get();
    switch (c) {
    case '"':
    case '\\':
    case '/':
        m_text += char(c);
        return true;
    case 'b':
        m_text += '\b';
        return true;
    case 'f':
        m_text += '\f';
        return true;
    case 'n':
        m_text += '\n';
        return true;
    case 'r':
        m_text += '\r';
        return true;
    case 't':
        m_text += '\t';
        return true;
    case 'u':
        break;
    default:
        fail(line, c < 0 ? u"an escape at the end of the file"_s : u"an unknown escape"_s);
        return false;
    }
    const auto refuse = [&](const QString &message) {
        fail(line, message);
        return false;
    };
    const QString half = u"half a surrogate pair, which no entry can hold"_s;
    char32_t point = 0;
    if (!hex4(point))
        return refuse(u"a \\u escape needs four hexadecimal digits"_s);
    if (point >= 0xDC00 && point <= 0xDFFF)
        return refuse(half);
    if (point >= 0xD800 && point <= 0xDBFF) {
        char32_t low = 0;
        if (m_in.get() != '\\' || m_in.get() != 'u' || !hex4(low) || low < 0xDC00 || low > 0xDFFF)
            return refuse(half);
        point = 0x10000 + ((point - 0xD800) << 10) + (low - 0xDC00);
    }
    m_text += QStringView(QChar::fromUcs4(point)).toUtf8();
    return true;
}

bool JsonPull::hex4(char32_t &point)
{
    for (int i = 0; i < 4; ++i) {
        const int c = m_in.get();
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

JsonPull::Token JsonPull::skipValue()
{
    const qsizetype base = depth();
    Token token = next();
    while (depth() > base && token != Token::Fault)
        token = next();
    return token;
}

} // namespace Larkspan
