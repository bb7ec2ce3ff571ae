#include "exchange/ExchangeFormat.h"

#include "exchange/BookmarkFormat.h"
#include "exchange/CsvFormat.h"
#include "exchange/JsonFormat.h"
#include "store/Utf8.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace Larkspan {

namespace {

constexpr QByteArrayView byteOrderMark("\xEF\xBB\xBF");

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
