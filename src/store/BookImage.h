#pragma once

#include "platform/Outcome.h"

#include <QString>

struct sqlite3;

// Whole copies of an address book, the only way anything of ours reaches
// the book's folder: the book is never written in place, only replaced
// whole, in one rename, by a file that was complete and on disk before.
namespace Larkspan::BookImage {

// Copies the database open on `from` (its main schema, in one reading) into
// a new file at `to`, which is made for the purpose.
Outcome<void> copy(sqlite3 *from, const QString &to);

// Reads the book at `path` into a new file at `to`, leaving no file beside
// the book; through a connection to `uri` when given (BookFiles::uri's
// reading one otherwise).
Outcome<void> read(const QString &path, const QString &to, const QString &uri = {});

// Puts the image at `image` in the place of the book at `path`: copied into
// a file of no name in the book's folder, synced to disk, then exchanged
// with the book in one step, with the book's permissions. A name that no
// program opens as part of a database stands for the file between its
// being named and the exchange; the book it displaced is left under that
// name, which is the answer (empty when there was no book), for the caller
// to look at and remove.
Outcome<QString> replace(const QString &image, const QString &path);

// Removes what a replacement that was cut off left in the book's folder.
void removeLeftovers(const QString &path);

} // namespace Larkspan::BookImage
