#pragma once

#include "store/jet/ReaderFormat.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Larkspan {

// Builds the reader's output stream (see ReaderFormat.h) in memory; it is
// written out only once the whole table has been read, so a failure midway
// never leaves a stream that looks complete.
class TableStreamWriter
{
public:
    struct Column
    {
        std::string name;
        unsigned char type = 0;
    };
    struct Value
    {
        JetReaderFormat::ValueKind kind = JetReaderFormat::ValueKind::Null;
        std::string bytes;
    };

    explicit TableStreamWriter(const std::vector<Column> &columns);

    void addRow(const std::vector<Value> &values);
    // Appends the end marker and returns the whole stream.
    const std::string &finish();

    std::uint32_t rowCount() const { return m_rows; }

private:
    void put8(unsigned char value);
    void put32(std::uint32_t value);
    void putBytes(std::string_view bytes);

    std::string m_out;
    std::uint32_t m_rows = 0;
};

} // namespace Larkspan
