#pragma once

#include <QString>
#include <QStringList>

// The copies that file-sync tools keep of a book that two machines changed
// while apart, lying beside the book under names of their own:
//   Syncthing  Tessmoor.sync-conflict-20261209-101500-ABCDEFG.mdb
//   Nextcloud  Tessmoor (conflicted copy 2026-12-09 101500).mdb
//   Dropbox    Tessmoor (Jane's conflicted copy 2026-12-09).mdb, or with " (1)"
namespace Larkspan::ConflictCopies {

// The paths of the copies that lie beside the book at `bookPath`.
QStringList beside(const QString &bookPath);

} // namespace Larkspan::ConflictCopies
