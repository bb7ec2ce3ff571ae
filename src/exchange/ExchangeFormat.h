#pragma once

#include "platform/Outcome.h"
#include "store/Record.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QMap>
#include <QString>

#include <memory>
#include <optional>

namespace Larkspan {

// What reading a file gives: its entries in the file's order and the items
// left out, counted by reason.
struct ReadEntries
{
    QList<Record> records;
    QMap<QString, qsizetype> skipped;
};

// The fault at byte `offset` of `content`, told with the line that holds it
// in front ("3: text after a field's closing quote").
Failure faultAt(QByteArrayView content, qsizetype offset, const QString &message);

// A file format the address book is exported to and imported from. Writing
// is begin, one append per entry, end; reading takes the whole file.
class ExchangeFormat
{
public:
    enum class Kind { Html, Csv, Json };

    virtual ~ExchangeFormat() = default;

    static std::unique_ptr<ExchangeFormat> make(Kind kind);
    // "html", "csv" or "json".
    static std::optional<Kind> named(const QString &name);
    // By the file name's extension: .html or .htm, .csv, .json.
    static std::optional<Kind> ofFileName(const QString &fileName);
    // A bookmark file begins with "<", JSON with "[", CSV with its header.
    static Kind ofContent(QByteArrayView content);

    // Whether the entries must come grouped by category, in order of each
    // category's first entry.
    virtual bool groupsByCategory() const { return false; }
    virtual void begin(QByteArray &out) = 0;
    // False when the entry has no form in this format; it is left out.
    virtual bool append(QByteArray &out, const Record &record) = 0;
    virtual void end(QByteArray &out) = 0;

    // Reads `content`, which must be UTF-8 (a byte order mark is passed over).
    // A failure is the first fault, as faultAt() tells it.
    Outcome<ReadEntries> read(QByteArrayView content) const;

protected:
    virtual Outcome<ReadEntries> parse(QByteArrayView content) const = 0;
};

} // namespace Larkspan
