#pragma once

#include "PageFile.h"
#include "TableStreamWriter.h"

#include <glib.h> // before mdbtools.h, which includes it inside extern "C"
#include <mdbtools.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Larkspan {

// Reads one table of an open Jet file row by row, in the order the rows are
// stored. libmdb supplies the catalog, the column definitions and the
// splitting of a row into its fields; pages, row slots, forwarding pointers,
// memo chains and text decoding are done here, checked against the file.
class JetTableReader
{
public:
    JetTableReader(MdbHandle *mdb, MdbTableDef *table, const PageFile &file);

    std::vector<TableStreamWriter::Column> columns() const;

    // Hands every live row, in stored order, to `writer`. Fails as soon as a
    // value cannot be read whole, and when the rows found disagree with the
    // row count that the table definition keeps.
    bool readRows(TableStreamWriter &writer, std::string *error);

private:
    using Value = TableStreamWriter::Value;

    std::optional<std::vector<std::uint32_t>> dataPages(std::string *error) const;
    bool isOwnDataPage(const PageFile::Page &page) const;
    bool readRow(const PageFile::Page &page, const PageFile::Slot &slot, TableStreamWriter &writer,
                 std::string *error);
    std::optional<Value> fieldValue(const MdbColumn &column, const MdbField &field,
                                    const PageFile::Page &page, const PageFile::Slot &slot,
                                    std::string *error);
    std::optional<std::string> decodeText(std::string_view bytes) const;
    std::optional<std::string> fixedValueText(const MdbColumn &column, const MdbField &field,
                                              const PageFile::Slot &slot) const;

    MdbHandle *m_mdb;
    MdbTableDef *m_table;
    const PageFile &m_file;
    std::uint32_t m_rowsRead = 0;
};

} // namespace Larkspan
