#include "render/seam.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cwchar>

#include "base/text.h"

namespace tarnwick::seam {
namespace {

constexpr std::array<std::wstring_view, kVideoFormatCount> kVideoLabels = {
    L"MP4", L"MKV", L"WebM", L"MOV", L"AVI", L"FLV", L"3GP", L"MPEG", L"OGV", L"WMV"};
constexpr std::array<std::wstring_view, kAudioFormatCount> kAudioLabels = {L"MP3", L"M4A",  L"AAC", L"FLAC",
                                                                           L"OGG", L"Opus", L"WAV", L"WMA"};
constexpr std::array<bool, kAudioFormatCount> kLossless = {false, false, false, true,
                                                           false, false, true,  false};
constexpr std::array<std::wstring_view, kQualityCount> kQualityLabels = {
    L"", L"8K", L"4K", L"2K", L"1080p", L"720p", L"480p", L"360p", L"240p", L"144p"};
constexpr std::array<int, kQualityCount> kMaxHeights = {0, 4320, 2160, 1440, 1080, 720, 480, 360, 240, 144};
constexpr std::array<int, kBitrateCount> kBitrates = {320, 256, 192, 128, 96, 64};

template <typename T, std::size_t N>
T rowOf(const std::array<T, N>& table, int row) {
  return row >= 0 && row < static_cast<int>(N) ? table[row] : T{};
}

}  // namespace

std::wstring_view videoFormatLabel(int row) {
  return rowOf(kVideoLabels, row);
}
std::wstring_view audioFormatLabel(int row) {
  return rowOf(kAudioLabels, row);
}
std::wstring_view qualityLabel(int row) {
  return rowOf(kQualityLabels, row);
}
int qualityMaxHeight(int row) {
  return rowOf(kMaxHeights, row);
}
bool audioFormatLossless(int row) {
  return rowOf(kLossless, row);
}
int bitrateKbps(int row) {
  return rowOf(kBitrates, row);
}

std::wstring formatCount(long long n) {
  std::wstring text;
  if (n < 1000) {
    text = std::to_wstring(n);
  } else if (n < 1000000) {
    text = formatFixed(static_cast<double>(n) / 1000.0, 1) + L"K";
  } else if (n < 1000000000) {
    text = formatFixed(static_cast<double>(n) / 1000000.0, 1) + L"M";
  } else {
    text = formatFixed(static_cast<double>(n) / 1000000000.0, 1) + L"B";
  }
  // "1.0K" reads "1K".
  const auto dot = text.find(L".0");
  if (dot != std::wstring::npos && dot + 3 == text.size()) text.erase(dot, 2);
  return text;
}

std::wstring formatDuration(double seconds) {
  const long long s = std::llround(seconds);  // halves away from zero
  const long long h = s / 3600;
  const long long m = (s - 3600 * h) / 60;
  const long long r = s % 60;
  wchar_t buffer[48];
  if (h < 1) {
    std::swprintf(buffer, 48, L"%lld:%02lld", m, r);
  } else {
    std::swprintf(buffer, 48, L"%lld:%02lld:%02lld", h, m, r);
  }
  return buffer;
}

}  // namespace tarnwick::seam
