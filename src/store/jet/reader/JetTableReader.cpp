#include "JetTableReader.h"

#include "JetText.h"
#include "LongValue.h"

#include <cstring>
#include <memory>

namespace Larkspan {

using JetReaderFormat::ValueKind;

namespace {

MdbColumn &columnAt(MdbTableDef *table, unsigned index)
{
    return *static_cast<MdbColumn *>(g_ptr_array_index(table->columns, index));
}

// Bytes that a fixed-size column of this type occupies; 0 for types that
// are not read as fixed numbers.
unsigned fixedSize(int type)
{
    switch (type) {
    case MDB_BYTE:
        return 1;
    case MDB_INT:
        return 2;
    case MDB_LONGINT:
        return 4;
    case MDB_FLOAT:
        return 4;
    case MDB_MONEY:
    case MDB_DOUBLE:
    case MDB_DATETIME:
        return 8;
    case MDB_REPID:
        return 16;
    case MDB_NUMERIC:
        return 17;
    default:
        return 0;
    }
}

} // namespace

JetTableReader::JetTableReader(MdbHandle *mdb, MdbTableDef *table, const PageFile &file)
    : m_mdb(mdb)
    , m_table(table)
    , m_file(file)
{}

std::vector<TableStreamWriter::Column> JetTableReader::columns() const
{
    std::vector<TableStreamWriter::Column> result;
    for (unsigned i = 0; i < m_table->num_cols; ++i) {
        const MdbColumn &column = columnAt(m_table, i);
        result.push_back({column.name, static_cast<unsigned char>(column.col_type)});
    }
    return result;
}

// The table's usage map lists its data pages: either inline (type 0: a
// first page number and a bitmap) or through map pages (type 1: page numbers
// of bitmaps that each cover a run of pages).
std::optional<std::vector<std::uint32_t>> JetTableReader::dataPages(std::string *error) const
{
    const unsigned char *map = m_table->usage_map;
    const size_t mapSize = m_table->map_sz;
    std::vector<std::uint32_t> pages;
    const auto get32 = [](const unsigned char *p) {
        return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16)
            | (std::uint32_t(p[3]) << 24);
    };
    const auto take = [&](std::uint64_t page) {
        if (page >= m_file.pageCount()) {
            *error = "the table's page map lists page " + std::to_string(page)
                + ", beyond the end of the file: the file is cut short or damaged";
            return false;
        }
        pages.push_back(std::uint32_t(page));
        return true;
    };
    if (!map || mapSize < 5) {
        *error = "the table's page map is missing";
        return std::nullopt;
    }
    if (map[0] == 0) {
        const std::uint32_t first = get32(map + 1);
        for (size_t bit = 0; bit < (mapSize - 5) * 8; ++bit) {
            if ((map[5 + bit / 8] & (1u << (bit % 8))) && !take(std::uint64_t(first) + bit))
                return std::nullopt;
        }
        return pages;
    }
    if (map[0] == 1) {
        const size_t bitsPerMapPage = size_t(m_file.pageSize() - 4) * 8;
        PageFile::Page mapPage;
        for (size_t entry = 0; entry < (mapSize - 1) / 4; ++entry) {
            const std::uint32_t mapPageNumber = get32(map + 1 + entry * 4);
            if (mapPageNumber == 0)
                continue;
            if (!m_file.read(mapPageNumber, mapPage, error))
                return std::nullopt;
            for (size_t bit = 0; bit < bitsPerMapPage; ++bit) {
                if ((mapPage[4 + bit / 8] & (1u << (bit % 8)))
                    && !take(std::uint64_t(entry) * bitsPerMapPage + bit))
                    return std::nullopt;
            }
        }
        return pages;
    }
    *error = "the table's page map has an unknown type (" + std::to_string(map[0]) + ")";
    return std::nullopt;
}

bool JetTableReader::isOwnDataPage(const PageFile::Page &page) const
{
    return page[0] == PageFile::dataPageType
        && PageFile::get32(page, 4) == m_table->entry->table_pg;
}

bool JetTableReader::readRows(TableStreamWriter &writer, std::string *error)
{
    const std::optional<std::vector<std::uint32_t>> pages = dataPages(error);
    if (!pages)
        return false;

    PageFile::Page page;
    PageFile::Page target;
    for (const std::uint32_t pageNumber : *pages) {
        if (!m_file.read(pageNumber, page, error))
            return false;
        // The map may name pages that have since been given to another
        // object; they hold none of our rows.
        if (!isOwnDataPage(page))
            continue;
        const std::optional<unsigned> rows = m_file.rowCount(page);
        if (!rows) {
            *error = "page " + std::to_string(pageNumber) + " has a damaged row table";
            return false;
        }
        for (unsigned row = 0; row < *rows; ++row) {
            const std::optional<PageFile::Slot> slot = m_file.slot(page, row);
            if (!slot) {
                *error = "row " + std::to_string(row) + " of page " + std::to_string(pageNumber)
                    + " has impossible offsets";
                return false;
            }
            // Deleted rows, and rows moved here from another slot (which are
            // read where their pointer stands), carry the deleted flag.
            if (slot->flags & PageFile::deletedFlag)
                continue;
            if (!(slot->flags & PageFile::pointerFlag)) {
                if (!readRow(page, *slot, writer, error))
                    return false;
                continue;
            }
            // The row was rewritten to another page; its slot here holds the
            // row number and the 24-bit page number of its new place, and
            // the row belongs here, in this place of the order.
            if (slot->end - slot->start < 4) {
                *error = "a moved row on page " + std::to_string(pageNumber) + " has no pointer";
                return false;
            }
            const unsigned targetRow = page[slot->start];
            const std::uint32_t targetPage = PageFile::get32(page, slot->start) >> 8;
            if (!m_file.read(targetPage, target, error))
                return false;
            const std::optional<PageFile::Slot> moved
                = isOwnDataPage(target) ? m_file.slot(target, targetRow) : std::nullopt;
            if (!moved || moved->flags != PageFile::deletedFlag) {
                *error = "a row of page " + std::to_string(pageNumber) + " was moved to row "
                    + std::to_string(targetRow) + " of page " + std::to_string(targetPage)
                    + ", which does not hold it";
                return false;
            }
            if (!readRow(target, *moved, writer, error))
                return false;
        }
    }
    if (m_rowsRead != m_table->num_rows) {
        *error = "the table should hold " + std::to_string(m_table->num_rows) + " rows, but "
            + std::to_string(m_rowsRead) + " were found: the file is damaged";
        return false;
    }
    return true;
}

