#include "exchange/BookmarkIndex.h"

#include "exchange/BookmarkLink.h"
#include "exchange/BookmarkText.h"
#include "store/AddressTable.h"

#include <QHashFunctions>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace Larkspan {

namespace {

// How much of an entry's first line is kept.
constexpr qsizetype keptStart = 64;
constexpr size_t seed = 0x51ed270b;

size_t hashOf(QStringView text)
{
    return qHash(text, seed);
}

// The key of a category (or buku's tags, marked so) and a page.
size_t keyOf(QChar mark, const QString &category, const QString &page)
{
    return hashOf(QString(mark + category + u'\x1f' + page));
}

QString tagsKey(QStringList tags)
{
    for (QString &tag : tags)
        tag = BookmarkText::folded(tag).toLower();
    tags.removeDuplicates();
    tags.sort();
    return tags.join(u',');
}

} // namespace

Outcome<BookmarkIndex> BookmarkIndex::of(AddressTable &table, bool withTags)
{
    BookmarkIndex index;
    const Outcome<void> read = table.forEach(AddressTable::Order::Records, [&](const Record &r) {
        index.add(r, withTags);
        return true;
    });
    if (!read.ok())
        return read.failure();
    std::sort(index.m_held.begin(), index.m_held.end(),
              [](const Held &a, const Held &b) { return a.key < b.key; });
    return index;
}

void BookmarkIndex::add(const Record &record, bool withTags)
{
    const QString line = BookmarkText::folded(BookmarkText::firstNonEmptyLine(record.about));
    const QString page = BookmarkLink::pageOf(record.address);
    Held held;
    held.about = hashOf(record.about);
    held.line = hashOf(line);
    held.lineLength = line.size();
    held.start = m_starts.size();
    held.startLength = qMin(line.size(), keptStart);
    m_starts += QStringView(line).first(held.startLength);

    held.key = keyOf(u'c', BookmarkText::folded(record.type), page);
    m_held.push_back(held);
    if (!withTags)
        return;
    const QStringList folders = BookmarkText::foldersOf(record.type);
    if (folders.isEmpty())
        return;
    held.key = keyOf(u't', tagsKey({folders.last()}), page);
    m_held.push_back(held);
    if (folders.size() > 1) {
        held.key = keyOf(u't', tagsKey(folders), page);
        m_held.push_back(held);
    }
}

bool BookmarkIndex::holds(const ReadEntry &entry) const
{
    const QString page = BookmarkLink::pageOf(entry.record.address);
    if (entry.tags.isEmpty())
        return matches(keyOf(u'c', BookmarkText::folded(entry.record.type), page), entry);
    return matches(keyOf(u't', tagsKey(entry.tags), page), entry);
}

bool BookmarkIndex::matches(size_t key, const ReadEntry &entry) const
{
    const auto [first, last]
        = std::equal_range(m_held.begin(), m_held.end(), Held {key},
                           [](const Held &a, const Held &b) { return a.key < b.key; });
    if (first == last)
        return false;
    const size_t about = hashOf(entry.record.about);
    const QString title = BookmarkText::folded(entry.title);
    const size_t whole = hashOf(title);
    for (auto held = first; held != last; ++held) {
        if (held->about == about)
            return true;
        const QStringView start = QStringView(m_starts).sliced(held->start, held->startLength);
        if (title.size() > held->lineLength)
            continue;
        if (title.size() <= held->startLength      ? start.startsWith(title)
                : title.size() == held->lineLength ? whole == held->line
                                                   : QStringView(title).startsWith(start))
            return true;
    }
    return false;
}

} // namespace Larkspan
