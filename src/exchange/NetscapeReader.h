#pragma once

#include "exchange/ExchangeFormat.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

struct _xmlParserCtxt;

namespace Larkspan {

class InputStream;

// Reads a browser's bookmark file as it streams in, with libxml2's HTML
// parser, which takes these files as the tag soup they are. Every bookmark
// becomes an entry:
//  - its category is the path of folders it lies in, joined with " / ",
//    leaving out the browser's own top folders (toolbar, other bookmarks);
//    the top of the file, the bookmarks menu, has no folder at all. In
//    buku's file, whose one folder is its own, the bookmark's TAGS give it;
//  - its link is stored as BookmarkLink says, or left out and counted;
//  - its information comes from its title and description (BookmarkText).
// A bookmark whose address runs on into the next tag, a NUL character
// (raw or as "&#0;") and a line longer than InputStream::longestText are
// faults, told with their line.
class NetscapeReader
{
public:
    NetscapeReader(InputStream &in, EntrySink &sink);
    ~NetscapeReader();
    NetscapeReader(const NetscapeReader &) = delete;
    NetscapeReader &operator=(const NetscapeReader &) = delete;

    Outcome<void> read();

    // The parser's source of bytes.
    int fill(char *buffer, int size);

    // The parser's callbacks.
    void startElement(const char *name, const char **attributes);
    void endElement(const char *name);
    void characters(const char *text, int length);

private:
    struct Folder
    {
        QString name;
        bool browsers = false; // toolbar or other bookmarks
    };
    struct Bookmark
    {
        QString href;
        QString tags;
        QString title;
        std::optional<QString> description;
    };
    enum class Collecting { Nothing, Heading, Title, Description };

    bool scan(QByteArrayView piece);
    bool nulReference(char c);
    void finishBookmark();
    // The bookmark's category; `tags` gets buku's tags where they give it.
    QString category(const Bookmark &bookmark, QStringList &tags) const;
    void fail(qsizetype line, const QString &message);

    InputStream &m_in;
    EntrySink &m_sink;
    _xmlParserCtxt *m_parser = nullptr;
    std::vector<std::optional<Folder>> m_lists; // each open list, with the folder it holds
    std::optional<Folder> m_heading; // a folder's heading, waiting for its list
    std::optional<Bookmark> m_bookmark; // the last bookmark, until its description is over
    Collecting m_collecting = Collecting::Nothing;
    QByteArray m_text; // what is being collected, as UTF-8
    QByteArrayView m_pending; // bytes taken from the stream, not yet parsed
    std::optional<Failure> m_fault;
    bool m_stopped = false; // the sink refused an entry
    // The raw scan of the bytes before they reach the parser.
    qsizetype m_line = 1;
    qsizetype m_lineLength = 0;
    QByteArray m_reference; // a character reference under way ("&#x0")
};

} // namespace Larkspan
