#pragma once

#include "store/SqlText.h"

// The address table as it lies in the file. Names are spelled as existing
// address books spell them ("Informaiton" included); every statement that
// touches the file takes them from here.
namespace Larkspan::Schema {

inline constexpr char16_t databaseFileName[] = u"Tessmoor.mdb";
inline constexpr char16_t table[] = u"Informaiton";
inline constexpr char16_t typeColumn[] = u"Type";
inline constexpr char16_t addressColumn[] = u"address";
inline constexpr char16_t aboutColumn[] = u"About";

// Three text columns, never NULL, empty by default. The rowid gives the
// record order: the order in which entries were added.
// clang-format off
inline constexpr auto createTable = join(
    u"CREATE TABLE IF NOT EXISTS ", table, u" (",
    u" ", typeColumn, u" TEXT NOT NULL DEFAULT '',",
    u" ", addressColumn, u" TEXT NOT NULL DEFAULT '',",
    u" ", aboutColumn, u" TEXT NOT NULL DEFAULT '')");

// Another tool may have declared the columns otherwise (COLLATE NOCASE,
// NULL allowed): NULL reads as the empty text everywhere, and every
// comparison of categories and addresses is exact. IFNULL() yields a plain
// value, which compares exactly whatever its column declares.
inline constexpr auto typeText = join(u"IFNULL(", typeColumn, u", '')");
inline constexpr auto addressText = join(u"IFNULL(", addressColumn, u", '')");
inline constexpr auto aboutText = join(u"IFNULL(", aboutColumn, u", '')");

// Every entry with its place in the record order; a new entry.
inline constexpr auto selectRows = join(
    u"SELECT rowid, ", typeText, u", ", addressText, u", ", aboutText, u" FROM ", table);
inline constexpr auto insertRecord = join(
    u"INSERT INTO ", table, u" (", typeColumn, u", ", addressColumn, u", ", aboutColumn, u")",
    u" VALUES (?, ?, ?)");

// An entry's three fields, stored only while the entry still holds exactly
// what was read from it (as text, as the program reads it; NULLs included):
// whatever another program changed meanwhile is never overwritten, and a new
// entry that took a deleted one's rowid is never mistaken for it.
inline constexpr auto updateRecord = join(
    u"UPDATE ", table,
    u" SET ", typeColumn, u" = ?, ", addressColumn, u" = ?, ", aboutColumn, u" = ?",
    u" WHERE rowid = ? AND IFNULL(CAST(", typeColumn, u" AS TEXT), '') = ? COLLATE BINARY",
    u" AND IFNULL(CAST(", addressColumn, u" AS TEXT), '') = ? COLLATE BINARY",
    u" AND IFNULL(CAST(", aboutColumn, u" AS TEXT), '') = ? COLLATE BINARY");

// Lookups by address use this index instead of walking the whole table; its
// entries are ordered by address and then by rowid, so the first match in
// record order comes first. It orders exactly, whatever the column
// declares: an index that folds case cannot answer an exact lookup.
inline constexpr auto addressIndex = join(table, u"ByAddress");
inline constexpr auto createAddressIndex = join(
    u"CREATE INDEX IF NOT EXISTS ", addressIndex, u" ON ", table,
    u" (", addressColumn, u" COLLATE BINARY)");
// Earlier versions also kept an index by category, which the companion
// tables made useless and every write paid for.
inline constexpr auto typeIndex = join(table, u"ByType");
// clang-format on

// Two tables that triggers in the file keep in step with every write, by
// whoever makes it:
//  - each category once, with its first record and its number of entries,
//    so the category list comes in order of first appearance without
//    reading every record;
//  - every entry's category and address in record order within each
//    category, stored together, so a category's addresses are one short
//    sequential read even when it holds a hundred thousand entries.
// Their category and address columns are named as the address table's, and
// compare exactly; NULL goes in as the empty text.
inline constexpr char16_t categoryTable[] = u"LarkspanCategories";
inline constexpr char16_t firstRowColumn[] = u"firstRow";
inline constexpr char16_t entriesColumn[] = u"entries";
inline constexpr char16_t categoryOrderIndex[] = u"LarkspanCategoriesInOrder";
inline constexpr char16_t addressTable[] = u"LarkspanAddresses";
inline constexpr char16_t rowColumn[] = u"row";

// sqlite_master keeps these texts as they are written here, which is how
// the companion tables are known to be this program's own.
// clang-format off
inline constexpr auto createCategoryTable = join(
    u"CREATE TABLE ", categoryTable, u" (",
    typeColumn, u" TEXT PRIMARY KEY NOT NULL, ",
    firstRowColumn, u" INTEGER NOT NULL, ",
    entriesColumn, u" INTEGER NOT NULL) WITHOUT ROWID");
inline constexpr auto createCategoryOrderIndex = join(
    u"CREATE INDEX ", categoryOrderIndex, u" ON ", categoryTable, u" (", firstRowColumn, u")");
inline constexpr auto createAddressTable = join(
    u"CREATE TABLE ", addressTable, u" (",
    typeColumn, u" TEXT NOT NULL, ",
    rowColumn, u" INTEGER NOT NULL, ",
    addressColumn, u" TEXT NOT NULL, ",
    u"PRIMARY KEY (", typeColumn, u", ", rowColumn, u")) WITHOUT ROWID");
inline constexpr auto insertAddress = join(
    u"INSERT INTO ", addressTable, u" (", typeColumn, u", ", rowColumn, u", ", addressColumn, u")",
    u" VALUES (?, ?, ?)");
inline constexpr auto insertCategory = join(
    u"INSERT INTO ", categoryTable, u" (", typeColumn, u", ", firstRowColumn, u", ", entriesColumn, u")",
    u" VALUES (?, ?, ?)");

// The steps of the triggers, which see the entry as it was ("old") and as
// it is now ("new"). An update is the old entry's removal and the new one's
// addition, its rowid included. Whatever state they are in, the companion
// tables never make another tool's write fail: what such a write leaves out
// of step is found at the next open.
inline constexpr auto oldType = join(u"IFNULL(old.", typeColumn, u", '')");
inline constexpr auto newType = join(u"IFNULL(new.", typeColumn, u", '')");
inline constexpr auto oldAddress = join(u"IFNULL(old.", addressColumn, u", '')");
inline constexpr auto newAddress = join(u"IFNULL(new.", addressColumn, u", '')");
inline constexpr auto addNew = join(
    u" INSERT OR REPLACE INTO ", addressTable, u" (", typeColumn, u", ", rowColumn, u", ", addressColumn, u")",
    u" VALUES (", newType, u", new.rowid, ", newAddress, u");",
    u" INSERT INTO ", categoryTable, u" (", typeColumn, u", ", firstRowColumn, u", ", entriesColumn, u")",
    u" VALUES (", newType, u", new.rowid, 1)",
    u" ON CONFLICT (", typeColumn, u") DO UPDATE SET ", entriesColumn, u" = ", entriesColumn, u" + 1,",
    u" ", firstRowColumn, u" = MIN(", firstRowColumn, u", excluded.", firstRowColumn, u");");
inline constexpr auto removeOld = join(
    u" DELETE FROM ", addressTable,
    u" WHERE ", typeColumn, u" = ", oldType, u" AND ", rowColumn, u" = old.rowid;",
    u" UPDATE ", categoryTable, u" SET ", entriesColumn, u" = ", entriesColumn, u" - 1,",
    u" ", firstRowColumn, u" = IFNULL((SELECT MIN(", rowColumn, u") FROM ", addressTable,
    u" WHERE ", typeColumn, u" = ", oldType, u"), 0)",
    u" WHERE ", typeColumn, u" = ", oldType, u";",
    u" DELETE FROM ", categoryTable,
    u" WHERE ", typeColumn, u" = ", oldType, u" AND ", entriesColumn, u" <= 0;");
// clang-format on

inline constexpr char16_t insertTrigger[] = u"LarkspanOnInsert";
inline constexpr char16_t deleteTrigger[] = u"LarkspanOnDelete";
inline constexpr char16_t updateTrigger[] = u"LarkspanOnUpdate";

// clang-format off
inline constexpr auto createInsertTrigger = join(
    u"CREATE TRIGGER ", insertTrigger, u" AFTER INSERT ON ", table, u" BEGIN", addNew, u" END");
inline constexpr auto createDeleteTrigger = join(
    u"CREATE TRIGGER ", deleteTrigger, u" AFTER DELETE ON ", table, u" BEGIN", removeOld, u" END");
inline constexpr auto createUpdateTrigger = join(
    u"CREATE TRIGGER ", updateTrigger, u" AFTER UPDATE ON ", table,
    u" WHEN old.rowid IS NOT new.rowid OR ", oldType, u" IS NOT ", newType,
    u" OR ", oldAddress, u" IS NOT ", newAddress, u" BEGIN", removeOld, addNew, u" END");
// clang-format on

// How much of the file SQLite keeps in memory, in KiB (a negative size).
inline constexpr int cacheKiB = 32768;

// How long a write waits for another Larkspan that holds the file.
inline constexpr int busyTimeoutMs = 5000;

} // namespace Larkspan::Schema
