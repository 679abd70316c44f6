// One command-line text for every platform: arguments are quoted with the Windows rules, and the
// POSIX runner splits the text back with the exact inverse rules before starting the program.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarnwick {

// `text` in double quotes such that splitCommandLine gives back exactly `text` as one argument.
[[nodiscard]] std::wstring quoteArgument(std::wstring_view text);

// The Windows rules (as the C runtime's argv parser): blanks and tabs separate arguments outside
// quotes; 2n backslashes before a quote give n backslashes and the quote toggles quoting; 2n+1
// give n backslashes and a literal quote; other backslashes are literal; inside quotes a doubled
// quote gives a literal quote. The program's name follows the same rules: Windows reads it without
// backslash escapes, which differs only for names that Windows paths cannot have (a quote in
// them), while a POSIX path may hold any character and must come back exactly.
[[nodiscard]] std::vector<std::wstring> splitCommandLine(std::wstring_view commandLine);

}  // namespace tarnwick
