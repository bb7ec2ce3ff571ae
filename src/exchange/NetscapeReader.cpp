#include "exchange/NetscapeReader.h"

#include "exchange/BookmarkText.h"
#include "exchange/InputStream.h"

#include <libxml/HTMLparser.h>
#include <libxml/SAX2.h>

#include <cctype>
#include <cstring>

using namespace Qt::StringLiterals;

namespace Larkspan {

namespace {

NetscapeReader *readerOf(void *context)
{
    return static_cast<NetscapeReader *>(static_cast<xmlParserCtxtPtr>(context)->_private);
}

void onStart(void *context, const xmlChar *name, const xmlChar **attributes)
{
    readerOf(context)->startElement(reinterpret_cast<const char *>(name),
                                    reinterpret_cast<const char **>(attributes));
}

void onEnd(void *context, const xmlChar *name)
{
    readerOf(context)->endElement(reinterpret_cast<const char *>(name));
}

void onCharacters(void *context, const xmlChar *text, int length)
{
    readerOf(context)->characters(reinterpret_cast<const char *>(text), length);
}

int readInto(void *context, char *buffer, int size)
{
    return static_cast<NetscapeReader *>(context)->fill(buffer, size);
}

const char *attribute(const char **attributes, const char *name)
{
    for (const char **a = attributes; a && a[0]; a += 2) {
        if (qstricmp(a[0], name) == 0)
            return a[1] ? a[1] : "";
    }
    return nullptr;
}

bool isTrue(const char *value)
{
    return value && qstricmp(value, "true") == 0;
}

// A description is the text right after <DD>; the line break and
// indentation that end it in the file are not part of it.
QString descriptionOf(const QByteArray &text)
{
    qsizetype end = text.size();
    while (end > 0 && (text[end - 1] == ' ' || text[end - 1] == '\t'))
        --end;
    if (end > 0 && text[end - 1] == '\n')
        --end;
    if (end > 0 && text[end - 1] == '\r')
        --end;
    return QString::fromUtf8(text.first(end));
}

constexpr QStringView bukuFolder = u"buku bookmarks";

} // namespace

NetscapeReader::NetscapeReader(InputStream &in, EntrySink &sink)
    : m_in(in)
    , m_sink(sink)
{}

NetscapeReader::~NetscapeReader()
{
    if (m_parser)
        htmlFreeParserCtxt(m_parser);
}

Outcome<void> NetscapeReader::read()
{
    // The pull parser, fed through readInto(), lets go of what it has read;
    // libxml2's push parser for HTML would hold the whole file.
    m_parser = htmlNewParserCtxt();
    if (!m_parser)
        return Failure {u"out of memory"_s};
    std::memset(m_parser->sax, 0, sizeof(htmlSAXHandler));
    m_parser->sax->startElement = onStart;
    m_parser->sax->endElement = onEnd;
    m_parser->sax->characters = onCharacters;
    m_parser->_private = this;
    m_in.skipByteOrderMark();
    htmlCtxtReadIO(m_parser, readInto, nullptr, this, nullptr, "UTF-8",
                   HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING
                       | HTML_PARSE_NONET);
    finishBookmark();
    if (m_stopped)
        return Failure {};
    if (m_fault)
        return *m_fault;
    return {};
}

int NetscapeReader::fill(char *buffer, int size)
{
    // After a fault the file ends here: the parser is never stopped from
    // outside, which libxml2's pull parser does not survive.
    if (m_fault || m_stopped)
        return 0;
    if (m_pending.isEmpty()) {
        m_pending = m_in.take();
        if (!scan(m_pending))
            return 0;
    }
    const int count = int(qMin(qsizetype(size), m_pending.size()));
    if (count > 0)
        std::memcpy(buffer, m_pending.data(), size_t(count));
    m_pending = m_pending.sliced(count);
    return count;
}

// What libxml2 would pass over or cut short without a word: NUL characters,
// raw or as references, and lines without end.
bool NetscapeReader::scan(QByteArrayView piece)
{
    for (const char c : piece) {
        // Most bytes are none of these.
        const bool plain = c > '&' && m_reference.isEmpty();
        if (!plain && c == '\0') {
            fail(m_line, u"a NUL character"_s);
            return false;
        }
        if (!plain && !nulReference(c)) {
            fail(m_line, u"a NUL character (&#0;)"_s);
            return false;
        }
        if (c == '\n') {
            ++m_line;
            m_lineLength = 0;
        } else if (++m_lineLength > InputStream::longestText) {
            fail(m_line,
                 u"a line longer than %1"_s.arg(QLatin1StringView(InputStream::longestTextName)));
            return false;
        }
    }
    return true;
}

// Follows numeric character references through the bytes: false at the end
// of one that stands for NUL ("&#0;", "&#x00", ...).
bool NetscapeReader::nulReference(char c)
{
    const bool started = !m_reference.isEmpty();
    if (started && m_reference.size() < 12) {
        const bool hex = m_reference.size() > 2 && (m_reference[2] == 'x' || m_reference[2] == 'X');
        const bool digit = hex ? std::isxdigit(uchar(c)) : std::isdigit(uchar(c));
        if ((m_reference == "&" && c == '#') || (m_reference == "&#" && (c == 'x' || c == 'X'))
            || digit) {
            m_reference += c;
            return true;
        }
        const QByteArrayView digits
            = QByteArrayView(m_reference).sliced(qMin(m_reference.size(), qsizetype(hex ? 3 : 2)));
        if (!digits.isEmpty() && digits.count('0') == digits.size())
            return false;
    }
    m_reference = c == '&' ? QByteArray("&") : QByteArray();
    return true;
}

void NetscapeReader::fail(qsizetype line, const QString &message)
{
    if (!m_fault)
        m_fault = faultAt(line, message);
}

void NetscapeReader::startElement(const char *name, const char **attributes)
{
    if (m_fault || m_stopped)
        return;
    if (m_collecting == Collecting::Description && m_bookmark)
        m_bookmark->description = descriptionOf(m_text);
    if (qstricmp(name, "dd") != 0 || m_collecting != Collecting::Nothing || !m_bookmark
        || m_bookmark->description)
        finishBookmark();
    m_collecting = Collecting::Nothing;
    m_text.clear();
    if (qstricmp(name, "dl") == 0) {
        m_lists.push_back(std::exchange(m_heading, std::nullopt));
    } else if (qstricmp(name, "h3") == 0) {
        m_heading = Folder {{},
                            isTrue(attribute(attributes, "personal_toolbar_folder"))
                                || isTrue(attribute(attributes, "unfiled_bookmarks_folder"))};
        m_collecting = Collecting::Heading;
    } else if (qstricmp(name, "a") == 0) {
        m_heading.reset();
        const QByteArray href = attribute(attributes, "href");
        if (href.contains('<')) {
            const int line = xmlSAX2GetLineNumber(m_parser);
            fail(line - href.count('\n'), u"a bookmark's address that is never closed"_s);
            return;
        }
        m_bookmark = Bookmark {
            QString::fromUtf8(href), QString::fromUtf8(attribute(attributes, "tags")), {}, {}};
        m_collecting = Collecting::Title;
    } else if (qstricmp(name, "dd") == 0 && m_bookmark) {
        m_collecting = Collecting::Description;
    }
}

void NetscapeReader::endElement(const char *name)
{
    if (m_fault || m_stopped)
        return;
    if (m_collecting == Collecting::Heading && qstricmp(name, "h3") == 0 && m_heading) {
        m_heading->name = QString::fromUtf8(m_text).simplified();
        m_collecting = Collecting::Nothing;
    } else if (m_collecting == Collecting::Title && qstricmp(name, "a") == 0 && m_bookmark) {
        m_bookmark->title = QString::fromUtf8(m_text).simplified();
        m_collecting = Collecting::Nothing;
    } else if (qstricmp(name, "dl") == 0) {
        if (m_collecting == Collecting::Description && m_bookmark)
            m_bookmark->description = descriptionOf(m_text);
        finishBookmark();
        m_collecting = Collecting::Nothing;
        if (!m_lists.empty())
            m_lists.pop_back();
        m_heading.reset();
    }
}

void NetscapeReader::characters(const char *text, int length)
{
    if (m_collecting == Collecting::Nothing || m_fault || m_stopped)
        return;
    if (m_text.size() + length > InputStream::longestText)
        return fail(
            xmlSAX2GetLineNumber(m_parser),
            u"a text longer than %1"_s.arg(QLatin1StringView(InputStream::longestTextName)));
    m_text.append(text, length);
}

QString NetscapeReader::category(const Bookmark &bookmark, QStringList &tags) const
{
    QStringList folders, named;
    for (const std::optional<Folder> &folder : m_lists) {
        if (folder)
            named << folder->name;
        if (folder && !folder->browsers)
            folders << folder->name;
    }
    if (named == QStringList {bukuFolder.toString()} && !bookmark.tags.isEmpty()) {
        for (const QString &tag : bookmark.tags.split(u','))
            if (!tag.trimmed().isEmpty())
                tags << tag.trimmed();
        return tags.join(u", "_s);
    }
    return BookmarkText::categoryOf(folders);
}

void NetscapeReader::finishBookmark()
{
    if (!m_bookmark || m_fault || m_stopped)
        return;
    const Bookmark bookmark = *std::exchange(m_bookmark, std::nullopt);
    QStringList tags;
    const QString type = category(bookmark, tags);
    m_stopped = !BookmarkText::hand(m_sink, type, bookmark.href, bookmark.title,
                                    bookmark.description, tags);
}

} // namespace Larkspan
