#include "store/LongText.h"

#include "store/StoredText.h"

#include <algorithm>

namespace Larkspan::LongText {

namespace {

QString cut(const QString &text, qsizetype length)
{
    // Never between the two halves of a surrogate pair.
    if (text[length].isLowSurrogate())
        --length;
    return text.left(length) + u'\u2026';
}

} // namespace

QString shortened(const QString &text)
{
    return text.size() <= shownLength ? text : cut(text, shownLength);
}

QString firstLine(const QString &text)
{
    const qsizetype scanned = std::min(text.size(), shownLength);
    for (qsizetype i = 0; i < scanned; ++i) {
        if (StoredText::isLineBreak(text[i]) || text[i] == QChar::LineSeparator)
            return cut(text, i);
    }
    return shortened(text);
}

} // namespace Larkspan::LongText
