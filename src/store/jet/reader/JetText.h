#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Decoding of the text that Jet files store, into UTF-8, without loss: a
// value either decodes whole or not at all.
namespace Larkspan::JetText {

// Jet 4 text: UTF-16LE, or "compressed" when it starts with FF FE (then one
// byte per character, a NUL byte switching between that and two bytes per
// character). Surrogate pairs become one four-byte UTF-8 sequence; an odd
// length or an unpaired surrogate fails.
std::optional<std::string> fromJet4(std::string_view bytes);

// Jet 3 text: bytes in a single- or multi-byte code page, converted with
// iconv. A byte the code page leaves undefined becomes "?", as Jet does when
// it shows such text; nothing else is replaced. Returns nothing when the
// code page is unknown to iconv or the text ends inside a character.
std::optional<std::string> fromCodePage(std::string_view bytes, unsigned codePage);

// Appends the UTF-8 form of `codePoint` (which must be a scalar value).
void appendUtf8(std::string &out, char32_t codePoint);

} // namespace Larkspan::JetText
