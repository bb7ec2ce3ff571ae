#include "exchange/XbelFormat.h"

#include "exchange/BookmarkFileWriter.h"
#include "exchange/MarkupText.h"
#include "exchange/XbelReader.h"

using namespace Qt::StringLiterals;

namespace Larkspan {

namespace {

class XbelWriter : public BookmarkFileWriter
{
public:
    void begin(QByteArray &out) override
    {
        out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<!DOCTYPE xbel PUBLIC \"+//IDN python.org//DTD XML Bookmark Exchange Language "
               "1.0//EN//XML\" \"http://pyxml.sourceforge.net/topics/dtds/xbel.dtd\">\n"
               "<xbel version=\"1.0\">\n";
        restart();
    }

    void end(QByteArray &out) override
    {
        endFolders(out);
        out += "</xbel>\n";
    }

protected:
    void beginFolder(QByteArray &out, qsizetype depth, const QString &name) override
    {
        indent(out, 2 * depth).append("<folder>\n");
        indent(out, 2 * depth + 2).append("<title>");
        appendMarkupText(out, name, Lines::One);
        out.append("</title>\n");
    }

    void endFolder(QByteArray &out, qsizetype depth) override
    {
        indent(out, 2 * depth).append("</folder>\n");
    }

    void bookmark(QByteArray &out, qsizetype depth, QByteArrayView link, const QString &title,
                  const std::optional<QString> &description) override
    {
        indent(out, 2 * depth + 2).append("<bookmark href=\"");
        appendMarkupText(out, link, Lines::One);
        indent(out.append("\">\n"), 2 * depth + 4).append("<title>");
        appendMarkupText(out, title, Lines::One);
        out.append("</title>\n");
        if (description) {
            indent(out, 2 * depth + 4).append("<desc>");
            appendMarkupText(out, *description, Lines::Many);
            out.append("</desc>\n");
        }
        indent(out, 2 * depth + 2).append("</bookmark>\n");
    }
};

} // namespace

XbelFormat::XbelFormat()
    : ExchangeFormat(u"xbel"_s, u"XBEL, as KDE's bookmark editor and Floccus read and write it"_s,
                     {u"xbel"_s})
{}

bool XbelFormat::reads(QByteArrayView head) const
{
    // The root element, after the XML declaration, comments and DOCTYPE.
    for (qsizetype at = head.indexOf('<'); at >= 0; at = head.indexOf('<', at + 1)) {
        const QByteArrayView rest = head.sliced(at + 1);
        if (rest.startsWith("?") || rest.startsWith("!"))
            continue;
        return rest.startsWith("xbel") && rest.size() > 4
            && (rest[4] == '>' || rest[4] == ' ' || rest[4] == '\n' || rest[4] == '\t'
                || rest[4] == '\r' || rest[4] == '/');
    }
    return head.contains("<!DOCTYPE xbel");
}

Outcome<void> XbelFormat::read(const ImportSource &source, EntrySink &sink) const
{
    return XbelReader(source.input, sink).read();
}

std::unique_ptr<EntryWriter> XbelFormat::writer() const
{
    return std::make_unique<XbelWriter>();
}

} // namespace Larkspan
