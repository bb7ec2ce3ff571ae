#include "store/FileFormat.h"

#include <QFile>

#include <array>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Larkspan {

namespace {

// Jet and ACE files: 00 01 00 00, then the engine's name with a NUL, then
// the version byte at 0x14 (0 for Jet 3, 1 for Jet 4).
constexpr std::array<unsigned char, 4> accessMagic = {0x00, 0x01, 0x00, 0x00};
constexpr char jetName[] = "Standard Jet DB"; // 15 characters + NUL
constexpr char aceName[] = "Standard ACE DB";
constexpr int nameOffset = 4;
constexpr int versionOffset = 0x14;
constexpr char sqliteMagic[] = "SQLite format 3"; // 15 characters + NUL

constexpr int headerSize = versionOffset + 1;

bool startsWithAccessName(const unsigned char *bytes, const char (&name)[16])
{
    return std::memcmp(bytes, accessMagic.data(), accessMagic.size()) == 0
        && std::memcmp(bytes + nameOffset, name, sizeof name) == 0;
}

} // namespace

FileFormat detectFileFormat(const QString &path)
{
    const QByteArray encoded = QFile::encodeName(path);
    struct stat info = {};
    if (::stat(encoded.constData(), &info) != 0)
        return errno == ENOENT || errno == ENOTDIR ? FileFormat::Missing : FileFormat::Unreadable;
    if (!S_ISREG(info.st_mode))
        return FileFormat::NotARegularFile;

    const int fd = ::open(encoded.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return FileFormat::Unreadable;
    std::array<unsigned char, headerSize> bytes {};
    ssize_t filled = 0;
    bool failed = false;
    while (filled < headerSize) {
        const ssize_t got = ::read(fd, bytes.data() + filled, bytes.size() - size_t(filled));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            failed = true;
            break;
        }
        if (got == 0)
            break;
        filled += got;
    }
    ::close(fd);
    if (failed)
        return FileFormat::Unreadable;

    if (filled >= int(sizeof sqliteMagic)
        && std::memcmp(bytes.data(), sqliteMagic, sizeof sqliteMagic) == 0)
        return FileFormat::SQLite;
    if (filled < headerSize)
        return FileFormat::Unknown;
    if (startsWithAccessName(bytes.data(), aceName))
        return FileFormat::Ace;
    if (startsWithAccessName(bytes.data(), jetName)) {
        switch (bytes[versionOffset]) {
        case 0:
            return FileFormat::Jet3;
        case 1:
            return FileFormat::Jet4;
        default:
            return FileFormat::Unknown;
        }
    }
    return FileFormat::Unknown;
}

} // namespace Larkspan
