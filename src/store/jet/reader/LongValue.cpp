#include "LongValue.h"

#include "PageFile.h"

#include <algorithm>
#include <cstdint>

namespace Larkspan {

namespace {

constexpr size_t referenceSize = 12;
constexpr std::uint32_t inlineFlag = 0x80000000u;
constexpr std::uint32_t singlePageFlag = 0x40000000u;
constexpr std::uint32_t lengthMask = 0x3FFFFFFFu;

std::uint32_t get32(std::string_view bytes, size_t offset)
{
    const auto at
        = [&](size_t i) { return std::uint32_t(static_cast<unsigned char>(bytes[offset + i])); };
    return at(0) | (at(1) << 8) | (at(2) << 16) | (at(3) << 24);
}

// The row that a 32-bit pointer (page << 8 | row) designates.
bool fetchRow(const PageFile &file, std::uint32_t pointer, PageFile::Page &page,
              PageFile::Slot &slot, std::string *error)
{
    const std::uint32_t pageNumber = pointer >> 8;
    const unsigned row = pointer & 0xFF;
    if (!file.read(pageNumber, page, error))
        return false;
    const std::optional<PageFile::Slot> found
        = page[0] == PageFile::dataPageType ? file.slot(page, row) : std::nullopt;
    if (!found || (found->flags & PageFile::deletedFlag)) {
        *error = "a memo or OLE value points to row " + std::to_string(row) + " of page "
            + std::to_string(pageNumber) + ", which holds no such data";
        return false;
    }
    slot = *found;
    return true;
}

} // namespace

std::optional<std::string> readLongValue(const PageFile &file, std::string_view reference,
                                         std::string *error)
{
    if (reference.empty())
        return std::string();
    if (reference.size() < referenceSize) {
        *error = "a memo or OLE reference is too short (" + std::to_string(reference.size())
            + " bytes)";
        return std::nullopt;
    }
    const std::uint32_t header = get32(reference, 0);
    const std::uint32_t length = header & lengthMask;
    if (length > file.fileSize()) {
        *error = "a memo or OLE value claims " + std::to_string(length)
            + " bytes, more than the whole file holds";
        return std::nullopt;
    }
    const auto cutShort = [&](size_t got) {
        *error = "a memo or OLE value of " + std::to_string(length) + " bytes ends after "
            + std::to_string(got) + " bytes";
        return std::nullopt;
    };

    if (header & inlineFlag) {
        if (header & singlePageFlag) {
            *error = "a memo or OLE reference carries contradictory flags";
            return std::nullopt;
        }
        const std::string_view data = reference.substr(referenceSize);
        if (data.size() < length)
            return cutShort(data.size());
        return std::string(data.substr(0, length));
    }

    PageFile::Page page;
    PageFile::Slot slot;
    std::uint32_t pointer = get32(reference, 4);
    if (header & singlePageFlag) {
        if (!fetchRow(file, pointer, page, slot, error))
            return std::nullopt;
        if (slot.end - slot.start < length)
            return cutShort(slot.end - slot.start);
        return std::string(reinterpret_cast<const char *>(page.data()) + slot.start, length);
    }

    // A chain: each row starts with the pointer to the next one.
    std::string value;
    while (value.size() < length) {
        if (pointer == 0)
            return cutShort(value.size());
        if (!fetchRow(file, pointer, page, slot, error))
            return std::nullopt;
        if (slot.end - slot.start <= 4) {
            *error
                = "a memo or OLE value has an empty piece on page " + std::to_string(pointer >> 8);
            return std::nullopt;
        }
        const size_t piece = std::min<size_t>(slot.end - slot.start - 4, length - value.size());
        value.append(reinterpret_cast<const char *>(page.data()) + slot.start + 4, piece);
        pointer = PageFile::get32(page, slot.start);
    }
    return value;
}

} // namespace Larkspan
