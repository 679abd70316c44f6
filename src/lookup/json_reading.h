// Reads single string values out of JSON text. Not a parser: it finds exactly what it is asked
// for and tolerates everything else. Pure functions, callable from any thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tarnwick {

// Finds the first occurrence of "key" (quoted) anywhere in `json`, then the ":" after it, and
// decodes the string value that follows. A value that is not a string (null, a number, an
// object) gives false and leaves `out` unchanged. The first occurrence wins, even inside
// another string value.
[[nodiscard]] bool jsonGetString(std::wstring_view json, std::wstring_view key, std::wstring& out);

// Decodes the JSON string literal that starts at `pos` (which must be its opening quote). On
// return `pos` points behind what was read. \b \f \n \r \t and \uXXXX are decoded, any other
// escaped character is taken as it stands; a \uD83D\uDE00 pair becomes one code point and a
// lone surrogate U+FFFD. A literal without its closing quote gives false with the text read so
// far in `out`; `out` is unchanged when there is no opening quote at `pos`.
[[nodiscard]] bool jsonReadString(std::wstring_view text, std::size_t& pos, std::wstring& out);

}  // namespace tarnwick
