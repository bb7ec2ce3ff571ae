#pragma once

#include "platform/Outcome.h"
#include "store/Record.h"

#include <QHash>
#include <QString>

#include <functional>
#include <vector>

namespace Larkspan {

class AddressTable;

// A book's entries grouped by category, each category at its first entry,
// each in record order, as a bookmark file wants them. The table is read in
// record order, which is many times quicker than asking it for each
// category's entries in turn: once to learn the categories and their sizes,
// then once for each run of categories that fits in `largestBytes`, held in
// memory and handed on.
class CategoryGroups
{
public:
    static constexpr qsizetype largestBytes = qsizetype(64) << 20;

    // Hands every entry of the open `table` to `each` in that order; false
    // from `each` stops.
    static Outcome<void> forEach(AddressTable &table,
                                 const std::function<bool(const Record &)> &each);

private:
    // What holding `record` costs: its texts and what comes with them.
    static qsizetype bytesOf(const Record &record);

    QHash<QString, qsizetype> m_index; // each category's place in first-appearance order
    std::vector<qsizetype> m_bytes; // what each category's entries cost
};

} // namespace Larkspan
