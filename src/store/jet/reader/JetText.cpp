#include "JetText.h"

#include <cerrno>
#include <iconv.h>
#include <string>
#include <vector>

namespace Larkspan::JetText {

namespace {

bool isHighSurrogate(char16_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool isLowSurrogate(char16_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Expands compressed Jet 4 text into plain UTF-16 code units.
std::optional<std::u16string> expand(std::string_view bytes)
{
    std::u16string units;
    const auto byteAt = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const bool compressed = bytes.size() >= 2 && byteAt(0) == 0xFF && byteAt(1) == 0xFE;
    if (!compressed) {
        if (bytes.size() % 2 != 0)
            return std::nullopt;
        units.reserve(bytes.size() / 2);
        for (size_t i = 0; i < bytes.size(); i += 2)
            units.push_back(char16_t(byteAt(i) | (byteAt(i + 1) << 8)));
        return units;
    }
    units.reserve(bytes.size());
    bool oneByte = true;
    size_t i = 2;
    while (i < bytes.size()) {
        if (byteAt(i) == 0) {
            oneByte = !oneByte;
            ++i;
        } else if (oneByte) {
            units.push_back(char16_t(byteAt(i)));
            ++i;
        } else {
            if (i + 1 >= bytes.size())
                return std::nullopt;
            units.push_back(char16_t(byteAt(i) | (byteAt(i + 1) << 8)));
            i += 2;
        }
    }
    return units;
}

} // namespace

void appendUtf8(std::string &out, char32_t cp)
{
    if (cp < 0x80) {
        out.push_back(char(cp));
    } else if (cp < 0x800) {
        out.push_back(char(0xC0 | (cp >> 6)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(char(0xE0 | (cp >> 12)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(char(0xF0 | (cp >> 18)));
        out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    }
}

std::optional<std::string> fromJet4(std::string_view bytes)
{
    const std::optional<std::u16string> units = expand(bytes);
    if (!units)
        return std::nullopt;
    std::string out;
    out.reserve(units->size() * 3 / 2);
    for (size_t i = 0; i < units->size(); ++i) {
        const char16_t unit = (*units)[i];
        if (isHighSurrogate(unit)) {
            if (i + 1 >= units->size() || !isLowSurrogate((*units)[i + 1]))
                return std::nullopt;
            const char16_t low = (*units)[++i];
            appendUtf8(out, 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (char32_t(low) - 0xDC00));
        } else if (isLowSurrogate(unit)) {
            return std::nullopt;
        } else {
            appendUtf8(out, unit);
        }
    }
    return out;
}

std::optional<std::string> fromCodePage(std::string_view bytes, unsigned codePage)
{
    const std::string name = "CP" + std::to_string(codePage == 0 ? 1252 : codePage);
    iconv_t cd = iconv_open("UTF-8", name.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;

    std::string out;
    std::vector<char> chunk(4096);
    std::string input(bytes);
    char *in = input.data();
    size_t inLeft = input.size();
    bool ok = true;
    while (inLeft > 0) {
        char *outPtr = chunk.data();
        size_t outLeft = chunk.size();
        const size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(chunk.data(), chunk.size() - outLeft);
        if (result != size_t(-1))
            continue;
        if (errno == E2BIG)
            continue;
        if (errno == EILSEQ) {
            // A byte with no character in this code page.
            out.push_back('?');
            ++in;
            --inLeft;
            continue;
        }
        ok = false; // EINVAL: the text ends inside a multi-byte character
        break;
    }
    iconv_close(cd);
    if (!ok)
        return std::nullopt;
    return out;
}

} // namespace Larkspan::JetText
