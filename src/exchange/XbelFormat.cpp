#include "exchange/XbelFormat.h"

#include "exchange/BookmarkLink.h"
#include "exchange/BookmarkText.h"
#include "exchange/FolderNesting.h"
#include "exchange/MarkupText.h"
#include "exchange/XbelReader.h"

using namespace Qt::StringLiterals;

namespace Larkspan {

namespace {

class XbelWriter : public EntryWriter
{
public:
    bool groupsByCategory() const override { return true; }

    void begin(QByteArray &out) override
    {
        out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<!DOCTYPE xbel PUBLIC \"+//IDN python.org//DTD XML Bookmark Exchange Language "
               "1.0//EN//XML\" \"http://pyxml.sourceforge.net/topics/dtds/xbel.dtd\">\n"
               "<xbel version=\"1.0\">\n";
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
            indent(out, depth--).append("</folder>\n");
        for (const QString &folder : move.open) {
            indent(out, ++depth).append("<folder>\n");
            indent(out, depth + 1).append("<title>");
            appendMarkupText(out, folder, Lines::One);
            out.append("</title>\n");
        }
        const QString title = BookmarkText::titleOf(record);
        indent(out, depth + 1).append("<bookmark href=\"");
        appendMarkupText(out, QByteArrayView(*link), Lines::One);
        indent(out.append("\">\n"), depth + 2).append("<title>");
        appendMarkupText(out, title, Lines::One);
        out.append("</title>\n");
        if (const auto description = BookmarkText::descriptionOf(record, title)) {
            indent(out, depth + 2).append("<desc>");
            appendMarkupText(out, *description, Lines::Many);
            out.append("</desc>\n");
        }
        indent(out, depth + 1).append("</bookmark>\n");
        return true;
    }

    void end(QByteArray &out) override
    {
        for (qsizetype depth = m_nesting.depth(); depth > 0; --depth)
            indent(out, depth).append("</folder>\n");
        out += "</xbel>\n";
    }

private:
    static QByteArray &indent(QByteArray &out, qsizetype depth)
    {
        return out.append(QByteArray(2 * depth, ' '));
    }

    FolderNesting m_nesting;
};

} // namespace

QString XbelFormat::name() const
{
    return u"xbel"_s;
}

QString XbelFormat::description() const
{
    return u"XBEL, as KDE's bookmark editor and Floccus read and write it"_s;
}

QStringList XbelFormat::extensions() const
{
    return {u"xbel"_s};
}

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
