#include "exchange/BookmarkFormat.h"

#include "exchange/BookmarkReader.h"
#include "launcher/DesktopShell.h"
#include "launcher/Module1.h"

using namespace Qt::StringLiterals;

namespace Larkspan {

namespace {

enum class Lines { One, Many };

// Text for HTML. A title or folder name stays on one line (browsers read
// these files line by line); CR is written as a reference so that no parser
// folds it into LF; control characters HTML has no place for become U+FFFD.
QByteArray escaped(const QString &text, Lines lines)
{
    QByteArray out;
    const QByteArray utf8 = text.toUtf8();
    out.reserve(utf8.size() + 16);
    for (const char c : utf8) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\r': out += "&#13;"; break;
        case '\n': out += lines == Lines::One ? "&#10;" : "\n"; break;
        case '\t': out += c; break;
        default:
            if (static_cast<uchar>(c) < 0x20 || c == '\x7f')
                out += "\xEF\xBF\xBD";
            else
                out += c;
        }
    }
    return out;
}

// An address in a mailto: link: what would end or break the link is
// percent-encoded, and so is everything outside printable ASCII.
QByteArray mailtoLink(const QString &address)
{
    return "mailto:" + address.toUtf8().toPercentEncoding("@!$&'()*+,;=:/~");
}

} // namespace

std::optional<QByteArray> BookmarkFormat::linkOf(const QString &address)
{
    const qsizetype ats = Module1::highestPieceIndex(address);
    if (ats < 0)
        return std::nullopt;
    if (ats > 0)
        return mailtoLink(address);
    const std::optional<QUrl> url = DesktopShell::urlToOpen(address);
    if (!url)
        return std::nullopt;
    return DesktopShell::encodedArgument(*url);
}

QString BookmarkFormat::firstLine(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' || text[i] == u'\n')
            return text.first(i);
    }
    return text;
}

void BookmarkFormat::begin(QByteArray &out)
{
    out += "<!DOCTYPE NETSCAPE-Bookmark-file-1>\n"
           "<!-- This is an automatically generated file.\n"
           "     It will be read and overwritten.\n"
           "     DO NOT EDIT! -->\n"
           "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=UTF-8\">\n"
           "<TITLE>Bookmarks</TITLE>\n"
           "<H1>Bookmarks</H1>\n"
           "<DL><p>\n";
    m_category.reset();
    m_inFolder = false;
}

bool BookmarkFormat::append(QByteArray &out, const Record &record)
{
    const std::optional<QByteArray> link = linkOf(record.address);
    if (!link)
        return false;
    if (m_category != record.type) {
        if (m_inFolder)
            out += "    </DL><p>\n";
        m_category = record.type;
        m_inFolder = !record.type.isEmpty();
        if (m_inFolder) {
            out += "    <DT><H3>" + escaped(record.type, Lines::One) + "</H3>\n";
            out += "    <DL><p>\n";
        }
    }
    const QByteArray indent = m_inFolder ? "        " : "    ";
    QString title = firstLine(record.about);
    if (title.trimmed().isEmpty())
        title = record.address;
    out += indent + "<DT><A HREF=\"" + escaped(QString::fromLatin1(*link), Lines::One) + "\">"
           + escaped(title, Lines::One) + "</A>\n";
    if (!record.about.isEmpty())
        out += indent + "<DD>" + escaped(record.about, Lines::Many) + '\n';
    return true;
}

void BookmarkFormat::end(QByteArray &out)
{
    if (m_inFolder)
        out += "    </DL><p>\n";
    out += "</DL><p>\n";
    m_inFolder = false;
}

ReadOutcome BookmarkFormat::parse(QByteArrayView content) const
{
    return BookmarkReader(content).read();
}

} // namespace Larkspan
