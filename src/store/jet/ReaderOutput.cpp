#include "store/jet/ReaderOutput.h"

#include "store/Utf8.h"

#include <QDataStream>
#include <QIODevice>

using namespace Qt::StringLiterals;

namespace Larkspan::JetImport {

namespace {

using JetReaderFormat::ValueKind;

constexpr quint32 maxColumns = 4096;

// A u32 length and that many bytes. A length that reaches past the end of
// the stream marks it as cut short before anything is allocated for it.
QDataStream &readSized(QDataStream &in, QByteArray &bytes)
{
    quint32 size = 0;
    in >> size;
    if (in.status() != QDataStream::Ok || size > in.device()->bytesAvailable()) {
        in.setStatus(QDataStream::ReadPastEnd);
        return in;
    }
    bytes.resize(qsizetype(size));
    in.readRawData(bytes.data(), int(size));
    return in;
}

} // namespace

Outcome<ReaderOutput> ReaderOutput::parse(QByteArrayView stream)
{
    const QByteArrayView magic(JetReaderFormat::magic, JetReaderFormat::magicSize);
    if (!stream.startsWith(magic))
        return Failure {u"the reader's output does not start as expected"_s};
    const Failure cutShort {u"the reader's output ends early"_s};

    const QByteArray bytes = QByteArray::fromRawData(stream.data(), stream.size());
    QDataStream in(bytes);
    in.setByteOrder(QDataStream::LittleEndian);
    in.skipRawData(int(magic.size()));

    ReaderOutput output;
    quint32 columnCount = 0;
    if ((in >> columnCount).status() != QDataStream::Ok)
        return cutShort;
    if (columnCount == 0 || columnCount > maxColumns)
        return Failure {u"the reader reports an impossible number of columns"_s};
    for (quint32 i = 0; i < columnCount; ++i) {
        QByteArray name;
        quint8 type = 0;
        if ((readSized(in, name) >> type).status() != QDataStream::Ok)
            return cutShort;
        if (invalidUtf8At(name))
            return Failure {u"a column name in the reader's output is not UTF-8"_s};
        output.columnNames.append(QString::fromUtf8(name));
        output.columnTypes.append(type);
    }

    for (;;) {
        quint8 marker = 0;
        if ((in >> marker).status() != QDataStream::Ok)
            return cutShort;
        if (marker == JetReaderFormat::endMarker)
            break;
        if (marker != JetReaderFormat::rowMarker)
            return Failure {u"the reader's output is garbled"_s};
        Row row;
        row.reserve(qsizetype(columnCount));
        for (quint32 column = 0; column < columnCount; ++column) {
            quint8 kind = 0;
            if ((in >> kind).status() != QDataStream::Ok)
                return cutShort;
            Value value {ValueKind(kind), {}};
            if (value.kind != ValueKind::Null) {
                if (value.kind != ValueKind::Text && value.kind != ValueKind::Binary)
                    return Failure {u"the reader's output holds a value of unknown kind"_s};
                if (readSized(in, value.bytes).status() != QDataStream::Ok)
                    return cutShort;
                if (value.kind == ValueKind::Text && invalidUtf8At(value.bytes))
                    return Failure {u"a text in the reader's output is not UTF-8"_s};
            }
            row.append(std::move(value));
        }
        output.rows.append(std::move(row));
    }
    quint32 rowCount = 0;
    if ((in >> rowCount).status() != QDataStream::Ok)
        return cutShort;
    if (qsizetype(rowCount) != output.rows.size())
        return Failure {u"the reader's output lacks rows"_s};
    if (!in.atEnd())
        return Failure {u"the reader's output has bytes after its end"_s};
    return output;
}

} // namespace Larkspan::JetImport
