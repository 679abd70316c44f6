// Everything one frame of the main window or of a popup shows, as the render layer reads it.
// The window's state is copied (or viewed) into this record right before painting; the views
// point into that state and the language table and stay valid for the one frame.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "app/app_state.h"
#include "app/localization.h"

namespace tarnwick {

// A decoded picture: premultiplied ARGB32 in native byte order (Cairo's own layout).
struct ThumbView {
  std::shared_ptr<const void> owner;  // keeps `pixels` alive; also the picture's identity
  const std::uint8_t* pixels = nullptr;
  int width = 0;
  int height = 0;
  int stride = 0;
  [[nodiscard]] bool present() const { return owner && pixels && width > 0 && height > 0; }
};

// A video as a preview or a search hit shows it.
struct MediaView {
  std::wstring_view title;
  std::wstring_view channel;
  double durationSeconds = -1;  // -1 = absent
  long long viewCount = -1;     // -1 = absent
  int height = 0;               // best video height; 0 = absent
  ThumbView thumb;
};

struct PreviewView : MediaView {
  bool active = false;
  bool titlePending = false;
  bool detailsPending = false;
  bool thumbnailPending = false;
  bool unavailable = false;
};

// The elements that answer clicks and keys this frame; the painters dim the others. The app's
// isElementEnabled decides; frameStateFrom copies its answers here. Empty by default.
class EnabledElements {
 public:
  [[nodiscard]] bool contains(ElementId id) const {
    const int slot = slotOf(id);
    return slot >= 0 && bits_.test(static_cast<std::size_t>(slot));
  }
  void set(ElementId id, bool enabled) {
    const int slot = slotOf(id);
    if (slot >= 0) bits_.set(static_cast<std::size_t>(slot), enabled);
  }

  // Every element the main window draws: language … footerLink, then ten format chips and ten
  // quality chips.
  static constexpr int kCount = 31;
  [[nodiscard]] static constexpr ElementId element(int slot) {
    if (slot < kPlainCount) return static_cast<ElementId>(slot + 1);
    if (slot < kPlainCount + kChipCount) return formatChipId(slot - kPlainCount);
    return qualityChipId(slot - kPlainCount - kChipCount);
  }

 private:
  static constexpr int kPlainCount = static_cast<int>(ElementId::footerLink);
  static constexpr int kChipCount = 10;
  static_assert(kCount == kPlainCount + 2 * kChipCount);

  [[nodiscard]] static constexpr int slotOf(ElementId id) {
    const int value = static_cast<int>(id);
    if (value >= 1 && value <= kPlainCount) return value - 1;
    if (isFormatChip(id)) return kPlainCount + chipIndex(id);
    if (isQualityChip(id)) return kPlainCount + kChipCount + chipIndex(id);
    return -1;
  }

  std::bitset<kCount> bits_;
};

struct FrameState {
  // Fields of the active language row, English where the row has none; field n as in the table.
  std::array<std::wstring_view, languageFieldCount> text{};
  // Native name of every language (field 1 of each row), for the language popup.
  std::array<std::wstring_view, languageCount> languageNames{};
  int language = 0;

  bool audioMode = false;
  bool wholePlaylist = false;
  int videoFormat = 0;
  int quality = 0;
  int audioFormat = 0;
  int bitrate = 0;
  std::wstring_view folder;

  int jobState = 0;    // 0 none, 1 setup-only job, 2 download job
  int statusKind = 0;  // 0 normal, 1 busy, 2 done, 3 error, 4 cancelled
  int statusId = -1;   // counted from field 2; -1 = no message
  std::wstring_view statusDetail;
  double progress = -1;  // percent, or -1 = indeterminate
  bool pendingRequest = false;

  bool searching = false;
  bool searchMode = false;
  bool linkBoxFocused = false;

  EnabledElements enabled;
  ElementId hoverId = ElementId::none;
  ElementId pressedId = ElementId::none;
  ElementId focusId = ElementId::none;
  bool focusVisible = false;
  bool mainWindowHasFocus = false;  // the window itself, not the link entry, holds the keyboard focus

  bool langPopupOpen = false;
  int langPopupHover = -1;

  PreviewView preview;
  std::vector<MediaView> results;
  int resultsSelection = -1;
  float resultsScroll = 0;

  std::uint64_t clockMs = 0;  // monotonic milliseconds; drives every animation
};

// Field n of the active row.
[[nodiscard]] inline std::wstring_view uiField(const FrameState& state, int field) {
  return field >= 0 && field < languageFieldCount ? state.text[field] : std::wstring_view{};
}

}  // namespace tarnwick
