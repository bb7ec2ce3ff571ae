#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace Larkspan {

// Raw, bounds-checked access to the pages of a Jet file. libmdb trusts the
// file; this does not: every page number, row slot and offset is checked
// against what the file really holds before anything is read.
class PageFile
{
public:
    using Page = std::vector<unsigned char>;

    // The row-slot flags of a data page.
    static constexpr std::uint16_t deletedFlag = 0x8000; // also on moved-to rows
    static constexpr std::uint16_t pointerFlag = 0x4000; // holds a pointer to the row
    static constexpr std::uint16_t flagMask = 0xC000;
    static constexpr std::uint16_t offsetMask = 0x1FFF;
    static constexpr unsigned char dataPageType = 0x01;

    struct Slot
    {
        std::uint16_t flags = 0;
        unsigned start = 0; // offset of the row's first byte
        unsigned end = 0; // offset just past its last byte
    };

    PageFile() = default;
    ~PageFile();
    PageFile(const PageFile &) = delete;
    PageFile &operator=(const PageFile &) = delete;

    // Opens `path` for reading pages of `pageSize` bytes; `rowCountOffset`
    // is where a data page keeps its number of rows (8 in Jet 3, 12 in Jet 4).
    bool open(const std::string &path, unsigned pageSize, unsigned rowCountOffset,
              std::string *error);

    unsigned pageSize() const { return m_pageSize; }
    std::uint32_t pageCount() const { return m_pageCount; }
    std::uint64_t fileSize() const { return std::uint64_t(m_pageCount) * m_pageSize; }

    bool read(std::uint32_t pageNumber, Page &page, std::string *error) const;

    // The number of row slots on a data page, or nothing when the slot table
    // does not fit the page.
    std::optional<unsigned> rowCount(const Page &page) const;
    // Slot `row` of a data page, or nothing when it is out of range or its
    // offsets are impossible.
    std::optional<Slot> slot(const Page &page, unsigned row) const;

    static std::uint16_t get16(const Page &page, unsigned offset);
    static std::uint32_t get32(const Page &page, unsigned offset);

private:
    int m_fd = -1;
    unsigned m_pageSize = 0;
    unsigned m_rowCountOffset = 0;
    std::uint32_t m_pageCount = 0;
};

} // namespace Larkspan
