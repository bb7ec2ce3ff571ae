#pragma once

#include <QString>

namespace Larkspan::Sql {

// Texts are never NULL in the table: a null QString would bind as NULL,
// which no column takes and no comparison matches, so it goes in as "".
inline QString storedText(const QString &value)
{
    using namespace Qt::StringLiterals;
    return value.isNull() ? u""_s : value;
}

} // namespace Larkspan::Sql
