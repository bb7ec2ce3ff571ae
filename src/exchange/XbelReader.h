#pragma once

#include "exchange/ExchangeFormat.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

struct _xmlTextReader;

namespace Larkspan {

class InputStream;

// Reads an XBEL file as it streams in, with libxml2's XML reader (no
// network, no outside entities): every bookmark becomes an entry whose
// category is the path of folders it lies in, and whose information comes
// from its title and description as a browser's bookmark would give it.
// Broken XML is a fault, told with its line.
class XbelReader
{
public:
    XbelReader(InputStream &in, EntrySink &sink);

    Outcome<void> read();

    // The parser's source of bytes.
    int fill(char *buffer, int size);

private:
    struct Bookmark
    {
        QString href;
        QString title;
        std::optional<QString> description;
    };
    enum class Collecting { Nothing, Title, Description };

    void start(_xmlTextReader *reader, const QByteArray &name);
    void end(const QByteArray &name);
    bool deliver(const Bookmark &bookmark);

    InputStream &m_in;
    EntrySink &m_sink;
    QByteArrayView m_pending; // bytes taken from the stream, not yet parsed
    QStringList m_folders;
    std::vector<char> m_open; // 'f' for each open folder, 'b' for a bookmark
    std::optional<Bookmark> m_bookmark;
    Collecting m_collecting = Collecting::Nothing;
    QByteArray m_text;
    bool m_stopped = false; // the sink refused an entry
};

} // namespace Larkspan
