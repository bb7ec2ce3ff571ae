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
inline constexpr auto createTable = join(
    u"CREATE TABLE IF NOT EXISTS ", table, u" (",
    u" ", typeColumn, u" TEXT NOT NULL DEFAULT '',",
    u" ", addressColumn, u" TEXT NOT NULL DEFAULT '',",
    u" ", aboutColumn, u" TEXT NOT NULL DEFAULT '')");

// Every entry with its place in the record order; a new entry.
inline constexpr auto selectRows = join(
    u"SELECT rowid, ", typeColumn, u", ", addressColumn, u", ", aboutColumn, u" FROM ", table);
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
    u" WHERE rowid = ? AND CAST(", typeColumn, u" AS TEXT) IS ?",
    u" AND CAST(", addressColumn, u" AS TEXT) IS ? AND CAST(", aboutColumn, u" AS TEXT) IS ?");

// Lookups by address use this index instead of walking the whole table; its
// entries are ordered by address and then by rowid, so the first match in
// record order comes first. The category index serves a file that cannot
// take the tables below (a read-only one).
inline constexpr auto typeIndex = join(table, u"ByType");
inline constexpr auto addressIndex = join(table, u"ByAddress");
inline constexpr auto createTypeIndex = join(
    u"CREATE INDEX IF NOT EXISTS ", typeIndex, u" ON ", table, u" (", typeColumn, u")");
inline constexpr auto createAddressIndex = join(
    u"CREATE INDEX IF NOT EXISTS ", addressIndex, u" ON ", table, u" (", addressColumn, u")");

// Two tables that triggers in the file keep in step with every write, by
// whoever makes it:
//  - each category once, with its first record and its number of entries,
//    so the category list comes in order of first appearance without
//    reading every record;
//  - every entry's category and address in record order within each
//    category, stored together, so a category's addresses are one short
//    sequential read even when it holds a hundred thousand entries.
// Their category and address columns are named as the address table's.
inline constexpr char16_t categoryTable[] = u"LarkspanCategories";
inline constexpr char16_t firstRowColumn[] = u"firstRow";
inline constexpr char16_t entriesColumn[] = u"entries";
inline constexpr char16_t categoryOrderIndex[] = u"LarkspanCategoriesInOrder";
inline constexpr char16_t addressTable[] = u"LarkspanAddresses";
inline constexpr char16_t rowColumn[] = u"row";

inline constexpr auto createCategoryTable = join(
    u"CREATE TABLE IF NOT EXISTS ", categoryTable, u" (",
    u" ", typeColumn, u" TEXT PRIMARY KEY NOT NULL,",
    u" ", firstRowColumn, u" INTEGER NOT NULL,",
    u" ", entriesColumn, u" INTEGER NOT NULL) WITHOUT ROWID");
inline constexpr auto createCategoryOrderIndex = join(
    u"CREATE INDEX IF NOT EXISTS ", categoryOrderIndex,
    u" ON ", categoryTable, u" (", firstRowColumn, u")");
inline constexpr auto fillCategoryTable = join(
    u"INSERT INTO ", categoryTable, u" (", typeColumn, u", ", firstRowColumn, u", ", entriesColumn, u")",
    u" SELECT ", typeColumn, u", MIN(rowid), COUNT(*) FROM ", table, u" GROUP BY ", typeColumn);
inline constexpr auto createAddressTable = join(
    u"CREATE TABLE IF NOT EXISTS ", addressTable, u" (",
    u" ", typeColumn, u" TEXT NOT NULL,",
    u" ", rowColumn, u" INTEGER NOT NULL,",
    u" ", addressColumn, u" TEXT NOT NULL,",
    u" PRIMARY KEY (", typeColumn, u", ", rowColumn, u")) WITHOUT ROWID");
inline constexpr auto fillAddressTable = join(
    u"INSERT INTO ", addressTable, u" (", typeColumn, u", ", rowColumn, u", ", addressColumn, u")",
    u" SELECT ", typeColumn, u", rowid, ", addressColumn, u" FROM ", table);

