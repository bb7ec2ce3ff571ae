#pragma once

#include <QString>

// The address books the benchmark runs on, written straight through SQLite.
namespace BenchBook {

struct Shape
{
    int entries = 0;
    bool skewed = false; // one category holds a tenth of all entries
};

// Writes `path` with `shape.entries` entries: about one category per hundred
// entries, 1% duplicated addresses, categories that differ only in case,
// some empty texts and non-ASCII text.
void write(const QString &path, const Shape &shape);

// A category of typical size.
QString typicalCategory(const Shape &shape);

} // namespace BenchBook
