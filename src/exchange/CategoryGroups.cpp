#include "exchange/CategoryGroups.h"

#include "store/AddressTable.h"

namespace Larkspan {

bool CategoryGroups::add(const Record &record)
{
    // The texts and what holding them costs besides.
    m_bytes += 2 * (record.type.size() + record.address.size() + record.about.size()) + 96;
    if (m_bytes > largestBytes)
        return false;
    auto found = m_index.constFind(record.type);
    if (found == m_index.cend()) {
        found = m_index.insert(record.type, qsizetype(m_groups.size()));
        m_groups.emplace_back();
    }
    m_groups[size_t(*found)].push_back(record);
    return true;
}

Outcome<void> CategoryGroups::forEach(AddressTable &table,
                                      const std::function<bool(const Record &)> &each)
{
    CategoryGroups groups;
    bool fits = true;
    const Outcome<void> read = table.forEach(AddressTable::Order::Records,
                                             [&](const Record &r) { return fits = groups.add(r); });
    if (!read.ok())
        return read;
    if (!fits)
        return table.forEach(AddressTable::Order::ByCategory, each);
    for (const std::vector<Record> &group : groups.m_groups) {
        for (const Record &record : group) {
            if (!each(record))
                return {};
        }
    }
    return {};
}

} // namespace Larkspan
