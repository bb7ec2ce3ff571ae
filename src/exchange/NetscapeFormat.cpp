#include "exchange/NetscapeFormat.h"

#include "exchange/BookmarkLink.h"
#include "exchange/BookmarkText.h"
#include "exchange/FolderNesting.h"
#include "exchange/MarkupText.h"
#include "exchange/NetscapeReader.h"

using namespace Qt::StringLiterals;

namespace Larkspan {

namespace {

class NetscapeWriter : public EntryWriter
{
public:
    bool groupsByCategory() const override { return true; }

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
        m_nesting = {};
    }

    bool append(QByteArray &out, const Record &record) override
    {
        const std::optional<QByteArray> link = BookmarkLink::linkOf(record.address);
        if (!link)
            return false;
        const FolderNesting::Move move = m_nesting.moveTo(record.type);
        qsizetype depth = m_nesting.depth() + move.close - move.open.size();
        for (qsizetype i = 0; i < move.close; ++i)
            indent(out, depth--).append("</DL><p>\n");
        for (const QString &folder : move.open) {
            indent(out, ++depth).append("<DT><H3>");
            appendMarkupText(out, folder, Lines::One);
            indent(out.append("</H3>\n"), depth).append("<DL><p>\n");
        }
        const QString title = BookmarkText::titleOf(record);
        indent(out, depth + 1).append("<DT><A HREF=\"");
        appendMarkupText(out, QByteArrayView(*link), Lines::One);
        out.append("\">");
        appendMarkupText(out, title, Lines::One);
        out.append("</A>\n");
        if (const auto description = BookmarkText::descriptionOf(record, title)) {
            indent(out, depth + 1).append("<DD>");
            appendMarkupText(out, *description, Lines::Many);
            out.append('\n');
        }
        return true;
    }

    void end(QByteArray &out) override
    {
        for (qsizetype depth = m_nesting.depth(); depth > 0; --depth)
            indent(out, depth).append("</DL><p>\n");
        out += "</DL><p>\n";
    }

private:
    static QByteArray &indent(QByteArray &out, qsizetype depth)
    {
        return out.append(QByteArray(4 * depth, ' '));
    }

    FolderNesting m_nesting;
};

} // namespace

QString NetscapeFormat::name() const
{
    return u"html"_s;
}

QString NetscapeFormat::description() const
{
    return u"a browser's bookmark file (HTML), as Firefox, Chromium and buku write it"_s;
}

QStringList NetscapeFormat::extensions() const
{
    return {u"html"_s, u"htm"_s};
}

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
