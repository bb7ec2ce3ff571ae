#include "exchange/ExchangeFormat.h"

#include "exchange/BookmarkFormat.h"
#include "exchange/CsvFormat.h"
#include "exchange/JsonFormat.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace Larkspan {

namespace {

constexpr QByteArrayView byteOrderMark("\xEF\xBB\xBF");

// The offset of the first byte that does not begin well-formed UTF-8:
// overlong forms and surrogates included, since no entry can hold them.
std::optional<qsizetype> invalidUtf8At(QByteArrayView text)
{
    const auto *bytes = reinterpret_cast<const uchar *>(text.data());
    const qsizetype size = text.size();
    qsizetype i = 0;
    while (i < size) {
        const uchar lead = bytes[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        int following = 0;
        char32_t point = 0;
        char32_t smallest = 0;
        if ((lead & 0xE0) == 0xC0) {
            following = 1, point = lead & 0x1F, smallest = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            following = 2, point = lead & 0x0F, smallest = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            following = 3, point = lead & 0x07, smallest = 0x10000;
        } else {
            return i;
        }
        if (size - i <= following)
            return i;
        for (int k = 1; k <= following; ++k) {
            if ((bytes[i + k] & 0xC0) != 0x80)
                return i;
            point = (point << 6) | (bytes[i + k] & 0x3F);
        }
        if (point < smallest || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
            return i;
        i += following + 1;
    }
    return std::nullopt;
}

QByteArrayView withoutByteOrderMark(QByteArrayView content)
{
    return content.startsWith(byteOrderMark) ? content.sliced(byteOrderMark.size()) : content;
}

} // namespace

Failure faultAt(QByteArrayView content, qsizetype offset, const QString &message)
{
    const qsizetype line
        = 1 + content.first(qBound(qsizetype(0), offset, content.size())).count('\n');
    return Failure {u"%1: %2"_s.arg(line).arg(message)};
}

std::unique_ptr<ExchangeFormat> ExchangeFormat::make(Kind kind)
{
    switch (kind) {
    case Kind::Html:
        return std::make_unique<BookmarkFormat>();
    case Kind::Csv:
        return std::make_unique<CsvFormat>();
    case Kind::Json:
        return std::make_unique<JsonFormat>();
    }
    return nullptr;
}

std::optional<ExchangeFormat::Kind> ExchangeFormat::named(const QString &name)
{
    if (name == u"html"_s)
        return Kind::Html;
    if (name == u"csv"_s)
        return Kind::Csv;
    if (name == u"json"_s)
        return Kind::Json;
    return std::nullopt;
}

std::optional<ExchangeFormat::Kind> ExchangeFormat::ofFileName(const QString &fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == u"htm"_s)
        return Kind::Html;
    return named(suffix);
}

ExchangeFormat::Kind ExchangeFormat::ofContent(QByteArrayView content)
{
    for (const char c : withoutByteOrderMark(content)) {
        if (c == '<')
            return Kind::Html;
        if (c == '[')
            return Kind::Json;
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            break;
    }
    return Kind::Csv;
}

Outcome<ReadEntries> ExchangeFormat::read(QByteArrayView content) const
{
    const QByteArrayView text = withoutByteOrderMark(content);
    if (const auto offset = invalidUtf8At(text))
        return faultAt(text, *offset, u"not UTF-8 text"_s);
    return parse(text);
}

} // namespace Larkspan
