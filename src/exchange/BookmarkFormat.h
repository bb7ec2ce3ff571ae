#pragma once

#include "exchange/ExchangeFormat.h"

#include <optional>

namespace Larkspan {

// The bookmark file every browser exports and imports
// ("<!DOCTYPE NETSCAPE-Bookmark-file-1>"). Written: one folder per category
// in order of first appearance (entries without a category outside any
// folder), each entry a bookmark titled with the first line of its
// information, the whole information as its description (unless the title
// says it all). Read: see BookmarkReader.
class BookmarkFormat : public ExchangeFormat
{
public:
    bool groupsByCategory() const override { return true; }
    void begin(QByteArray &out) override;
    // An entry whose address no browser can open is left out.
    bool append(QByteArray &out, const Record &record) override;
    void end(QByteArray &out) override;

    // Where a bookmark of `address` leads: "mailto:" for an e-mail address,
    // a web address completed the way opening completes it; nothing for an
    // empty address or one that cannot be opened.
    static std::optional<QByteArray> linkOf(const QString &address);
    // Up to the first line break, which a bookmark's title cannot hold.
    static QString firstLine(const QString &text);

protected:
    Outcome<ReadEntries> parse(QByteArrayView content) const override;

private:
    std::optional<QString> m_category; // the category written last
    bool m_inFolder = false;
};

} // namespace Larkspan
