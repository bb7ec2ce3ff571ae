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
// each in record order, as a bookmark file wants them: read in one pass in
// record order and grouped in memory, which is many times quicker than
// asking the table for each category's entries in turn. A book too large to
// group within `largestBytes` is left to the table.
class CategoryGroups
{
public:
    static constexpr qsizetype largestBytes = qsizetype(64) << 20;

    // Hands every entry of the open `table` to `each` in that order; false
    // from `each` stops.
    static Outcome<void> forEach(AddressTable &table,
                                 const std::function<bool(const Record &)> &each);

private:
    bool add(const Record &record);

    QHash<QString, qsizetype> m_index; // the place of each category in m_groups
    std::vector<std::vector<Record>> m_groups;
    qsizetype m_bytes = 0;
};

} // namespace Larkspan
