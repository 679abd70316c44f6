#include "base/line_splitter.h"

#include <cstdint>

#include "base/text.h"

namespace tarnwick {
namespace {

bool isAscii(char byte) {
  return static_cast<unsigned char>(byte) < 0x80;
}

std::size_t asciiRunEnd(std::string_view bytes, std::size_t from) {
  constexpr std::uint64_t highBits = 0x8080808080808080ull;
  std::size_t i = from;
  for (; i + 8 <= bytes.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, bytes.data() + i, 8);
    if (word & highBits) break;
  }
  while (i < bytes.size() && isAscii(bytes[i])) ++i;
  return i;
}

void appendWidened(std::wstring& line, const char* bytes, std::size_t count) {
  std::size_t at = line.size();
  line.resize(at + count);
  wchar_t* out = line.data() + at;
  const auto* in = reinterpret_cast<const unsigned char*>(bytes);
  std::size_t i = 0;
  // Fixed-size blocks through local arrays, which the compiler turns into vector code at -O2.
  for (; i + 16 <= count; i += 16) {
    unsigned char narrow[16];
    wchar_t wide[16];
    std::memcpy(narrow, in + i, sizeof narrow);
    for (std::size_t k = 0; k < 16; ++k) wide[k] = static_cast<wchar_t>(narrow[k]);
    std::memcpy(out + i, wide, sizeof wide);
  }
  for (; i < count; ++i) out[i] = static_cast<wchar_t>(in[i]);
}

}  // namespace

void decodeLine(std::string_view bytes, std::wstring& line) {
  line.clear();
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t asciiEnd = asciiRunEnd(bytes, pos);
    appendWidened(line, bytes.data() + pos, asciiEnd - pos);
    pos = asciiEnd;
    if (pos == bytes.size()) break;
    std::size_t otherEnd = pos;
    while (otherEnd < bytes.size() && !isAscii(bytes[otherEnd])) ++otherEnd;
    line += utf8ToWide(bytes.substr(pos, otherEnd - pos));
    pos = otherEnd;
  }
}

}  // namespace tarnwick
