// Text, path and number helpers. The program's text type is std::wstring; UTF-8 appears only at
// the edges and crosses through utf8ToWide / wideToUtf8. Nothing here depends on the process locale.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tarnwick {

// Invalid UTF-8 becomes U+FFFD. Surrogate code points encoded in UTF-8 (CESU-style pairs) are
// joined into one code point; a lone surrogate becomes U+FFFD.
[[nodiscard]] std::wstring utf8ToWide(std::string_view bytes);
[[nodiscard]] std::string wideToUtf8(std::wstring_view text);

// Where wchar_t holds code points (Linux), a code point above U+FFFF is one unit; where it is a
// UTF-16 unit (Windows), a surrogate pair.
//
// Joins a UTF-16 surrogate pair found in a wide string (as JSON's \uD83D\uDE00 escapes produce)
// into one code point (on Windows: keeps the pair); a lone surrogate becomes U+FFFD.
[[nodiscard]] std::wstring joinSurrogates(std::wstring_view text);

// Trims " \t\r\n" at both ends; other white space is kept.
[[nodiscard]] std::wstring trimText(std::wstring_view text);
[[nodiscard]] std::string trimText(std::string_view text);

// File-system paths always convert as UTF-8, whatever the process locale.
[[nodiscard]] std::filesystem::path toPath(std::wstring_view text);
[[nodiscard]] std::wstring fromPath(const std::filesystem::path& path);
// Joins with "/" unless `folder` already ends in a separator.
[[nodiscard]] std::wstring joinPath(std::wstring_view folder, std::wstring_view name);
// The part after the last "/" or "\\" (the whole text when there is none).
[[nodiscard]] std::wstring fileNameOf(std::wstring_view path);
// The part before the last "/" or "\\" (empty when there is none).
[[nodiscard]] std::wstring folderOf(std::wstring_view path);

// Locale-independent numbers. parseDouble accepts an optional sign, digits and one '.'; it
// reads the longest valid prefix after leading blanks and answers nullopt when there is none.
[[nodiscard]] std::optional<double> parseDouble(std::wstring_view text);
// parseInteger needs the whole text (blanks aside) to be one decimal integer.
[[nodiscard]] std::optional<long long> parseInteger(std::wstring_view text);
// printf-style "%.Nf" with a dot, whatever the locale.
[[nodiscard]] std::wstring formatFixed(double value, int decimals);
[[nodiscard]] std::string formatFixedUtf8(double value, int decimals);

// Unicode classes from the library's own tables (not the C library's locale).
[[nodiscard]] bool isLetterOrDigit(char32_t c);
// Bidi class R or AL.
[[nodiscard]] bool isStrongRightToLeft(char32_t c);
// Bidi class L.
[[nodiscard]] bool isStrongLeftToRight(char32_t c);
// True when the first strongly directional character of `text` is right-to-left.
[[nodiscard]] bool isRightToLeftText(std::wstring_view text);

// ASCII-only case folding, for file names and switches.
[[nodiscard]] std::wstring asciiLower(std::wstring_view text);
[[nodiscard]] bool startsWith(std::wstring_view text, std::wstring_view prefix);
[[nodiscard]] bool endsWith(std::wstring_view text, std::wstring_view suffix);

}  // namespace tarnwick
