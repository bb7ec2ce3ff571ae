#pragma once

#include "platform/Outcome.h"

#include <QString>

#include <functional>

struct sqlite3;

namespace Larkspan {

// The companion tables beside the address table (see Schema.h) and the
// triggers that keep them in step with every write. Other tools can still
// put them out of step: a dropped trigger lets writes by, an INSERT OR
// REPLACE deletes a record without firing the delete trigger, a VACUUM can
// renumber the records. So they are checked at every open, and built afresh
// from the table when they no longer describe it.
class CompanionTables
{
public:
    // How far a build has come, from 0 to 1.
    using Progress = std::function<void(double done)>;

    explicit CompanionTables(sqlite3 *db)
        : m_db(db)
    {}

    // Makes the file ready for the fast lists: the index for lookups by
    // address, and companion tables that describe the table, built afresh
    // in one transaction when the check finds them wanting. A failure leaves
    // the file as it was.
    Outcome<void> prepare(const Progress &progress = {});

    // Whether the companion tables are this program's own, with every
    // trigger in place, and hold what the table holds. Cheap at any size:
    // counts, and the first and the last record looked up.
    Outcome<bool> inStep();

private:
    Outcome<bool> addressIndexIsExact();
    Outcome<void> build(const Progress &progress);
    Outcome<void> fill(const Progress &progress);
    Outcome<void> exec(QStringView sql);

    sqlite3 *m_db;
};

} // namespace Larkspan
