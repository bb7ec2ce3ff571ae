#include "TableStreamWriter.h"

namespace Larkspan {

TableStreamWriter::TableStreamWriter(const std::vector<Column> &columns)
{
    m_out.append(JetReaderFormat::magic, JetReaderFormat::magicSize);
    put32(std::uint32_t(columns.size()));
    for (const Column &column : columns) {
        putBytes(column.name);
        put8(column.type);
    }
}

void TableStreamWriter::addRow(const std::vector<Value> &values)
{
    put8(JetReaderFormat::rowMarker);
    for (const Value &value : values) {
        put8(static_cast<unsigned char>(value.kind));
        if (value.kind != JetReaderFormat::ValueKind::Null)
            putBytes(value.bytes);
    }
    ++m_rows;
}

const std::string &TableStreamWriter::finish()
{
    put8(JetReaderFormat::endMarker);
    put32(m_rows);
    return m_out;
}

void TableStreamWriter::put8(unsigned char value)
{
    m_out.push_back(static_cast<char>(value));
}

void TableStreamWriter::put32(std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        put8(static_cast<unsigned char>(value >> shift));
}

void TableStreamWriter::putBytes(std::string_view bytes)
{
    put32(std::uint32_t(bytes.size()));
    m_out.append(bytes);
}

} // namespace Larkspan
