#pragma once

#include "exchange/ExchangeFormat.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <vector>

namespace Larkspan {

// The one table of the formats Larkspan reads and writes. Detection,
// --format, the help and the messages that name the formats all come from
// it; the manual page's list is checked against it.
class ExchangeFormats
{
public:
    // Every format, in the order the help and the messages list them;
    // detection tries those with a signature of their own first.
    static const std::vector<const ExchangeFormat *> &all();
    // The format with a writer called `name` ("html").
    static const ExchangeFormat *writing(const QString &name);
    // The format with a writer whose extension `fileName` has.
    static const ExchangeFormat *writingFileName(const QString &fileName);
    // The format a file that begins with `head` is in, or none.
    static const ExchangeFormat *reading(QByteArrayView head);

    // "html, xbel, csv or json".
    static QString writerNames(const QString &lastJoin = QStringLiteral(" or "));
    // One line for each format (or each written one): its name, when it is
    // written, and what it is, for --help.
    enum class Formats { All, Written };
    static QString helpLines(const QString &indent, Formats which);
    // What import reads, as a sentence for a message.
    static QString readSentence();
};

} // namespace Larkspan
