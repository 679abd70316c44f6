// The window as assistive technology sees it: one toolkit-free record per element the hit test
// knows, plus the status line, the progress bar and the preview card's texts. A shell mirrors
// this list into whatever its platform's accessibility interface wants; it decides nothing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "render/frame_state.h"
#include "render/main_layout.h"

namespace tarnwick {

enum class AccessibleRole {
  button,
  radio,
  switchControl,
  link,
  radioGroup,  // holds the radios that follow it with the same group number
  text,        // read-only text (the preview card)
  status,      // a live region: changes are announced
  progressBar,
  listBox,  // holds the options that follow it
  option,   // a selectable item of a list box
};

struct AccessibleElement {
  ElementId id = ElementId::none;  // none for what only informs
  AccessibleRole role = AccessibleRole::text;
  std::wstring name;
  int group = 0;  // elementGroup of the chips and modes; the radio group's own number; 1 in lists
  int item = -1;  // row of a list's option (a language, a search hit)
  RectF bounds;   // DIPs, as laid out
  bool focused = false;
  bool pressed = false;
  bool checked = false;   // switches and radios
  bool selected = false;  // options
  bool disabled = false;  // isElementEnabled said no
  bool hidden = false;    // the layout does not show it this frame
  double value = -1;      // progress percent; −1 = indeterminate
};

// Every element in Tab order (groups before their members), then the status line, the progress
// bar and the preview card's texts.
[[nodiscard]] std::vector<AccessibleElement> accessibleElements(const FrameState& state,
                                                                const MainLayout& layout);

// The language popup: a list of the languages, each named natively; the keyboard's (or the
// pointer's) row is selected. Bounds in the popup's DIPs.
[[nodiscard]] std::vector<AccessibleElement> accessibleLanguageList(const FrameState& state);
// The results popup, `viewHeight` DIPs of rows shown: one option per hit, read as title,
// channel, duration and views; rows scrolled out of sight are hidden.
[[nodiscard]] std::vector<AccessibleElement> accessibleResultsList(const FrameState& state, float width,
                                                                   float viewHeight);

// Keeps a live status line from chattering: a new status message goes out at once, but while
// only the progress moves (the same message, a new percentage) the status text and the progress
// value change at most once a second.
class LiveThrottle {
 public:
  static constexpr std::uint64_t intervalMs = 1000;
  // Puts back the last announced status text and progress value where they are held back.
  void apply(std::vector<AccessibleElement>& elements, std::int32_t statusId, std::uint64_t nowMs);

 private:
  bool started_ = false;
  std::int32_t statusId_ = -1;
  std::uint64_t announcedAt_ = 0;
  std::wstring text_;
  double value_ = -1;
};

}  // namespace tarnwick
