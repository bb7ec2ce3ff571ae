#pragma once

#include <QString>

// Files of the same made-up bookmarks for the benchmark: `count` bookmarks
// in 100 folders (500 categories in the book and in buku), as Larkspan, buku,
// Firefox and Chromium keep them.
namespace BrowserFiles {

void writeBook(const QString &path, int count);
void writeBuku(const QString &path, int count);
void writePlaces(const QString &path, int count);
void writeChromium(const QString &path, int count);

} // namespace BrowserFiles
