// The import half of ExchangeCommand.
#include "exchange/BookmarkIndex.h"
#include "exchange/BrowserProfiles.h"
#include "exchange/ExchangeCommand.h"
#include "exchange/ExchangeFormats.h"
#include "exchange/InputStream.h"
#include "store/AddressTable.h"

#include <QFile>
#include <QMap>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace Larkspan {

namespace {

// Enough of a file's start to tell its format.
constexpr qint64 headBytes = 64 * 1024;

// Takes the entries into the book as they are read, and counts.
class BookSink : public EntrySink
{
public:
    BookSink(AddressTable::Additions &additions, const BookmarkIndex *index)
        : m_additions(additions)
        , m_index(index)
    {}

    bool take(const ReadEntry &entry) override
    {
        if (entry.bookmark && m_index && m_index->holds(entry)) {
            ++m_present;
            return true;
        }
        const Outcome<bool> added = m_additions.add(entry.record);
        if (!added.ok()) {
            m_error = added.error();
            return false;
        }
        ++(added.value() ? m_added : m_present);
        return true;
    }

    void skip(const QString &reason) override { ++m_skipped[reason]; }

    const QString &error() const { return m_error; }

    // "12 added, 3 already present, 2 skipped (1 javascript: link, 1 place: link)"
    QString summary() const
    {
        qsizetype total = 0;
        QStringList reasons;
        for (auto it = m_skipped.cbegin(); it != m_skipped.cend(); ++it) {
            total += it.value();
            reasons << u"%1 %2"_s.arg(it.value()).arg(it.key());
        }
        const QString skipped = reasons.isEmpty()
            ? u"0 skipped"_s
            : u"%1 skipped (%2)"_s.arg(total).arg(reasons.join(u", "_s));
        return u"%1 added, %2 already present, %3"_s.arg(m_added).arg(m_present).arg(skipped);
    }

private:
    AddressTable::Additions &m_additions;
    const BookmarkIndex *m_index;
    qsizetype m_added = 0;
    qsizetype m_present = 0;
    QMap<QString, qsizetype> m_skipped;
    QString m_error;
};

// Passes by what it reads.
class NoSink : public EntrySink
{
public:
    bool take(const ReadEntry &) override { return true; }
    void skip(const QString &) override {}
};

} // namespace

int ExchangeCommand::importFile(const QString &file)
{
    return importPath(file, file);
}

int ExchangeCommand::importFrom(const QString &browser, const QString &profile)
{
    const Outcome<QString> found = BrowserProfiles::bookmarksFile(browser, profile);
    if (!found.ok()) {
        say(m_errors, u"larkspan import: "_s + found.error());
        return Failed;
    }
    return importPath(found.value(), found.value());
}

int ExchangeCommand::importPath(const QString &file, const QString &shownAs)
{
    QFile input(file);
    if (!input.open(QIODevice::ReadOnly)) {
        say(m_errors, u"larkspan import: cannot read %1: %2"_s.arg(shownAs, input.errorString()));
        return Failed;
    }
    const QByteArray head = input.peek(headBytes);
    const ExchangeFormat *format = ExchangeFormats::reading(head);
    if (!format) {
        say(m_errors,
            u"larkspan import: %1 is in no format Larkspan reads. It reads %2."_s.arg(
                shownAs, ExchangeFormats::readSentence()));
        return Failed;
    }
    return addEntries(*format, file, shownAs, input);
}

int ExchangeCommand::addEntries(const ExchangeFormat &format, const QString &file,
                                const QString &shownAs, QIODevice &input)
{
    const auto textOf
        = [&] { return format.readsUtf8() ? InputStream::Text::Utf8 : InputStream::Text::Bytes; };
    const auto fault = [&](const InputStream &stream, const Outcome<void> &read) {
        say(m_errors,
            u"%1:%2"_s.arg(shownAs, stream.fault() ? stream.fault()->error : read.error()));
        return Failed;
    };
    // A file that can be read twice is read through first: a malformed one
    // then never reaches the book at all.
    if (!input.isSequential()) {
        InputStream stream(input, textOf());
        NoSink nowhere;
        if (const Outcome<void> read = format.read({file, stream}, nowhere);
            stream.fault() || !read.ok())
            return fault(stream, read);
        if (!input.seek(0))
            return fault(stream, Failure {u"1: cannot be read again"_s});
    }

    AddressTable table;
    table.setNotice([this](const QString &text) { say(m_errors, u"larkspan: "_s + text); });
    if (const Outcome<void> opened = table.open(m_bookPath, AddressTable::Use::Changes);
        !opened.ok())
        return bookFailed(opened.error());
    std::optional<BookmarkIndex> index;
    if (format.holdsBookmarks()) {
        Outcome<BookmarkIndex> held
            = BookmarkIndex::of(table, input.peek(headBytes).contains("buku bookmarks"));
        if (!held.ok())
            return bookFailed(held.error());
        index = std::move(held.value());
    }
    Outcome<std::unique_ptr<AddressTable::Additions>> additions = table.beginAdditions();
    if (!additions.ok())
        return bookFailed(additions.error());

    InputStream stream(input, textOf());
    BookSink sink(*additions.value(), index ? &*index : nullptr);
    const Outcome<void> read = format.read({file, stream}, sink);
    if (!sink.error().isEmpty())
        return bookFailed(sink.error());
    if (stream.fault() || !read.ok())
        return fault(stream, read);
    if (const Outcome<void> committed = additions.value()->commit(); !committed.ok())
        return bookFailed(committed.error());
    say(m_output, sink.summary());
    return Done;
}

} // namespace Larkspan
