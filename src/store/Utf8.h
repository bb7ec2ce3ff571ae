#pragma once

#include <QByteArrayView>

#include <optional>

namespace Larkspan {

// The offset of the first byte that does not begin well-formed UTF-8:
// overlong forms and surrogates included, since no entry can hold them.
// Nothing when all of `text` is well-formed.
std::optional<qsizetype> invalidUtf8At(QByteArrayView text);

// The same for a piece of a longer text, which may end inside a character:
// the offset, or -1, with `tail` the length of a character cut off at the
// end (0 when none is).
qsizetype invalidUtf8At(QByteArrayView text, qsizetype &tail);

} // namespace Larkspan
