#include "store/Utf8.h"

namespace Larkspan {

std::optional<qsizetype> invalidUtf8At(QByteArrayView text)
{
    const auto *bytes = reinterpret_cast<const uchar *>(text.data());
    const qsizetype size = text.size();
    qsizetype i = 0;
    while (i < size) {
        const uchar lead = bytes[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        int following = 0;
        char32_t point = 0;
        char32_t smallest = 0;
        if ((lead & 0xE0) == 0xC0) {
            following = 1, point = lead & 0x1F, smallest = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            following = 2, point = lead & 0x0F, smallest = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            following = 3, point = lead & 0x07, smallest = 0x10000;
        } else {
            return i;
        }
        if (size - i <= following)
            return i;
        for (int k = 1; k <= following; ++k) {
            if ((bytes[i + k] & 0xC0) != 0x80)
                return i;
            point = (point << 6) | (bytes[i + k] & 0x3F);
        }
        if (point < smallest || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
            return i;
        i += following + 1;
    }
    return std::nullopt;
}

} // namespace Larkspan
