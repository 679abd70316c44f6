#include "base/command_line.h"

namespace tarnwick {

std::wstring quoteArgument(std::wstring_view text) {
  std::wstring out = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : text) {
    if (c == L'\\') {
      ++backslashes;
    } else if (c == L'"') {
      out.append(2 * backslashes + 1, L'\\');
      out += L'"';
      backslashes = 0;
    } else {
      out.append(backslashes, L'\\');
      out += c;
      backslashes = 0;
    }
  }
  out.append(2 * backslashes, L'\\');
  out += L'"';
  return out;
}

namespace {

bool isBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

}  // namespace

std::vector<std::wstring> splitCommandLine(std::wstring_view s) {
  std::vector<std::wstring> args;
  std::size_t i = 0;
  for (;;) {
    while (i < s.size() && isBlank(s[i])) ++i;
    if (i >= s.size()) break;
    std::wstring arg;
    bool quoted = false;
    while (i < s.size()) {
      wchar_t c = s[i];
      if (isBlank(c) && !quoted) break;
      if (c == L'\\') {
        std::size_t n = 0;
        while (i < s.size() && s[i] == L'\\') ++n, ++i;
        if (i < s.size() && s[i] == L'"') {
          arg.append(n / 2, L'\\');
          if (n % 2 == 1) {
            arg += L'"';
            ++i;
          }
        } else {
          arg.append(n, L'\\');
        }
        continue;
      }
      if (c == L'"') {
        if (quoted && i + 1 < s.size() && s[i + 1] == L'"') {
          arg += L'"';  // "" inside quotes is a literal quote
          i += 2;
          continue;
        }
        quoted = !quoted;
        ++i;
        continue;
      }
      arg += c;
      ++i;
    }
    args.push_back(std::move(arg));
  }
  return args;
}

}  // namespace tarnwick
