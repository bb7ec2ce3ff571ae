#pragma once

#include "platform/Outcome.h"
#include "store/Record.h"

#include <QList>
#include <QString>

#include <functional>

namespace Larkspan::JetImport {

// Writes `records`, in their order, as a new address book into the empty
// file at `path`, then reads the file back and compares every field before
// syncing it to disk. `started` is called once the first row is written.
// A failure says why.
Outcome<void> writeAddressBook(const QString &path, const QList<Record> &records,
                               const std::function<void()> &started);

} // namespace Larkspan::JetImport
