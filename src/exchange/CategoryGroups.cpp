#include "exchange/CategoryGroups.h"

#include "store/AddressTable.h"

namespace Larkspan {

qsizetype CategoryGroups::bytesOf(const Record &record)
{
    return 2 * (record.type.size() + record.address.size() + record.about.size()) + 96;
}

Outcome<void> CategoryGroups::forEach(AddressTable &table,
                                      const std::function<bool(const Record &)> &each)
{
    CategoryGroups groups;
    const Outcome<void> counted = table.forEach(AddressTable::Order::Records, [&](const Record &r) {
        auto at = groups.m_index.constFind(r.type);
        if (at == groups.m_index.cend()) {
            at = groups.m_index.insert(r.type, qsizetype(groups.m_bytes.size()));
            groups.m_bytes.push_back(0);
        }
        groups.m_bytes[size_t(*at)] += bytesOf(r);
        return true;
    });
    if (!counted.ok())
        return counted;

    const qsizetype categories = qsizetype(groups.m_bytes.size());
    for (qsizetype first = 0; first < categories;) {
        // As many categories as fit, and one at least.
        qsizetype end = first + 1;
        for (qsizetype bytes = groups.m_bytes[size_t(first)];
             end < categories && bytes + groups.m_bytes[size_t(end)] <= largestBytes; ++end)
            bytes += groups.m_bytes[size_t(end)];
        std::vector<std::vector<Record>> held(size_t(end - first));
        const Outcome<void> read
            = table.forEach(AddressTable::Order::Records, [&](const Record &r) {
                  const qsizetype at = groups.m_index.value(r.type);
                  if (at >= first && at < end)
                      held[size_t(at - first)].push_back(r);
                  return true;
              });
        if (!read.ok())
            return read;
        for (const std::vector<Record> &group : held) {
            for (const Record &record : group) {
                if (!each(record))
                    return {};
            }
        }
        first = end;
    }
    return {};
}

} // namespace Larkspan
