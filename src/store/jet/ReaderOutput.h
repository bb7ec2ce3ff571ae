#pragma once

#include "platform/Outcome.h"
#include "store/jet/ReaderFormat.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

namespace Larkspan::JetImport {

// One table as larkspan-jet-reader wrote it, parsed and checked: a stream
// that is cut short, has bytes left over or disagrees with itself anywhere
// is refused as a whole.
class ReaderOutput
{
public:
    struct Value
    {
        JetReaderFormat::ValueKind kind = JetReaderFormat::ValueKind::Null;
        QByteArray bytes; // UTF-8 for text
    };
    using Row = QList<Value>;

    // The parsed table, or a failure that says what is wrong with the stream.
    static Outcome<ReaderOutput> parse(QByteArrayView stream);

    QStringList columnNames;
    QList<quint8> columnTypes;
    QList<Row> rows;
};

} // namespace Larkspan::JetImport
