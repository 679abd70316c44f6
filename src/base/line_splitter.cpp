#include "base/line_splitter.h"

#include <cstdint>

#include "base/text.h"

namespace tarnwick {
namespace {

std::size_t asciiPrefixLength(std::string_view bytes) {
  constexpr std::uint64_t highBits = 0x8080808080808080ull;
  std::size_t i = 0;
  for (; i + 8 <= bytes.size(); i += 8) {
    std::uint64_t word;
    std::memcpy(&word, bytes.data() + i, 8);
    if (word & highBits) break;
  }
  while (i < bytes.size() && static_cast<unsigned char>(bytes[i]) < 0x80) ++i;
  return i;
}

}  // namespace

void decodeLine(std::string_view bytes, std::wstring& line) {
  std::size_t ascii = asciiPrefixLength(bytes);
  line.resize(ascii);
  wchar_t* out = line.data();
  const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t i = 0;
  // Fixed-size blocks through local arrays, which the compiler turns into vector code at -O2.
  for (; i + 16 <= ascii; i += 16) {
    unsigned char narrow[16];
    wchar_t wide[16];
    std::memcpy(narrow, in + i, sizeof narrow);
    for (std::size_t k = 0; k < 16; ++k) wide[k] = static_cast<wchar_t>(narrow[k]);
    std::memcpy(out + i, wide, sizeof wide);
  }
  for (; i < ascii; ++i) out[i] = static_cast<wchar_t>(in[i]);
  if (ascii < bytes.size()) line += utf8ToWide(bytes.substr(ascii));
}

}  // namespace tarnwick
