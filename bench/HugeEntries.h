#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

// The windows on one entry of enormous size: information of 10 MB on one
// line or in 100,000 short lines, an address or a category of 10 MB. Every
// action is timed with the painting it causes.
namespace HugeEntries {

// The kinds of entry, as the child process is told them.
QStringList kinds();

// In a child process: a book with that entry beside a few ordinary ones;
// prints one line per action: name, median, slowest and processor ms.
int run(const QString &kind);

// Runs a child for each kind and prints the table.
void reportAll(const QString &self, QTextStream &out);

} // namespace HugeEntries
