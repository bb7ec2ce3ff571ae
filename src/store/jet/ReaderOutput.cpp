#include "store/jet/ReaderOutput.h"

using namespace Qt::StringLiterals;

namespace Larkspan::JetImport {

namespace {

using JetReaderFormat::ValueKind;

class Cursor
{
public:
    explicit Cursor(QByteArrayView data) : m_data(data) { }

    bool atEnd() const { return m_pos == m_data.size(); }

    std::optional<quint8> byte()
    {
        if (m_pos >= m_data.size())
            return std::nullopt;
        return quint8(m_data[m_pos++]);
    }

    std::optional<quint32> u32()
    {
        if (m_data.size() - m_pos < 4)
            return std::nullopt;
        quint32 value = 0;
        for (int i = 0; i < 4; ++i)
            value |= quint32(quint8(m_data[m_pos + i])) << (8 * i);
        m_pos += 4;
        return value;
    }

    std::optional<QByteArrayView> bytes(qsizetype count)
    {
        if (m_data.size() - m_pos < count)
            return std::nullopt;
        const QByteArrayView result = m_data.sliced(m_pos, count);
        m_pos += count;
        return result;
    }

    std::optional<QByteArrayView> sizedBytes()
    {
        const std::optional<quint32> size = u32();
        if (!size)
            return std::nullopt;
        return bytes(qsizetype(*size));
    }

private:
    QByteArrayView m_data;
    qsizetype m_pos = 0;
};

bool isUtf8(QByteArrayView bytes)
{
    return QString::fromUtf8(bytes).toUtf8() == bytes;
}

} // namespace

std::optional<ReaderOutput> ReaderOutput::parse(QByteArrayView stream, QString *error)
{
    const auto refuse = [error](const QString &why) {
        *error = why;
        return std::nullopt;
    };
    const QString cutShort = u"the reader's output ends early"_s;

    Cursor cursor(stream);
    const std::optional<QByteArrayView> magic = cursor.bytes(JetReaderFormat::magicSize);
    if (!magic || *magic != QByteArrayView(JetReaderFormat::magic, JetReaderFormat::magicSize))
        return refuse(u"the reader's output does not start as expected"_s);

    ReaderOutput output;
    const std::optional<quint32> columnCount = cursor.u32();
    if (!columnCount)
        return refuse(cutShort);
    if (*columnCount == 0 || *columnCount > 4096)
        return refuse(u"the reader reports an impossible number of columns"_s);
    for (quint32 i = 0; i < *columnCount; ++i) {
        const std::optional<QByteArrayView> name = cursor.sizedBytes();
        const std::optional<quint8> type = cursor.byte();
        if (!name || !type)
            return refuse(cutShort);
        if (!isUtf8(*name))
            return refuse(u"a column name in the reader's output is not UTF-8"_s);
        output.columnNames.append(QString::fromUtf8(*name));
        output.columnTypes.append(*type);
    }

    for (;;) {
        const std::optional<quint8> marker = cursor.byte();
        if (!marker)
            return refuse(cutShort);
        if (*marker == JetReaderFormat::endMarker)
            break;
        if (*marker != JetReaderFormat::rowMarker)
            return refuse(u"the reader's output is garbled"_s);
        Row row;
        row.reserve(qsizetype(*columnCount));
        for (quint32 column = 0; column < *columnCount; ++column) {
            const std::optional<quint8> kind = cursor.byte();
            if (!kind)
                return refuse(cutShort);
            Value value;
            value.kind = ValueKind(*kind);
            if (value.kind == ValueKind::Null) {
                row.append(value);
                continue;
            }
            if (value.kind != ValueKind::Text && value.kind != ValueKind::Binary)
                return refuse(u"the reader's output holds a value of unknown kind"_s);
            const std::optional<QByteArrayView> bytes = cursor.sizedBytes();
            if (!bytes)
                return refuse(cutShort);
            if (value.kind == ValueKind::Text && !isUtf8(*bytes))
                return refuse(u"a text in the reader's output is not UTF-8"_s);
            value.bytes = bytes->toByteArray();
            row.append(value);
        }
        output.rows.append(row);
    }
    const std::optional<quint32> rowCount = cursor.u32();
    if (!rowCount)
        return refuse(cutShort);
    if (qsizetype(*rowCount) != output.rows.size())
        return refuse(u"the reader's output lacks rows"_s);
    if (!cursor.atEnd())
        return refuse(u"the reader's output has bytes after its end"_s);
    return output;
}

} // namespace Larkspan::JetImport