// The steps of the triggers, which see the entry as it was ("old") and as
// it is now ("new").
inline constexpr auto addNewAddress = join(
    u" INSERT INTO ", addressTable, u" (", typeColumn, u", ", rowColumn, u", ", addressColumn, u")",
    u" VALUES (new.", typeColumn, u", new.rowid, new.", addressColumn, u");");
inline constexpr auto removeOldAddress = join(
    u" DELETE FROM ", addressTable,
    u" WHERE ", typeColumn, u" = old.", typeColumn, u" AND ", rowColumn, u" = old.rowid;");
// Not yet ended by ";": the update trigger adds a condition.
inline constexpr auto countOldCategoryDown = join(
    u" UPDATE ", categoryTable, u" SET ", entriesColumn, u" = ", entriesColumn, u" - 1,",
    u"  ", firstRowColumn, u" = IFNULL((SELECT MIN(", rowColumn, u") FROM ", addressTable,
    u" WHERE ", typeColumn, u" = old.", typeColumn, u"), 0)",
    u"  WHERE ", typeColumn, u" = old.", typeColumn);
inline constexpr auto dropEmptyOldCategory = join(
    u" DELETE FROM ", categoryTable,
    u" WHERE ", typeColumn, u" = old.", typeColumn, u" AND ", entriesColumn, u" <= 0;");
inline constexpr auto insertNewCategory = join(
    u" INSERT INTO ", categoryTable, u" (", typeColumn, u", ", firstRowColumn, u", ", entriesColumn, u")");
inline constexpr auto orCountNewCategoryUp = join(
    u"  ON CONFLICT (", typeColumn, u") DO UPDATE SET ", entriesColumn, u" = ", entriesColumn, u" + 1,",
    u"  ", firstRowColumn, u" = MIN(", firstRowColumn, u", excluded.", firstRowColumn, u");");
inline constexpr auto categoryChanged = join(u"old.", typeColumn, u" IS NOT new.", typeColumn);

inline constexpr char16_t insertTrigger[] = u"LarkspanOnInsert";
inline constexpr char16_t deleteTrigger[] = u"LarkspanOnDelete";
inline constexpr char16_t updateTrigger[] = u"LarkspanOnUpdate";

inline constexpr auto createInsertTrigger = join(
    u"CREATE TRIGGER IF NOT EXISTS ", insertTrigger, u" AFTER INSERT ON ", table, u" BEGIN",
    addNewAddress,
    insertNewCategory, u" VALUES (new.", typeColumn, u", new.rowid, 1)", orCountNewCategoryUp,
    u" END");
inline constexpr auto createDeleteTrigger = join(
    u"CREATE TRIGGER IF NOT EXISTS ", deleteTrigger, u" AFTER DELETE ON ", table, u" BEGIN",
    removeOldAddress,
    countOldCategoryDown, u";",
    dropEmptyOldCategory,
    u" END");
inline constexpr auto createUpdateTrigger = join(
    u"CREATE TRIGGER IF NOT EXISTS ", updateTrigger,
    u" AFTER UPDATE OF ", typeColumn, u", ", addressColumn, u" ON ", table,
    u" WHEN ", categoryChanged, u" OR old.", addressColumn, u" IS NOT new.", addressColumn, u" BEGIN",
    removeOldAddress,
    addNewAddress,
    countOldCategoryDown, u" AND ", categoryChanged, u";",
    dropEmptyOldCategory,
    insertNewCategory, u"  SELECT new.", typeColumn, u", new.rowid, 1 WHERE ", categoryChanged,
    orCountNewCategoryUp,
    u" END");

// How much of the file SQLite keeps in memory, in KiB (a negative size).
inline constexpr int cacheKiB = 32768;

// How long a write waits for another Larkspan that holds the file.
inline constexpr int busyTimeoutMs = 5000;

} // namespace Larkspan::Schema
