#include "exchange/NetscapeFormat.h"

#include "exchange/BookmarkFileWriter.h"
#include "exchange/MarkupText.h"
#include "exchange/NetscapeReader.h"

using namespace Qt::StringLiterals;

namespace Larkspan {

namespace {

class NetscapeWriter : public BookmarkFileWriter
{
public:
    void begin(QByteArray &out) override
    {
        out += "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
               "<!-- This is an automatically generated file.\n"
               "     It will be read and overwritten.\n"
               "     DO NOT EDIT! -->\n"
               "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
               "<TITLE>Bookmarks</TITLE>\n"
               "<H1>Bookmarks</H1>\n"
               "<DL><p>\n";
        restart();
    }

    void end(QByteArray &out) override
    {
        endFolders(out);
        out += "</DL><p>\n";
    }

protected:
    void beginFolder(QByteArray &out, qsizetype depth, const QString &name) override
    {
        indent(out, 4 * depth).append("<DT><H3>");
        appendMarkupText(out, name, Lines::One);
        indent(out.append("</H3>\n"), 4 * depth).append("<DL><p>\n");
    }

    void endFolder(QByteArray &out, qsizetype depth) override
    {
        indent(out, 4 * depth).append("</DL><p>\n");
    }

    void bookmark(QByteArray &out, qsizetype depth, QByteArrayView link, const QString &title,
                  const std::optional<QString> &description) override
    {
        indent(out, 4 * (depth + 1)).append("<DT><A HREF=\"");
        appendMarkupText(out, link, Lines::One);
        out.append("\">");
        appendMarkupText(out, title, Lines::One);
        out.append("</A>\n");
        if (description) {
            indent(out, 4 * (depth + 1)).append("<DD>");
            appendMarkupText(out, *description, Lines::Many);
            out.append('\n');
        }
    }
};

} // namespace

NetscapeFormat::NetscapeFormat()
    : ExchangeFormat(u"html"_s,
                     u"a browser's bookmark file (HTML), as Firefox, Chromium and buku write it"_s,
                     {u"html"_s, u"htm"_s})
{}

bool NetscapeFormat::reads(QByteArrayView head) const
{
    const QByteArray lower = head.toByteArray().toLower();
    return lower.contains("<!doctype netscape-bookmark-file")
        || (lower.trimmed().startsWith('<') && lower.contains("<dl") && lower.contains("<a "));
}

Outcome<void> NetscapeFormat::read(const ImportSource &source, EntrySink &sink) const
{
    return NetscapeReader(source.input, sink).read();
}

std::unique_ptr<EntryWriter> NetscapeFormat::writer() const
{
    return std::make_unique<NetscapeWriter>();
}

} // namespace Larkspan
