#include "base/line_splitter.h"

#include <cstdint>

#include "base/text.h"

namespace tarnwick {
namespace {

constexpr std::uint64_t highBits = 0x8080808080808080ull;

bool isAscii(char byte) {
  return static_cast<unsigned char>(byte) < 0x80;
}

// Widens the ASCII bytes at the start of [in, in + count) into `out`; answers how many there were.
// Blocks of 16 go through local arrays, which the compiler turns into vector code at -O2.
std::size_t widenAscii(const char* in, std::size_t count, wchar_t* out) {
  std::size_t i = 0;
  for (; i + 16 <= count; i += 16) {
    unsigned char narrow[16];
    std::memcpy(narrow, in + i, sizeof narrow);
    std::uint64_t low, high;
    std::memcpy(&low, narrow, 8);
    std::memcpy(&high, narrow + 8, 8);
    if ((low | high) & highBits) break;
    wchar_t wide[16];
    for (std::size_t k = 0; k < 16; ++k) wide[k] = static_cast<wchar_t>(narrow[k]);
    std::memcpy(out + i, wide, sizeof wide);
  }
  for (; i < count && isAscii(in[i]); ++i) out[i] = static_cast<wchar_t>(in[i]);
  return i;
}

std::size_t asciiRunEnd(std::string_view bytes, std::size_t from) {
  std::size_t i = from;
  for (; i + 8 <= bytes.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, bytes.data() + i, 8);
    if (word & highBits) break;
  }
  while (i < bytes.size() && isAscii(bytes[i])) ++i;
  return i;
}

}  // namespace

void decodeLine(std::string_view bytes, std::wstring& line) {
  // Sized up front for the common all-ASCII line: a reused string only zero-fills what it grows by.
  line.resize(bytes.size());
  std::size_t pos = widenAscii(bytes.data(), bytes.size(), line.data());
  line.resize(pos);
  // Otherwise runs of other bytes and ASCII runs alternate; each run is sized exactly, so the
  // work stays linear however often they alternate.
  while (pos < bytes.size()) {
    std::size_t otherEnd = pos;
    while (otherEnd < bytes.size() && !isAscii(bytes[otherEnd])) ++otherEnd;
    line += utf8ToWide(bytes.substr(pos, otherEnd - pos));
    std::size_t asciiEnd = asciiRunEnd(bytes, otherEnd);
    std::size_t at = line.size();
    line.resize(at + (asciiEnd - otherEnd));
    widenAscii(bytes.data() + otherEnd, asciiEnd - otherEnd, line.data() + at);
    pos = asciiEnd;
  }
}

}  // namespace tarnwick
