#pragma once

#include <QtGlobal>

// The registry's numbers as the calls of the Platform seam speak them: root
// keys, status codes, value types and access rights. They keep the values
// the registry itself uses, so a value read anywhere means the same thing.
namespace Larkspan::Registry {

// Predefined root keys.
inline constexpr quint32 classesRoot = 0x80000000u;
inline constexpr quint32 currentUser = 0x80000001u;
inline constexpr quint32 localMachine = 0x80000002u;
inline constexpr quint32 users = 0x80000003u;
inline constexpr quint32 performanceData = 0x80000004u;
inline constexpr quint32 currentConfig = 0x80000005u;
inline constexpr quint32 dynData = 0x80000006u;

inline constexpr bool isPredefinedRoot(quint32 key)
{
    return key >= classesRoot && key <= dynData;
}

// Status codes.
inline constexpr long success = 0;
inline constexpr long fileNotFound = 2;
inline constexpr long accessDenied = 5;
inline constexpr long invalidHandle = 6;
inline constexpr long invalidParameter = 87;
inline constexpr long moreData = 234;

// Value types.
inline constexpr quint32 typeNone = 0;
inline constexpr quint32 typeString = 1; // 8-bit text, NUL-terminated
inline constexpr quint32 typeExpandString = 2;
inline constexpr quint32 typeBinary = 3;
inline constexpr quint32 typeDword = 4; // 32-bit number, least significant byte first

// Options of the open call: 0, or "open the link itself".
inline constexpr quint32 optionOpenLink = 0x8u;

// Access rights. The System Info command asks for this mask: query value,
// set value, create subkey, enumerate subkeys, notify, create link and read
// control.
inline constexpr quint32 queryValueSetValueAndMore = 0x2003Fu;
// Every specific key right together with the standard rights, the
// architecture-view flags and the generic rights: anything outside is not a
// key right at all.
inline constexpr quint32 knownAccessBits = 0x000F003Fu | 0x00000300u | 0x02000000u | 0xF0000000u;

// Where the system information tool's location is kept, below the
// local-machine root: its full path, or the folder it lies in.
inline constexpr char16_t msinfoKey[] = u"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
inline constexpr char16_t msinfoPathValue[] = u"PATH";
inline constexpr char16_t toolsLocationKey[] = u"SOFTWARE\\Microsoft\\Shared Tools Location";
inline constexpr char16_t toolsLocationValue[] = u"MSINFO";

} // namespace Larkspan::Registry
