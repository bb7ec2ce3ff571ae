#include "PageFile.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Larkspan {

PageFile::~PageFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool PageFile::open(const std::string &path, unsigned pageSize, unsigned rowCountOffset,
                    std::string *error)
{
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0) {
        *error = "cannot open the file: " + std::string(std::strerror(errno));
        return false;
    }
    struct stat info = {};
    if (::fstat(m_fd, &info) != 0) {
        *error = "cannot examine the file: " + std::string(std::strerror(errno));
        return false;
    }
    m_pageSize = pageSize;
    m_rowCountOffset = rowCountOffset;
    if (info.st_size <= 0 || std::uint64_t(info.st_size) % pageSize != 0) {
        *error = "the file is cut short or damaged: its size (" + std::to_string(info.st_size)
            + " bytes) is not a whole number of " + std::to_string(pageSize) + "-byte pages";
        return false;
    }
    const std::uint64_t pages = std::uint64_t(info.st_size) / pageSize;
    if (pages > 0xFFFFFF) { // page numbers have 24 bits in row pointers
        *error = "the file is larger than any Jet file can be";
        return false;
    }
    m_pageCount = std::uint32_t(pages);
    return true;
}

bool PageFile::read(std::uint32_t pageNumber, Page &page, std::string *error) const
{
    if (pageNumber >= m_pageCount) {
        *error = "page " + std::to_string(pageNumber) + " lies beyond the end of the file ("
            + std::to_string(m_pageCount) + " pages): the file is cut short or damaged";
        return false;
    }
    page.resize(m_pageSize);
    size_t filled = 0;
    while (filled < m_pageSize) {
        const ssize_t got = ::pread(m_fd, page.data() + filled, m_pageSize - filled,
                                    off_t(pageNumber) * m_pageSize + off_t(filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            *error = "page " + std::to_string(pageNumber) + " cannot be read: "
                + (got < 0 ? std::string(std::strerror(errno)) : std::string("end of file"));
            return false;
        }
        filled += size_t(got);
    }
    return true;
}

std::uint16_t PageFile::get16(const Page &page, unsigned offset)
{
    return std::uint16_t(page[offset] | (page[offset + 1] << 8));
}

std::uint32_t PageFile::get32(const Page &page, unsigned offset)
{
    return std::uint32_t(page[offset]) | (std::uint32_t(page[offset + 1]) << 8)
        | (std::uint32_t(page[offset + 2]) << 16) | (std::uint32_t(page[offset + 3]) << 24);
}

std::optional<unsigned> PageFile::rowCount(const Page &page) const
{
    if (page.size() != m_pageSize || m_rowCountOffset + 2 > m_pageSize)
        return std::nullopt;
    const unsigned rows = get16(page, m_rowCountOffset);
    if (m_rowCountOffset + 2 + 2 * rows > m_pageSize)
        return std::nullopt;
    return rows;
}

std::optional<PageFile::Slot> PageFile::slot(const Page &page, unsigned row) const
{
    const std::optional<unsigned> rows = rowCount(page);
    if (!rows || row >= *rows)
        return std::nullopt;
    const std::uint16_t raw = get16(page, m_rowCountOffset + 2 + 2 * row);
    Slot result;
    result.flags = raw & flagMask;
    result.start = raw & offsetMask;
    // A row ends where the one before it in the slot table starts; the first
    // row runs to the end of the page.
    result.end = row == 0 ? m_pageSize : (get16(page, m_rowCountOffset + 2 * row) & offsetMask);
    const unsigned slotTableEnd = m_rowCountOffset + 2 + 2 * *rows;
    if (result.start < slotTableEnd || result.end > m_pageSize || result.start > result.end)
        return std::nullopt;
    return result;
}

} // namespace Larkspan
