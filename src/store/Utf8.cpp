#include "store/Utf8.h"

namespace Larkspan {

qsizetype invalidUtf8At(QByteArrayView text, qsizetype &tail)
{
    tail = 0;
    const auto *bytes = reinterpret_cast<const uchar *>(text.data());
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size;) {
        const uchar c = bytes[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        const int more = c < 0xC2 ? -1 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : c < 0xF5 ? 3 : -1;
        if (more < 0)
            return i;
        // The second byte's range rules out overlong forms, surrogates and
        // what lies beyond U+10FFFF.
        const uchar low = c == 0xE0 ? 0xA0 : c == 0xF0 ? 0x90 : 0x80;
        const uchar high = c == 0xED ? 0x9F : c == 0xF4 ? 0x8F : 0xBF;
        for (int k = 1; k <= more; ++k) {
            if (i + k == size) {
                tail = size - i;
                return -1;
            }
            const uchar next = bytes[i + k];
            if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF))
                return i;
        }
        i += more + 1;
    }
    return -1;
}

std::optional<qsizetype> invalidUtf8At(QByteArrayView text)
{
    qsizetype tail = 0;
    const qsizetype at = invalidUtf8At(text, tail);
    if (at >= 0)
        return at;
    // A character cut off at the end is not well-formed either.
    if (tail > 0)
        return text.size() - tail;
    return std::nullopt;
}

} // namespace Larkspan
