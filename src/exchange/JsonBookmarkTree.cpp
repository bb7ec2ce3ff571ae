#include "exchange/JsonBookmarkTree.h"

#include "exchange/BookmarkText.h"
#include "exchange/InputStream.h"
#include "exchange/JsonPull.h"

#include <QFile>
#include <QFileInfo>

#include <vector>

using namespace Qt::StringLiterals;
using Token = Larkspan::JsonPull::Token;

namespace Larkspan {

namespace {

constexpr QByteArrayView firefoxDescription = "bookmarkProperties/description";

} // namespace

struct JsonBookmarkTree::Frame
{
    qint64 ordinal = 0;
    qsizetype depth = 0; // how many objects hold it, itself included
    QString title;
    QString link;
    QString root;
    QString name; // of an annotation
    QString value;
    QString description;
    bool children = false;
    bool inFolder = false; // its children were entered as a folder
    bool leftOut = false; // its children are left out (Firefox's tags)
};

JsonBookmarkTree::JsonBookmarkTree(Dialect dialect, EntrySink &sink)
    : m_dialect(dialect)
    , m_sink(sink)
{}

Outcome<void> JsonBookmarkTree::readFile(const QString &path)
{
    if (!QFileInfo(path).isFile())
        return faultAt(
            1, u"read twice (for its folders' names first), so it must be a file, not a pipe"_s);
    return read([&path]() -> std::unique_ptr<QIODevice> {
        auto file = std::make_unique<QFile>(path);
        return file->open(QIODevice::ReadOnly) ? std::move(file) : nullptr;
    });
}

Outcome<void> JsonBookmarkTree::read(const Opener &open)
{
    for (const Pass pass : {Pass::Folders, Pass::Bookmarks}) {
        const std::unique_ptr<QIODevice> device = open();
        if (!device)
            return faultAt(1, u"cannot be read again"_s);
        if (const Outcome<void> walked = walk(*device, pass); !walked.ok())
            return walked;
    }
    return {};
}

Outcome<void> JsonBookmarkTree::walk(QIODevice &device, Pass pass)
{
    InputStream in(device, InputStream::Text::Utf8);
    JsonPull json(in);
    std::vector<Frame> frames;
    qint64 objects = 0;
    for (Token token = json.next(); token != Token::End; token = json.next()) {
        if (m_stopped)
            return Failure {};
        switch (token) {
        case Token::Fault:
            return in.fault() ? *in.fault() : json.fault();
        case Token::BeginObject:
            frames.emplace_back();
            frames.back().ordinal = objects++;
            frames.back().depth = qsizetype(frames.size());
            break;
        case Token::EndObject: {
            const Frame frame = std::move(frames.back());
            frames.pop_back();
            ended(frame, frames.empty() ? nullptr : &frames.back(), pass);
            break;
        }
        case Token::Key:
            if (!capture(json, frames.back(), pass))
                return in.fault() ? *in.fault() : json.fault();
            break;
        default:
            break;
        }
    }
    if (in.fault())
        return *in.fault();
    return m_stopped ? Outcome<void>(Failure {}) : Outcome<void>();
}

// After a key: keeps the text values a node is told by; enters a folder's
// children, or passes over those of a folder left out.
bool JsonBookmarkTree::capture(JsonPull &json, Frame &frame, Pass pass)
{
    const QByteArray key = json.text();
    const bool chromium = m_dialect == Dialect::Chromium;
    QString *field = key == (chromium ? "name" : "title") ? &frame.title
        : key == (chromium ? "url" : "uri")               ? &frame.link
        : key == "root" && !chromium                      ? &frame.root
        : key == "name"                                   ? &frame.name
        : key == "value"                                  ? &frame.value
                                                          : nullptr;
    if (key == "children") {
        frame.children = true;
        if (pass == Pass::Bookmarks) {
            // What is left out is still read through, so that every object
            // keeps its place.
            const Container container = m_containers.value(frame.ordinal);
            frame.leftOut = container.kind == Kind::Skipped;
            m_leftOut += frame.leftOut ? 1 : 0;
            m_folders << (container.kind == Kind::Folder ? container.name : QString());
            frame.inFolder = true;
        }
        return true;
    }
    if (!field)
        return true;
    // An object or array where a text belongs is passed over whole.
    const Token value = json.skipValue();
    if (value == Token::Text)
        *field = QString::fromUtf8(json.text());
    return value != Token::Fault;
}

JsonBookmarkTree::Kind JsonBookmarkTree::kindOf(const Frame &frame) const
{
    if (m_dialect == Dialect::Firefox) {
        if (frame.root == u"tagsFolder"_s)
            return Kind::Skipped;
        return frame.root.isEmpty() ? Kind::Folder : Kind::Browsers;
    }
    // Chromium's roots (bookmark bar, other, synced, ...) are the values of
    // the top object's "roots".
    return frame.depth <= 3 ? Kind::Browsers : Kind::Folder;
}

void JsonBookmarkTree::ended(const Frame &frame, Frame *parent, Pass pass)
{
    if (pass == Pass::Folders) {
        if (frame.children)
            m_containers.insert(frame.ordinal, {frame.title, kindOf(frame)});
        return;
    }
    if (frame.inFolder)
        m_folders.removeLast();
    m_leftOut -= frame.leftOut ? 1 : 0;
    if (parent && frame.name.toUtf8() == firefoxDescription)
        parent->description = frame.value;
    if (!frame.children && !frame.link.isNull() && m_leftOut == 0)
        m_stopped = !deliver(frame);
}

bool JsonBookmarkTree::deliver(const Frame &frame)
{
    return BookmarkText::hand(m_sink, BookmarkText::categoryOf(m_folders), frame.link, frame.title,
                              frame.description.isEmpty() ? std::nullopt
                                                          : std::optional(frame.description));
}

} // namespace Larkspan
