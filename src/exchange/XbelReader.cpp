#include "exchange/XbelReader.h"

#include "exchange/BookmarkText.h"
#include "exchange/InputStream.h"

#include <libxml/xmlreader.h>

#include <cstring>
#include <memory>

using namespace Qt::StringLiterals;

namespace Larkspan {

namespace {

int readInto(void *context, char *buffer, int size)
{
    return static_cast<XbelReader *>(context)->fill(buffer, size);
}

struct ReaderDeleter
{
    void operator()(xmlTextReaderPtr reader) const { xmlFreeTextReader(reader); }
};

// The first error the parser meets, with its line.
void keepError(void *context, xmlErrorPtr error)
{
    auto *fault = static_cast<std::optional<Failure> *>(context);
    if (!*fault && error && error->level >= XML_ERR_ERROR)
        *fault
            = faultAt(error->line,
                      QString::fromUtf8(error->message ? error->message : "broken XML").trimmed());
}

} // namespace

XbelReader::XbelReader(InputStream &in, EntrySink &sink)
    : m_in(in)
    , m_sink(sink)
{}

int XbelReader::fill(char *buffer, int size)
{
    if (m_pending.isEmpty())
        m_pending = m_in.take();
    const int count = int(qMin(qsizetype(size), m_pending.size()));
    if (count > 0)
        std::memcpy(buffer, m_pending.data(), size_t(count));
    m_pending = m_pending.sliced(count);
    return count;
}

Outcome<void> XbelReader::read()
{
    const std::unique_ptr<_xmlTextReader, ReaderDeleter> reader(
        xmlReaderForIO(readInto, nullptr, this, nullptr, nullptr, XML_PARSE_NONET));
    if (!reader)
        return Failure {u"out of memory"_s};
    std::optional<Failure> fault;
    xmlTextReaderSetStructuredErrorHandler(reader.get(), keepError, &fault);
    int status = 0;
    while (!fault && !m_stopped && (status = xmlTextReaderRead(reader.get())) == 1) {
        const int type = xmlTextReaderNodeType(reader.get());
        const QByteArray name(
            reinterpret_cast<const char *>(xmlTextReaderConstLocalName(reader.get())));
        if (type == XML_READER_TYPE_ELEMENT) {
            const bool empty = xmlTextReaderIsEmptyElement(reader.get()) == 1;
            start(reader.get(), name);
            if (empty)
                end(name);
        } else if (type == XML_READER_TYPE_END_ELEMENT) {
            end(name);
        } else if ((type == XML_READER_TYPE_TEXT || type == XML_READER_TYPE_CDATA
                    || type == XML_READER_TYPE_SIGNIFICANT_WHITESPACE)
                   && m_collecting != Collecting::Nothing) {
            m_text += reinterpret_cast<const char *>(xmlTextReaderConstValue(reader.get()));
            if (m_text.size() > InputStream::longestText)
                return faultAt(xmlTextReaderGetParserLineNumber(reader.get()),
                               u"a text longer than %1"_s.arg(
                                   QLatin1StringView(InputStream::longestTextName)));
        }
    }
    if (m_stopped)
        return Failure {};
    if (m_in.fault())
        return *m_in.fault();
    if (fault)
        return *fault;
    if (status < 0)
        return faultAt(xmlTextReaderGetParserLineNumber(reader.get()), u"broken XML"_s);
    return {};
}

void XbelReader::start(_xmlTextReader *reader, const QByteArray &name)
{
    m_collecting = Collecting::Nothing;
    if (name == "folder") {
        m_open.push_back('f');
        m_folders << QString();
    } else if (name == "bookmark") {
        m_open.push_back('b');
        xmlChar *href
            = xmlTextReaderGetAttribute(reader, reinterpret_cast<const xmlChar *>("href"));
        m_bookmark.emplace().href = QString::fromUtf8(reinterpret_cast<const char *>(href));
        xmlFree(href);
    } else if (name == "title" && !m_open.empty()) {
        m_collecting = Collecting::Title;
    } else if (name == "desc" && !m_open.empty() && m_open.back() == 'b') {
        m_collecting = Collecting::Description;
    }
    m_text.clear();
}

void XbelReader::end(const QByteArray &name)
{
    const bool inBookmark = !m_open.empty() && m_open.back() == 'b' && m_bookmark;
    if (name == "title" && m_collecting == Collecting::Title) {
        const QString title = QString::fromUtf8(m_text).simplified();
        if (inBookmark)
            m_bookmark->title = title;
        else if (!m_open.empty())
            m_folders.last() = title;
    } else if (name == "desc" && m_collecting == Collecting::Description && inBookmark) {
        m_bookmark->description = QString::fromUtf8(m_text);
    } else if (name == "folder" && !m_open.empty() && m_open.back() == 'f') {
        m_open.pop_back();
        m_folders.removeLast();
    } else if (name == "bookmark" && inBookmark) {
        m_open.pop_back();
        const Bookmark bookmark = *std::exchange(m_bookmark, std::nullopt);
        m_stopped = !deliver(bookmark);
    }
    m_collecting = Collecting::Nothing;
}

bool XbelReader::deliver(const Bookmark &bookmark)
{
    return BookmarkText::hand(m_sink, BookmarkText::categoryOf(m_folders), bookmark.href,
                              bookmark.title, bookmark.description);
}

} // namespace Larkspan
