#pragma once

#include "platform/Outcome.h"
#include "store/Record.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <memory>

namespace Larkspan {

class InputStream;

// One entry as a file gives it. A bookmark also carries its title, which
// decides, with its page, whether the book holds it already.
struct ReadEntry
{
    // An entry to be matched in all three fields.
    static ReadEntry exact(Record record) { return {std::move(record), false, {}, {}}; }
    static ReadEntry ofBookmark(Record record, QString title, QStringList tags = {})
    {
        return {std::move(record), true, std::move(title), std::move(tags)};
    }

    Record record;
    bool bookmark = false;
    QString title;
    // The tags buku keeps its categories as, where they gave the category.
    QStringList tags;
};

// Where a reader hands what it reads, one entry at a time.
class EntrySink
{
public:
    virtual ~EntrySink() = default;
    // False when the import cannot go on (the book refused it): the reader
    // then stops at once.
    virtual bool take(const ReadEntry &entry) = 0;
    // An item left out, counted by `reason` ("javascript: link").
    virtual void skip(const QString &reason) = 0;
};

// Writes entries in one format: begin, one append per entry, end.
class EntryWriter
{
public:
    virtual ~EntryWriter() = default;
    // Whether the entries must come grouped by category, in order of each
    // category's first entry.
    virtual bool groupsByCategory() const { return false; }
    virtual void begin(QByteArray &out) = 0;
    // False when the entry has no form in this format; it is left out.
    virtual bool append(QByteArray &out, const Record &record) = 0;
    virtual void end(QByteArray &out) = 0;
};

// What an import reads: the file's path and its bytes as a stream.
struct ImportSource
{
    QString path;
    InputStream &input;
};

// A file format the address book is exported to or imported from: what
// it is called, which files it reads (told by their first bytes), how it
// reads them and, where it can, how it writes them.
class ExchangeFormat
{
public:
    virtual ~ExchangeFormat() = default;

    // The name --format and the help use ("html").
    const QString &name() const { return m_name; }
    // What it is, for a person ("a browser's bookmark file (HTML)").
    const QString &description() const { return m_description; }
    // The extensions a file of it is written with (for export), lower case.
    const QStringList &extensions() const { return m_extensions; }
    // Whether a file that begins with `head` (its first bytes, a byte order
    // mark left in) is in this format.
    virtual bool reads(QByteArrayView head) const = 0;
    // Whether its files begin with a signature of their own, which is
    // tried before the formats told by their first characters.
    virtual bool holdsSignature() const { return false; }
    // Whether the file holds browsers' bookmarks, which come back from a
    // browser changed: then an entry is already present when the book
    // holds the same page under the same category (see BookmarkIndex),
    // where CSV and JSON entries must match in all three fields.
    virtual bool holdsBookmarks() const { return true; }
    // Whether the stream it reads is UTF-8 text, checked on its way in.
    virtual bool readsUtf8() const { return true; }
    // Reads every entry; a failure is the first fault, "LINE: what".
    virtual Outcome<void> read(const ImportSource &source, EntrySink &sink) const = 0;
    // A writer, or none when the format is only read.
    virtual std::unique_ptr<EntryWriter> writer() const { return nullptr; }

protected:
    ExchangeFormat(QString name, QString description, QStringList extensions = {})
        : m_name(std::move(name))
        , m_description(std::move(description))
        , m_extensions(std::move(extensions))
    {}

private:
    QString m_name;
    QString m_description;
    QStringList m_extensions;
};

// The fault at `line`, told the way every reader tells it ("3: text after a
// field's closing quote").
Failure faultAt(qsizetype line, const QString &message);

// `head` without the UTF-8 byte order mark it may begin with.
QByteArrayView withoutByteOrderMark(QByteArrayView head);

// The first character of `head` that is not white space (a byte order mark
// passed over), or 0.
char firstCharacter(QByteArrayView head);

} // namespace Larkspan
