#pragma once

#include "store/jet/ReaderFormat.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

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

    // The parsed table, or nothing with a description in `error`.
    static std::optional<ReaderOutput> parse(QByteArrayView stream, QString *error);

    QStringList columnNames;
    QList<quint8> columnTypes;
    QList<Row> rows;
};

} // namespace Larkspan::JetImport
