#pragma once

#include "exchange/ExchangeFormat.h"

#include <QHash>
#include <QIODevice>
#include <QString>

#include <functional>
#include <memory>

namespace Larkspan {

class JsonPull;

// The bookmark tree of a browser's JSON file: Chromium's Bookmarks file or
// Firefox's bookmark backup. Both nest folders as objects with "children";
// Chromium writes a folder's name after its children, so the file is read
// twice: first for the folders' names, then for the bookmarks. Only one
// token is held at a time, and the names of the folders.
class JsonBookmarkTree
{
public:
    enum class Dialect { Chromium, Firefox };
    // A fresh device on the file, for each of the two readings.
    using Opener = std::function<std::unique_ptr<QIODevice>()>;

    JsonBookmarkTree(Dialect dialect, EntrySink &sink);

    Outcome<void> read(const Opener &open);
    // Reads the file at `path`, which must be a file: a pipe cannot be read twice.
    Outcome<void> readFile(const QString &path);

private:
    enum class Kind { Folder, Browsers, Skipped };
    struct Container
    {
        QString name;
        Kind kind = Kind::Folder;
    };
    struct Frame; // an object being read
    enum class Pass { Folders, Bookmarks };

    Outcome<void> walk(QIODevice &device, Pass pass);
    bool capture(JsonPull &json, Frame &frame, Pass pass);
    void ended(const Frame &frame, Frame *parent, Pass pass);
    Kind kindOf(const Frame &frame) const;
    bool deliver(const Frame &frame);

    Dialect m_dialect;
    EntrySink &m_sink;
    QHash<qint64, Container> m_containers; // by the object's place in the file
    QStringList m_folders; // the folders the bookmarks now read lie in
    int m_leftOut = 0; // how many folders left out the bookmarks now read lie in
    bool m_stopped = false;
};

} // namespace Larkspan
