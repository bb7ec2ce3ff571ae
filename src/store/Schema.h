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

// Lookups by category and by address walk these instead of the whole table.
// Index entries are ordered by (key, rowid), so matches come in record order.
inline constexpr char16_t createTypeIndex[] =
    u"CREATE INDEX IF NOT EXISTS InformaitonByType ON Informaiton (Type)";
inline constexpr char16_t createAddressIndex[] =
    u"CREATE INDEX IF NOT EXISTS InformaitonByAddress ON Informaiton (address)";

// How long a write waits for another Larkspan that holds the file.
inline constexpr int busyTimeoutMs = 5000;

} // namespace Larkspan::Schema
