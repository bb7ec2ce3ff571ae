#pragma once

#include "exchange/ExchangeFormat.h"

#include <QString>

#include <vector>

namespace Larkspan {

class AddressTable;

// What the book holds, for telling whether a bookmark is there already.
// Browsers give back what they were given changed: the address completed,
// its host in punycode and its path percent-encoded, the information cut to
// its first line, the title trimmed. A bookmark is held when the book has
// an entry under the same category (compared folded, as BookmarkText
// folds) whose address opens the same page (BookmarkLink::pageOf) and whose
// information is the bookmark's, or begins, from its first line that is not
// empty, with the bookmark's title. A category from buku's tags, which buku
// keeps in lower case, matches the category whose innermost folder, or
// whose folders all together, are those tags.
//
// Each entry costs a few dozen bytes: hashes of its category and page and of
// its information, and the start of its first line. A title longer than
// that start counts as the start of a longer line when the two agree that
// far.
class BookmarkIndex
{
public:
    // Every entry of the open `table`; `withTags` also indexes them for
    // bookmarks whose category came from buku's tags.
    static Outcome<BookmarkIndex> of(AddressTable &table, bool withTags);

    bool holds(const ReadEntry &entry) const;

private:
    struct Held
    {
        size_t key = 0; // of the category and the page
        size_t about = 0;
        size_t line = 0; // of the first line that is not empty, folded
        qsizetype lineLength = 0;
        qsizetype start = 0; // where the start of the line lies in m_starts
        qsizetype startLength = 0;
    };

    void add(const Record &record, bool withTags);
    bool matches(size_t key, const ReadEntry &entry) const;

    std::vector<Held> m_held; // by key
    QString m_starts;
};

} // namespace Larkspan
