#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace Larkspan {

class PageFile;

// Reads a memo or OLE value whole from the 12-byte reference that the row
// holds: the length with two flag bits, then a pointer to the first piece.
// The value lies inline after the reference, in one row of another page, or
// in a chain of rows across pages. Anything shorter than the stated length,
// or a chain that breaks off, is an error: nothing is ever returned cut.
std::optional<std::string> readLongValue(const PageFile &file, std::string_view reference,
                                         std::string *error);

} // namespace Larkspan
