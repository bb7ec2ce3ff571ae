#pragma once

#include "exchange/ExchangeFormat.h"

#include <QByteArrayView>
#include <QString>

#include <optional>
#include <vector>

struct _xmlNode;

namespace Larkspan {

// Reads a browser's bookmark file with libxml2's HTML parser, which takes
// these files as the tag soup they are. Every bookmark becomes an entry:
//  - its category is the path of folders it lies in, joined with " / ",
//    leaving out the browser's own top folders (toolbar, other bookmarks);
//    the top of the file, the bookmarks menu, has no folder at all;
//  - a web address (http, https, ftp, or none at all) stays as it is, a
//    mailto: link becomes the bare e-mail address; any other link
//    (javascript:, place:, file:, ...) is left out and counted;
//  - its information is the description, or the title where there is none;
//    a title the description does not begin with is put in front of it,
//    and a title that only repeats the address is no information.
class BookmarkReader
{
public:
    explicit BookmarkReader(QByteArrayView content)
        : m_content(content)
    {}

    Outcome<ReadEntries> read();

private:
    struct Folder
    {
        QString name;
        bool browsers = false; // toolbar or other bookmarks
    };
    struct Bookmark
    {
        Record record;
        QString href;
        QString title;
        std::optional<QString> description;
    };

    void enter(_xmlNode *node);
    void leave(_xmlNode *node);
    void bookmark(_xmlNode *node);
    QString category() const;
    static QString informationOf(const Bookmark &bookmark);

    QByteArrayView m_content;
    ReadEntries m_entries;
    std::vector<std::optional<Folder>> m_lists; // each open list, with the folder it holds
    std::optional<Folder> m_heading; // a folder's heading, waiting for its list
    std::vector<Bookmark> m_bookmarks;
    bool m_describable = false; // whether a description now belongs to the last bookmark
};

} // namespace Larkspan
