#include "app/log_model.h"

#include <cstdint>

#include "base/text.h"

namespace tarnwick {
namespace {

constexpr wchar_t rightToLeftEmbedding = L'\u202B';
constexpr wchar_t popDirectionalFormatting = L'\u202C';

std::size_t unitsOf(wchar_t c) {
  return (static_cast<std::uint32_t>(c) >> 16) != 0 ? 2 : 1;  // always 1 where wchar_t is UTF-16
}

bool isHighSurrogate(wchar_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}

bool isLowSurrogate(wchar_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

}  // namespace

void LogModel::appendLogLine(std::wstring_view line) {
  if (units_ > capUnits) dropFirstHalf();
  const bool rightToLeft = isRightToLeftText(line);
  const std::size_t start = text_.size();
  text_.reserve(start + line.size() + 4);
  if (!text_.empty()) text_ += L"\r\n";
  if (rightToLeft) text_ += rightToLeftEmbedding;
  text_ += line;
  if (rightToLeft) text_ += popDirectionalFormatting;
  for (std::size_t i = start; i < text_.size(); ++i) units_ += unitsOf(text_[i]);
  if (observer_ != nullptr) observer_->logAppended(std::wstring_view(text_).substr(start));
}

void LogModel::clear() {
  text_.clear();
  units_ = 0;
  if (observer_ != nullptr) observer_->logCleared();
}

// The first half of the units goes, cut at a character position (not at a line start), as the
// EDIT control cuts. A character beyond U+FFFF is never split: when the half falls inside it, it
// goes whole.
void LogModel::dropFirstHalf() {
  const std::size_t half = units_ / 2;
  std::size_t dropped = 0;
  std::size_t count = 0;
  while (dropped < half && count < text_.size()) dropped += unitsOf(text_[count++]);
  // Where wchar_t is UTF-16 a character beyond U+FFFF is a surrogate pair: its halves go together.
  if (count < text_.size() && isLowSurrogate(text_[count]) && count > 0 &&
      isHighSurrogate(text_[count - 1])) {
    ++count;
    ++dropped;
  }
  text_.erase(0, count);
  units_ -= dropped;
  if (observer_ != nullptr) observer_->logTrimmed(count);
}

}  // namespace tarnwick
