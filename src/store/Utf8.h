#pragma once

#include <QByteArrayView>

#include <optional>

namespace Larkspan {

// The offset of the first byte that does not begin well-formed UTF-8:
// overlong forms and surrogates included, since no entry can hold them.
// Nothing when all of `text` is well-formed.
std::optional<qsizetype> invalidUtf8At(QByteArrayView text);

} // namespace Larkspan
