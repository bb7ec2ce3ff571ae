#pragma once

#include <QList>
#include <QString>

class QIODevice;

// The commands "deleted" and "restore": the entries deleted on any copy of
// the address book in the last 30 days, and bringing them back.
namespace Larkspan::DeletedCommand {

enum Status { Done = 0, Failed = 1, Misused = 2 };

// Lists them, newest first, numbered, one to a line: when it went,
// category, address and the first line of its information, between tabs.
// With `purge`, forgets them all instead.
int list(const QString &bookPath, bool purge, QIODevice &output, QIODevice &errors);

// Brings back the entries with these numbers in list()'s numbering, each
// in its category and at its place in the record order.
int restore(const QString &bookPath, const QList<int> &numbers, QIODevice &output,
            QIODevice &errors);

} // namespace Larkspan::DeletedCommand
