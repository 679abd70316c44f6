#include "lookup/printed_line.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "lookup/json_reading.h"

namespace tarnwick {
namespace {

bool isCSpace(wchar_t c) {
  return c == L' ' || (c >= L'\t' && c <= L'\r');
}

template <class Int>
Int truncateTo(double value) {
  if (std::isnan(value)) return -1;
  constexpr double low = static_cast<double>(std::numeric_limits<Int>::min());
  // The maximum of a 64-bit integer is not a double; 2^63 is, and is the first value past it.
  constexpr double pastHigh = -low;
  if (value <= low) return std::numeric_limits<Int>::min();
  if (value >= pastHigh) return std::numeric_limits<Int>::max();
  return static_cast<Int>(value);
}

}  // namespace

bool splitPrintedLine(std::wstring_view line, std::size_t plainCount, std::vector<std::wstring>& fields,
                      std::wstring& first, std::wstring& last) {
  fields.clear();
  std::size_t pos = 0;
  for (std::size_t i = 0; i < plainCount; ++i) {
    if (pos >= line.size()) return false;
    std::size_t bar = line.find(L'|', pos);
    if (bar == std::wstring_view::npos) return false;
    fields.emplace_back(line.substr(pos, bar - pos));
    pos = bar + 1;
  }
  if (!jsonReadString(line, pos, first)) return false;
  if (pos >= line.size() || line[pos] != L'|') return false;
  ++pos;
  if (jsonReadString(line, pos, last)) return true;
  std::wstring_view rest = line.substr(pos);
  last = (rest == L"NA" || rest == L"null") ? std::wstring() : std::wstring(rest);
  return true;
}

double parseNumber(std::wstring_view field) {
  if (field.empty() || field == L"NA" || field == L"None") return -1;
  std::size_t i = 0;
  while (i < field.size() && isCSpace(field[i])) ++i;
  if (i < field.size() && field[i] == L'+') {
    ++i;
    if (i < field.size() && field[i] == L'-') return -1;  // "+-1" is not a number
  }
  // from_chars reads the same forms as strtod in the "C" locale, minus the leading "+".
  std::string ascii;
  for (; i < field.size() && field[i] > 0 && field[i] < 0x80; ++i) ascii += static_cast<char>(field[i]);
  double value = 0;
  auto [end, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
  if (end == ascii.data()) return -1;
  if (ec == std::errc::result_out_of_range) return -1;
  return value;
}

std::int64_t truncateToInt64(double value) {
  return truncateTo<std::int64_t>(value);
}
std::int32_t truncateToInt32(double value) {
  return truncateTo<std::int32_t>(value);
}

}  // namespace tarnwick
