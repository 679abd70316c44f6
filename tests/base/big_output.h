// A large, varied output for the runner's throughput and line-splitting tests on every platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace tarnwick::test {

// 100 MB of lines from 1 to about 100 000 bytes with every kind of line end, multi-byte
// characters straddling the reads, blank lines between, and a last line without an end. Lines
// are cut from one pattern at character boundaries, so each expected line is a slice of the
// pattern's wide form and checking stays cheap even in a sanitizer build.
struct BigOutput {
  struct Line {
    std::size_t wideStart;
    std::size_t wideLength;
  };
  std::string bytes;
  std::wstring patternWide;
  std::vector<Line> lines;
};

inline BigOutput makeBigOutput(std::size_t total) {
  static const char* const pieces[] = {"a", "Z", "0", " ", "\xc3\xa9", "\xe4\xb8\xad", "\xf0\x9f\x98\x80",
                                       "-"};
  static const wchar_t* const widePieces[] = {L"a",      L"Z",      L"0",          L" ",
                                              L"\u00e9", L"\u4e2d", L"\U0001F600", L"-"};
  static const char* const ends[] = {"\n", "\r\n", "\r", "\n\n\r\n"};
  std::uint64_t state = 88172645463325252ull;
  auto next = [&] { return state ^= state << 13, state ^= state >> 7, state ^= state << 17; };

  BigOutput out;
  std::string pattern;
  std::vector<std::ptrdiff_t> wideAt;  // per byte of the pattern: its wide offset, or -1 inside a character
  while (pattern.size() < (256u << 10)) {
    std::size_t which = pattern.empty() ? 0 : next() % 32;
    if (which >= 8) which %= 5;  // mostly ASCII, as tools print
    wideAt.push_back(static_cast<std::ptrdiff_t>(out.patternWide.size()));
    wideAt.resize(pattern.size() + std::strlen(pieces[which]), -1);
    pattern += pieces[which];
    out.patternWide += widePieces[which];
  }
  wideAt.push_back(static_cast<std::ptrdiff_t>(out.patternWide.size()));

  out.bytes.reserve(total + 200000);
  for (std::size_t i = 0; out.bytes.size() < total; ++i) {
    std::size_t length = i == 0   ? 1
                         : i == 1 ? 100000
                                  : (next() % 4 == 0 ? 1 + next() % 100000 : 1 + next() % 120);
    std::size_t begin = i < 2 ? 0 : next() % (pattern.size() - length);
    while (wideAt[begin] < 0) ++begin;
    std::size_t finish = begin + length;
    while (wideAt[finish] < 0) --finish;
    if (finish == begin)
      while (wideAt[++finish] < 0) {
      }
    out.lines.push_back(
        {static_cast<std::size_t>(wideAt[begin]), static_cast<std::size_t>(wideAt[finish] - wideAt[begin])});
    out.bytes.append(pattern, begin, finish - begin);
    out.bytes += ends[next() % 4];
  }
  out.bytes.resize(out.bytes.find_last_not_of("\r\n") + 1);  // the last line has no end
  return out;
}

// The unoptimised sanitizer build decodes about thirty times slower; a quarter of the volume
// still crosses every read boundary case and keeps the suite quick there.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr std::size_t bigOutputBytes = 25u << 20;
#else
constexpr std::size_t bigOutputBytes = 100u << 20;
#endif

}  // namespace tarnwick::test
