#pragma once

#include <QString>

// The address table as it lies in the file. Names are spelled as existing
// address books spell them ("Informaiton" included).
namespace Larkspan::Schema {

inline constexpr char16_t databaseFileName[] = u"Tessmoor.mdb";
inline constexpr char16_t table[] = u"Informaiton";
inline constexpr char16_t typeColumn[] = u"Type";
inline constexpr char16_t addressColumn[] = u"address";
inline constexpr char16_t aboutColumn[] = u"About";

// Three text columns, never NULL, empty by default. The rowid gives the
// record order: the order in which entries were added.
inline constexpr char16_t createTable[] =
    u"CREATE TABLE Informaiton ("
    u" Type TEXT NOT NULL DEFAULT '',"
    u" address TEXT NOT NULL DEFAULT '',"
    u" About TEXT NOT NULL DEFAULT '')";

// Lookups by address use this index instead of walking the whole table; its
// entries are ordered by address and then by rowid, so the first match in
// record order comes first. The category index serves a file that cannot
// take the tables below (a read-only one).
inline constexpr char16_t createTypeIndex[] =
    u"CREATE INDEX IF NOT EXISTS InformaitonByType ON Informaiton (Type)";
inline constexpr char16_t createAddressIndex[] =
    u"CREATE INDEX IF NOT EXISTS InformaitonByAddress ON Informaiton (address)";

// Two tables that triggers in the file keep in step with every write, by
// whoever makes it:
//  - each category once, with its first record and its number of entries,
//    so the category list comes in order of first appearance without
//    reading every record;
//  - every entry's category and address in record order within each
//    category, stored together, so a category's addresses are one short
//    sequential read even when it holds a hundred thousand entries.
inline constexpr char16_t categoryTable[] = u"LarkspanCategories";
inline constexpr char16_t addressTable[] = u"LarkspanAddresses";
inline constexpr char16_t createCategoryTable[] =
    u"CREATE TABLE IF NOT EXISTS LarkspanCategories ("
    u" Type TEXT PRIMARY KEY NOT NULL,"
    u" firstRow INTEGER NOT NULL,"
    u" entries INTEGER NOT NULL) WITHOUT ROWID";
inline constexpr char16_t createCategoryOrderIndex[] =
    u"CREATE INDEX IF NOT EXISTS LarkspanCategoriesInOrder ON LarkspanCategories (firstRow)";
inline constexpr char16_t fillCategoryTable[] =
    u"INSERT INTO LarkspanCategories (Type, firstRow, entries)"
    u" SELECT Type, MIN(rowid), COUNT(*) FROM Informaiton GROUP BY Type";
inline constexpr char16_t createAddressTable[] =
    u"CREATE TABLE IF NOT EXISTS LarkspanAddresses ("
    u" Type TEXT NOT NULL,"
    u" row INTEGER NOT NULL,"
    u" address TEXT NOT NULL,"
    u" PRIMARY KEY (Type, row)) WITHOUT ROWID";
inline constexpr char16_t fillAddressTable[] =
    u"INSERT INTO LarkspanAddresses (Type, row, address)"
    u" SELECT Type, rowid, address FROM Informaiton";

inline constexpr char16_t createInsertTrigger[] =
    u"CREATE TRIGGER IF NOT EXISTS LarkspanOnInsert AFTER INSERT ON Informaiton BEGIN"
    u" INSERT INTO LarkspanAddresses (Type, row, address) VALUES (new.Type, new.rowid, new.address);"
    u" INSERT INTO LarkspanCategories (Type, firstRow, entries) VALUES (new.Type, new.rowid, 1)"
    u"  ON CONFLICT (Type) DO UPDATE SET entries = entries + 1,"
    u"  firstRow = MIN(firstRow, excluded.firstRow);"
    u" END";
inline constexpr char16_t createDeleteTrigger[] =
    u"CREATE TRIGGER IF NOT EXISTS LarkspanOnDelete AFTER DELETE ON Informaiton BEGIN"
    u" DELETE FROM LarkspanAddresses WHERE Type = old.Type AND row = old.rowid;"
    u" UPDATE LarkspanCategories SET entries = entries - 1,"
    u"  firstRow = IFNULL((SELECT MIN(row) FROM LarkspanAddresses WHERE Type = old.Type), 0)"
    u"  WHERE Type = old.Type;"
    u" DELETE FROM LarkspanCategories WHERE Type = old.Type AND entries <= 0;"
    u" END";
inline constexpr char16_t createUpdateTrigger[] =
    u"CREATE TRIGGER IF NOT EXISTS LarkspanOnUpdate AFTER UPDATE OF Type, address ON Informaiton"
    u" WHEN old.Type IS NOT new.Type OR old.address IS NOT new.address BEGIN"
    u" DELETE FROM LarkspanAddresses WHERE Type = old.Type AND row = old.rowid;"
    u" INSERT INTO LarkspanAddresses (Type, row, address) VALUES (new.Type, new.rowid, new.address);"
    u" UPDATE LarkspanCategories SET entries = entries - 1,"
    u"  firstRow = IFNULL((SELECT MIN(row) FROM LarkspanAddresses WHERE Type = old.Type), 0)"
    u"  WHERE Type = old.Type AND old.Type IS NOT new.Type;"
    u" DELETE FROM LarkspanCategories WHERE Type = old.Type AND entries <= 0;"
    u" INSERT INTO LarkspanCategories (Type, firstRow, entries)"
    u"  SELECT new.Type, new.rowid, 1 WHERE old.Type IS NOT new.Type"
    u"  ON CONFLICT (Type) DO UPDATE SET entries = entries + 1,"
    u"  firstRow = MIN(firstRow, excluded.firstRow);"
    u" END";

// How much of the file SQLite keeps in memory, in KiB (a negative size).
inline constexpr int cacheKiB = 32768;

// How long a write waits for another Larkspan that holds the file.
inline constexpr int busyTimeoutMs = 5000;

} // namespace Larkspan::Schema
