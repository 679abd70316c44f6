#include "lookup/number_format.h"

#include <cmath>

#include "base/text.h"

namespace tarnwick {
namespace {

std::wstring twoDigits(long long v) {
  return (v < 10 ? L"0" : L"") + std::to_wstring(v);
}

}  // namespace

std::wstring formatCount(std::int64_t n) {
  if (n < 1000) return std::to_wstring(n);
  double value;
  wchar_t unit;
  if (n < 1000000) {
    value = static_cast<double>(n) / 1000.0, unit = L'K';
  } else if (n < 1000000000) {
    value = static_cast<double>(n) / 1000000.0, unit = L'M';
  } else {
    value = static_cast<double>(n) / 1000000000.0, unit = L'B';
  }
  std::wstring text = formatFixed(value, 1) + unit;
  // "1.0K" reads better as "1K".
  std::size_t zero = text.find(L".0");
  if (zero != std::wstring::npos && zero + 3 == text.size()) text.erase(zero, 2);
  return text;
}

std::wstring formatDuration(double seconds) {
  // Beyond about 31 700 years the badge would be nonsense anyway; keep the rounding defined.
  if (!(seconds > 0) || seconds > 1e12) return {};
  long long s = std::llround(seconds);
  long long h = s / 3600, m = (s - 3600 * h) / 60, r = s % 60;
  if (h < 1) return std::to_wstring(m) + L":" + twoDigits(r);
  return std::to_wstring(h) + L":" + twoDigits(m) + L":" + twoDigits(r);
}

}  // namespace tarnwick
