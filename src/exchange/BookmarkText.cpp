#include "exchange/BookmarkText.h"

#include "exchange/BookmarkLink.h"

using namespace Qt::StringLiterals;

namespace Larkspan {

namespace {

const QString separator = u" / "_s;

} // namespace

QString BookmarkText::folded(QStringView text)
{
    text = text.trimmed();
    if (!text.contains(u'\t') && !text.contains(u"  "))
        return text.toString();
    QString out;
    out.reserve(text.size());
    bool space = false;
    for (const QChar c : text) {
        if (c == u' ' || c == u'\t') {
            space = true;
            continue;
        }
        if (std::exchange(space, false))
            out += u' ';
        out += c;
    }
    return out;
}

QStringView BookmarkText::firstNonEmptyLine(QStringView text)
{
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        const QStringView line = text.sliced(start, end - start);
        if (!line.trimmed().isEmpty())
            return line;
        start = end + 1;
    }
    return {};
}

QString BookmarkText::titleOf(const Record &record)
{
    const QStringView line = firstNonEmptyLine(record.about);
    return line.isEmpty() ? record.address : line.toString();
}

std::optional<QString> BookmarkText::descriptionOf(const Record &record, const QString &title)
{
    if (record.about.isEmpty() || record.about == title)
        return std::nullopt;
    return record.about;
}

QString BookmarkText::informationOf(const QString &title, const std::optional<QString> &description)
{
    if (!description)
        return title;
    if (title.isEmpty() || folded(firstNonEmptyLine(*description)) == folded(title))
        return *description;
    return title + u'\n' + *description;
}

bool BookmarkText::repeatsTheAddress(const QString &title, const QString &href,
                                     const QString &address)
{
    if (title.isEmpty() || title == href || title == address)
        return true;
    // Words are no address; only a title that could be one is compared.
    if (title.contains(u' ') && !address.contains(u' '))
        return false;
    return BookmarkLink::pageOf(title) == BookmarkLink::pageOf(address);
}

bool BookmarkText::hand(EntrySink &sink, const QString &category, const QString &href,
                        const QString &title, const std::optional<QString> &description,
                        const QStringList &tags)
{
    const BookmarkLink::Stored link = BookmarkLink::stored(href);
    if (link.address.isEmpty()) {
        sink.skip(link.leftOut);
        return true;
    }
    const QString shown = repeatsTheAddress(title, href, link.address) ? QString() : title;
    return sink.take(ReadEntry::ofBookmark(
        {category, link.address, informationOf(shown, description)}, shown, tags));
}

QStringList BookmarkText::foldersOf(const QString &category)
{
    return category.isEmpty() ? QStringList() : category.split(separator);
}

QString BookmarkText::categoryOf(const QStringList &folders)
{
    QStringList named;
    for (const QString &folder : folders) {
        if (!folder.isEmpty())
            named << folder;
    }
    return named.join(separator);
}

} // namespace Larkspan
