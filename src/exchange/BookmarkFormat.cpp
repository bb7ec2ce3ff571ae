#include "exchange/BookmarkFormat.h"

#include "exchange/BookmarkReader.h"
#include "launcher/Module1.h"
#include "platform/DesktopShell.h"

using namespace Qt::StringLiterals;

namespace Larkspan {

namespace {

enum class Lines { One, Many };

// Text for HTML, appended to `out`. A title or folder name stays on one
// line (browsers read these files line by line); CR is written as a
// reference so that no parser folds it into LF; control characters HTML has
// no place for become U+FFFD.
void appendEscaped(QByteArray &out, QByteArrayView utf8, Lines lines)
{
    qsizetype plain = 0; // the start of a run of bytes that need no escape
    auto flush = [&](qsizetype end) { out.append(utf8.sliced(plain, end - plain)); };
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        const char *reference = nullptr;
        switch (c) {
        case '&':
            reference = "&amp;";
            break;
        case '<':
            reference = "&lt;";
            break;
        case '>':
            reference = "&gt;";
            break;
        case '"':
            reference = "&quot;";
            break;
        case '\r':
            reference = "&#13;";
            break;
        case '\n':
            reference = lines == Lines::One ? "&#10;" : nullptr;
            break;
        case '\t':
            break;
        default:
            if (static_cast<uchar>(c) < 0x20 || c == '\x7f')
                reference = "\xEF\xBF\xBD";
        }
        if (reference) {
            flush(i);
            out.append(reference);
            plain = i + 1;
        }
    }
    flush(utf8.size());
}

void appendEscaped(QByteArray &out, const QString &text, Lines lines)
{
    appendEscaped(out, QByteArrayView(text.toUtf8()), lines);
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
    if (std::optional<QByteArray> plain = DesktopShell::plainWebArgument(address))
        return plain;
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
            out.append("    <DT><H3>");
            appendEscaped(out, record.type, Lines::One);
            out.append("</H3>\n    <DL><p>\n");
        }
    }
    const char *indent = m_inFolder ? "        " : "    ";
    QString title = firstLine(record.about);
    if (title.trimmed().isEmpty())
        title = record.address;
    out.append(indent).append("<DT><A HREF=\"");
    appendEscaped(out, QByteArrayView(*link), Lines::One);
    out.append("\">");
    appendEscaped(out, title, Lines::One);
    out.append("</A>\n");
    if (record.about != title && !record.about.isEmpty()) {
        out.append(indent).append("<DD>");
        appendEscaped(out, record.about, Lines::Many);
        out.append('\n');
    }
    return true;
}

void BookmarkFormat::end(QByteArray &out)
{
    if (m_inFolder)
        out += "    </DL><p>\n";
    out += "</DL><p>\n";
    m_inFolder = false;
}

Outcome<ReadEntries> BookmarkFormat::parse(QByteArrayView content) const
{
    return BookmarkReader(content).read();
}

} // namespace Larkspan
