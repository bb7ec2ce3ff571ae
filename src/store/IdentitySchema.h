#pragma once

#include "store/Schema.h"

// Every entry's identity and times, kept in the book beside the address
// table by triggers, so that they travel with the file and two copies of
// the book can be merged entry by entry without a common ancestor (see
// docs/sync.md):
//  - each entry's identity (16 bytes), when it was made and when its fields
//    last changed, by its row in the address table;
//  - each deleted entry, remembered by its identity with when it went, so
//    that an older copy never brings it back, and with its fields until
//    they are purged, so that it can be restored.
// Times are milliseconds since 1970. "made" only ever grows within a copy,
// so the record order is the order of (made, identity) in every copy.
namespace Larkspan::Schema {

inline constexpr char16_t entryTable[] = u"LarkspanEntries";
inline constexpr char16_t deletedTable[] = u"LarkspanDeleted";
inline constexpr char16_t entryOrderIndex[] = u"LarkspanEntriesInOrder";
inline constexpr char16_t deletedOrderIndex[] = u"LarkspanDeletedInOrder";
inline constexpr char16_t idColumn[] = u"id";
inline constexpr char16_t madeColumn[] = u"made";
inline constexpr char16_t changedColumn[] = u"changed";
inline constexpr char16_t deletedColumn[] = u"deleted";
inline constexpr char16_t restoredColumn[] = u"restored";

// clang-format off
inline constexpr auto createEntryTable = join(
    u"CREATE TABLE ", entryTable, u" (",
    rowColumn, u" INTEGER PRIMARY KEY, ",
    idColumn, u" BLOB NOT NULL UNIQUE, ",
    madeColumn, u" INTEGER NOT NULL, ",
    changedColumn, u" INTEGER NOT NULL)");
inline constexpr auto createEntryOrderIndex = join(
    u"CREATE INDEX ", entryOrderIndex, u" ON ", entryTable, u" (", madeColumn, u", ", idColumn, u")");
// The fields are NULL once purged; `restored` is 1 once the entry came back
// under an identity of its own.
inline constexpr auto createDeletedTable = join(
    u"CREATE TABLE ", deletedTable, u" (",
    idColumn, u" BLOB PRIMARY KEY NOT NULL, ",
    deletedColumn, u" INTEGER NOT NULL, ",
    madeColumn, u" INTEGER NOT NULL, ",
    changedColumn, u" INTEGER NOT NULL, ",
    rowColumn, u" INTEGER NOT NULL, ",
    typeColumn, u" TEXT, ", addressColumn, u" TEXT, ", aboutColumn, u" TEXT, ",
    restoredColumn, u" INTEGER NOT NULL DEFAULT 0) WITHOUT ROWID");
inline constexpr auto createDeletedOrderIndex = join(
    u"CREATE INDEX ", deletedOrderIndex, u" ON ", deletedTable, u" (", deletedColumn, u")");

// Now, as the triggers tell it.
inline constexpr char16_t nowMs[] = u"CAST((julianday('now') - 2440587.5) * 86400000.0 AS INTEGER)";

inline constexpr char16_t identityInsertTrigger[] = u"LarkspanIdentityOnInsert";
inline constexpr char16_t identityUpdateTrigger[] = u"LarkspanIdentityOnUpdate";
inline constexpr char16_t identityDeleteTrigger[] = u"LarkspanIdentityOnDelete";

// A new entry is made after every entry before it, even when this
// machine's clock is behind the one that made those.
inline constexpr auto createIdentityInsertTrigger = join(
    u"CREATE TRIGGER ", identityInsertTrigger, u" AFTER INSERT ON ", table, u" BEGIN",
    u" INSERT OR REPLACE INTO ", entryTable, u" (", rowColumn, u", ", idColumn, u", ", madeColumn,
    u", ", changedColumn, u") VALUES (new.rowid, randomblob(16), MAX(", nowMs, u", IFNULL((SELECT ",
    madeColumn, u" FROM ", entryTable, u" WHERE ", rowColumn, u" < new.rowid ORDER BY ", rowColumn,
    u" DESC LIMIT 1), 0) + 1), ", nowMs, u"); END");
// Fields compare exactly, whatever the columns declare; a change is later
// than the one before it.
inline constexpr auto createIdentityUpdateTrigger = join(
    u"CREATE TRIGGER ", identityUpdateTrigger, u" AFTER UPDATE ON ", table, u" BEGIN",
    u" UPDATE OR REPLACE ", entryTable, u" SET ", rowColumn, u" = new.rowid, ", changedColumn,
    u" = CASE WHEN old.", typeColumn, u" IS NOT new.", typeColumn, u" COLLATE BINARY",
    u" OR old.", addressColumn, u" IS NOT new.", addressColumn, u" COLLATE BINARY",
    u" OR old.", aboutColumn, u" IS NOT new.", aboutColumn, u" COLLATE BINARY",
    u" THEN MAX(", nowMs, u", ", changedColumn, u" + 1) ELSE ", changedColumn, u" END",
    u" WHERE ", rowColumn, u" = old.rowid; END");
// The first deletion of an identity is the one remembered.
inline constexpr auto createIdentityDeleteTrigger = join(
    u"CREATE TRIGGER ", identityDeleteTrigger, u" AFTER DELETE ON ", table, u" BEGIN",
    u" INSERT OR IGNORE INTO ", deletedTable, u" (", idColumn, u", ", deletedColumn, u", ",
    madeColumn, u", ", changedColumn, u", ", rowColumn, u", ", typeColumn, u", ", addressColumn,
    u", ", aboutColumn, u") SELECT ", idColumn, u", ", nowMs, u", ", madeColumn, u", ",
    changedColumn, u", old.rowid, ", oldType, u", ", oldAddress, u", IFNULL(old.", aboutColumn,
    u", '') FROM ", entryTable, u" WHERE ", rowColumn, u" = old.rowid;",
    u" DELETE FROM ", entryTable, u" WHERE ", rowColumn, u" = old.rowid; END");
// clang-format on

} // namespace Larkspan::Schema
