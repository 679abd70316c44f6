#include "render/seam.h"

#include "lookup/number_format.h"
#include "pipeline/format_tables.h"

namespace tarnwick::seam {
namespace {

template <typename Table>
bool inRange(const Table& table, int row) {
  return row >= 0 && row < static_cast<int>(table.size());
}

}  // namespace

static_assert(kVideoFormatCount == videoFormatCount && kQualityCount == qualityCount &&
              kAudioFormatCount == audioFormatCount && kBitrateCount == bitrateCount);

std::wstring_view videoFormatLabel(int row) {
  return inRange(videoFormatTable, row) ? std::wstring_view(videoFormatTable[row].label)
                                        : std::wstring_view{};
}
std::wstring_view audioFormatLabel(int row) {
  return inRange(audioFormatTable, row) ? std::wstring_view(audioFormatTable[row].label)
                                        : std::wstring_view{};
}
std::wstring_view qualityLabel(int row) {
  if (!inRange(qualityTable, row) || !qualityTable[row].label) return {};
  return *qualityTable[row].label;
}
int qualityMaxHeight(int row) {
  return inRange(qualityTable, row) ? qualityTable[row].maxHeight : 0;
}
bool audioFormatLossless(int row) {
  return inRange(audioFormatTable, row) && audioFormatTable[row].lossless;
}
int bitrateKbps(int row) {
  return inRange(bitrateTable, row) ? static_cast<int>(bitrateTable[row]) : 0;
}

std::wstring formatCount(long long n) {
  return tarnwick::formatCount(n);
}
std::wstring formatDuration(double seconds) {
  return tarnwick::formatDuration(seconds);
}

}  // namespace tarnwick::seam