bool JetTableReader::readRow(const PageFile::Page &page, const PageFile::Slot &slot,
                             TableStreamWriter &writer, std::string *error)
{
    const unsigned numColumns = m_table->num_cols;
    std::memcpy(m_mdb->pg_buf, page.data(), page.size());
    std::unique_ptr<MdbField[]> fields(new MdbField[numColumns]());
    // The answer is the number of columns the row itself holds, which
    // differs from the table's when columns were added or deleted since the
    // row was written; every field is filled in either case, 0 means failure.
    const int cracked
        = mdb_crack_row(m_table, int(slot.start), slot.end - slot.start, fields.get());
    const std::string where = "row " + std::to_string(m_rowsRead + 1);
    if (cracked <= 0) {
        *error = where + " cannot be split into its columns";
        return false;
    }
    std::vector<Value> values(numColumns);
    std::vector<bool> seen(numColumns, false);
    for (unsigned i = 0; i < numColumns; ++i) {
        const MdbField &field = fields[i];
        if (field.colnum < 0 || unsigned(field.colnum) >= numColumns
            || seen[unsigned(field.colnum)]) {
            *error = where + " has a damaged column layout";
            return false;
        }
        seen[unsigned(field.colnum)] = true;
        const MdbColumn &column = columnAt(m_table, unsigned(field.colnum));
        std::optional<Value> value = fieldValue(column, field, page, slot, error);
        if (!value) {
            *error = where + ", column " + column.name + ": " + *error;
            return false;
        }
        values[unsigned(field.colnum)] = std::move(*value);
    }
    writer.addRow(values);
    ++m_rowsRead;
    return true;
}

std::optional<TableStreamWriter::Value> JetTableReader::fieldValue(const MdbColumn &column,
                                                                   const MdbField &field,
                                                                   const PageFile::Page &page,
                                                                   const PageFile::Slot &slot,
                                                                   std::string *error)
{
    // A yes/no column lives in the row's null bitmap: a set bit means yes.
    if (column.col_type == MDB_BOOL)
        return Value {ValueKind::Text, field.is_null ? "0" : "1"};
    if (field.is_null)
        return Value {ValueKind::Null, {}};
    if (field.siz < 0 || field.start < int(slot.start) || field.start + field.siz > int(slot.end)) {
        *error = "the value lies outside its row";
        return std::nullopt;
    }
    const std::string_view bytes(reinterpret_cast<const char *>(page.data()) + field.start,
                                 size_t(field.siz));
    switch (column.col_type) {
    case MDB_TEXT:
    case MDB_MEMO: {
        std::optional<std::string> raw(std::in_place, bytes);
        if (column.col_type == MDB_MEMO)
            raw = readLongValue(m_file, bytes, error);
        if (!raw)
            return std::nullopt;
        std::optional<std::string> text = decodeText(*raw);
        if (!text) {
            *error = "the text cannot be decoded whole";
            return std::nullopt;
        }
        return Value {ValueKind::Text, std::move(*text)};
    }
    case MDB_OLE: {
        std::optional<std::string> raw = readLongValue(m_file, bytes, error);
        if (!raw)
            return std::nullopt;
        return Value {ValueKind::Binary, std::move(*raw)};
    }
    case MDB_BINARY:
        return Value {ValueKind::Binary, std::string(bytes)};
    default:
        break;
    }
    std::optional<std::string> text = fixedValueText(column, field, slot);
    if (!text) {
        *error = "a value of column type " + std::to_string(column.col_type) + " cannot be read";
        return std::nullopt;
    }
    return Value {ValueKind::Text, std::move(*text)};
}

std::optional<std::string> JetTableReader::decodeText(std::string_view bytes) const
{
    if (m_mdb->f->jet_version == MDB_VER_JET3)
        return JetText::fromCodePage(bytes, m_mdb->f->code_page);
    return JetText::fromJet4(bytes);
}

// Numbers, currency, dates and replication ids, as libmdb spells them.
std::optional<std::string> JetTableReader::fixedValueText(const MdbColumn &column,
                                                          const MdbField &field,
                                                          const PageFile::Slot &slot) const
{
    const unsigned size = fixedSize(column.col_type);
    if (size == 0 || unsigned(field.siz) < size || unsigned(field.start) + size > slot.end)
        return std::nullopt;
    char *text = nullptr;
    if (column.col_type == MDB_NUMERIC)
        text = mdb_numeric_to_string(m_mdb, field.start, column.col_scale, column.col_prec);
    else if (column.col_type == MDB_MONEY)
        text = mdb_money_to_string(m_mdb, field.start);
    else
        text = mdb_col_to_string(m_mdb, m_mdb->pg_buf, field.start, column.col_type, field.siz);
    if (!text)
        return std::nullopt;
    std::string result(text);
    g_free(text);
    return result;
}

} // namespace Larkspan
