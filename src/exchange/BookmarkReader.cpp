#include "exchange/BookmarkReader.h"

#include "exchange/BookmarkFormat.h"
#include "platform/DesktopShell.h"

#include <QUrl>

#include <libxml/HTMLparser.h>
#include <libxml/tree.h>

#include <climits>
#include <memory>

using namespace Qt::StringLiterals;

namespace Larkspan {

namespace {

QString fromXml(const xmlChar *text)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(text));
}

bool isElement(const xmlNode *node, const char *name)
{
    return node->type == XML_ELEMENT_NODE
        && xmlStrcasecmp(node->name, reinterpret_cast<const xmlChar *>(name)) == 0;
}

QString attribute(xmlNode *node, const char *name)
{
    xmlChar *value = xmlGetProp(node, reinterpret_cast<const xmlChar *>(name));
    const QString text = fromXml(value);
    xmlFree(value);
    return text;
}

// All the text inside `node`, as a browser shows it in one line.
QString textOf(xmlNode *node)
{
    xmlChar *content = xmlNodeGetContent(node);
    const QString text = fromXml(content);
    xmlFree(content);
    return text.simplified();
}

// A description is the text right after <DD>, up to the next element; the
// line break and indentation that end it in the file are not part of it.
QString descriptionOf(xmlNode *node)
{
    QString text;
    for (xmlNode *child = node->children; child && child->type == XML_TEXT_NODE;
         child = child->next)
        text += fromXml(child->content);
    qsizetype end = text.size();
    while (end > 0 && (text[end - 1] == u' ' || text[end - 1] == u'\t'))
        --end;
    if (end > 0 && text[end - 1] == u'\n')
        --end;
    if (end > 0 && text[end - 1] == u'\r')
        --end;
    return text.first(end);
}

bool isBrowsersFolder(xmlNode *heading)
{
    return attribute(heading, "personal_toolbar_folder").compare(u"true"_s, Qt::CaseInsensitive)
        == 0
        || attribute(heading, "unfiled_bookmarks_folder").compare(u"true"_s, Qt::CaseInsensitive)
        == 0;
}

struct DocumentDeleter
{
    void operator()(xmlDoc *document) const { xmlFreeDoc(document); }
};

} // namespace

Outcome<ReadEntries> BookmarkReader::read()
{
    // A NUL ends libxml2's reading early, which would lose the rest quietly.
    if (const qsizetype nul = m_content.indexOf('\0'); nul >= 0)
        return faultAt(m_content, nul, u"a NUL character"_s);
    if (m_content.size() > INT_MAX)
        return faultAt(m_content, INT_MAX, u"the file is too large"_s);
    const std::unique_ptr<xmlDoc, DocumentDeleter> document(
        htmlReadMemory(m_content.data(), int(m_content.size()), nullptr, "UTF-8",
                       HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING
                           | HTML_PARSE_NONET | XML_PARSE_HUGE));
    xmlNode *root = document ? xmlDocGetRootElement(document.get()) : nullptr;
    if (!root)
        return faultAt(m_content, 0, u"no bookmarks in it"_s);

    // Document order without recursion: folders nest as deep as they like.
    xmlNode *node = root;
    while (node) {
        enter(node);
        if (node->children) {
            node = node->children;
            continue;
        }
        while (node) {
            leave(node);
            if (node == root) {
                node = nullptr;
            } else if (node->next) {
                node = node->next;
                break;
            } else {
                node = node->parent;
            }
        }
    }

    for (const Bookmark &bookmark : m_bookmarks) {
        Record record = bookmark.record;
        record.about = informationOf(bookmark);
        m_entries.records.append(std::move(record));
    }
    return std::move(m_entries);
}

void BookmarkReader::enter(xmlNode *node)
{
    if (isElement(node, "dl")) {
        m_lists.push_back(std::move(m_heading));
        m_heading.reset();
        m_describable = false;
    } else if (isElement(node, "h3")) {
        m_heading = Folder {textOf(node), isBrowsersFolder(node)};
        m_describable = false;
    } else if (isElement(node, "a")) {
        m_heading.reset();
        bookmark(node);
    } else if (isElement(node, "dd") && m_describable) {
        m_bookmarks.back().description = descriptionOf(node);
        m_describable = false;
    }
}

void BookmarkReader::leave(xmlNode *node)
{
    if (isElement(node, "dl")) {
        if (!m_lists.empty())
            m_lists.pop_back();
        m_heading.reset();
        m_describable = false;
    }
}

void BookmarkReader::bookmark(xmlNode *node)
{
    m_describable = false;
    const QString href = attribute(node, "href").trimmed();
    QString address = href;
    if (DesktopShell::hasScheme(href)) {
        const QString scheme = href.first(href.indexOf(u':')).toLower();
        if (scheme == u"mailto"_s) {
            const QString mailbox = href.sliced(scheme.size() + 1).section(u'?', 0, 0);
            address = QUrl::fromPercentEncoding(mailbox.toUtf8());
        } else if (scheme != u"http"_s && scheme != u"https"_s && scheme != u"ftp"_s) {
            ++m_entries.skipped[u"%1: link"_s.arg(scheme)];
            return;
        }
    }
    if (address.isEmpty()) {
        ++m_entries.skipped[u"bookmark without an address"_s];
        return;
    }
    m_bookmarks.push_back({Record {category(), address, QString()}, href, textOf(node), {}});
    m_describable = true;
}

QString BookmarkReader::category() const
{
    QStringList path;
    for (const std::optional<Folder> &folder : m_lists) {
        if (folder && !folder->browsers && !folder->name.isEmpty())
            path << folder->name;
    }
    return path.join(u" / "_s);
}

QString BookmarkReader::informationOf(const Bookmark &bookmark)
{
    const QString &title = bookmark.title;
    bool onlyTheAddress
        = title.isEmpty() || title == bookmark.href || title == bookmark.record.address;
    if (!onlyTheAddress) {
        const auto typed = DesktopShell::urlToOpen(title);
        const auto linked = DesktopShell::urlToOpen(bookmark.href);
        onlyTheAddress = typed && linked && *typed == *linked;
    }
    if (!bookmark.description)
        return onlyTheAddress ? QString() : title;
    const QString &description = *bookmark.description;
    if (onlyTheAddress || BookmarkFormat::firstLine(description).simplified() == title)
        return description;
    return title + u'\n' + description;
}

} // namespace Larkspan
