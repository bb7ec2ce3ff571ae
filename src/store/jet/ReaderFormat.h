#pragma once

// The stream that larkspan-jet-reader writes to its standard output and that
// Larkspan parses. Plain C++ so that both sides include the same constants.
//
//   magic       8 bytes "LKJETR1\n"
//   u32         number of columns
//   per column  u32 length, the name in UTF-8, u8 Jet column type
//   per row     u8 rowMarker, then per column: u8 value kind, and unless the
//               kind is Null: u32 length and that many bytes
//   end         u8 endMarker, u32 number of rows written
//
// Every u32 is little-endian. Nothing follows the end marker. A stream
// without its end marker, or whose row count disagrees, was cut short.
namespace Larkspan::JetReaderFormat {

inline constexpr char magic[] = "LKJETR1\n";
inline constexpr unsigned magicSize = sizeof magic - 1;

inline constexpr unsigned char rowMarker = 'R';
inline constexpr unsigned char endMarker = 'E';

enum class ValueKind : unsigned char {
    Null = 0,
    Text = 1, // UTF-8; numbers, dates and yes/no columns arrive as text too
    Binary = 2, // OLE objects and binary columns, their raw bytes
};

// Exit statuses of the reader besides 0 (success).
inline constexpr int exitFailure = 1; // the file could not be read whole
inline constexpr int exitUsage = 2; // wrong command line
inline constexpr int exitNoSuchTable = 3; // the file holds no such table

// Jet column types the caller may care about.
inline constexpr unsigned char jetText = 0x0a;
inline constexpr unsigned char jetMemo = 0x0c;

} // namespace Larkspan::JetReaderFormat
