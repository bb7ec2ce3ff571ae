#pragma once

#include "platform/Outcome.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace Larkspan {

class InputStream;

// JSON read as a stream of tokens, for files of any size: only the text of
// one token is held at a time. The grammar is checked as the tokens come;
// a fault ends the stream (Token::Fault) and fault() tells it with its line.
class JsonPull
{
public:
    enum class Token {
        BeginObject,
        EndObject,
        BeginArray,
        EndArray,
        Key, // text() holds the key
        Text, // text() holds the value, as UTF-8
        Number,
        True,
        False,
        Null,
        End, // after the one value of the file
        Fault,
    };

    explicit JsonPull(InputStream &in);

    Token next();
    const QByteArray &text() const { return m_text; }
    // The line the last token began on.
    qsizetype line() const { return m_tokenLine; }
    // How many objects and arrays are open.
    qsizetype depth() const { return qsizetype(m_open.size()); }
    // After a Key, or where a value starts: passes over that whole value.
    Token skipValue();
    const Failure &fault() const { return m_fault; }
    Token fail(qsizetype line, const QString &message);

private:
    enum class Expect { Value, FirstKeyOrEnd, Key, Colon, CommaOrEnd, FirstValueOrEnd, Nothing };

    Token value(int c);
    Token text(Token kind);
    bool escape();
    bool hex4(char32_t &point);
    Token word(const char *rest, Token kind);
    Token number(int c);
    Token closing(int c);
    void afterValue();
    int skipSpace();

    InputStream &m_in;
    std::vector<char> m_open; // '{' or '['
    Expect m_expect = Expect::Value;
    QByteArray m_text;
    qsizetype m_tokenLine = 1;
    Failure m_fault;
};

} // namespace Larkspan
