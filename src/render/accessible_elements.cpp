#include "render/accessible_elements.h"

#include <algorithm>

#include "app/popups.h"
#include "lookup/number_format.h"
#include "render/brand.h"
#include "render/painters.h"

namespace tarnwick {
namespace {

// Direction marks and isolates keep drawn text in order; a speech engine would only stumble.
std::wstring spoken(std::wstring_view text) {
  std::wstring out;
  for (wchar_t c : text) {
    const bool control = c == 0x200E || c == 0x200F || c == 0x061C || (c >= 0x2066 && c <= 0x2069);
    if (!control) out += c;
  }
  return out;
}

RectF unite(const RectF* rects, int count) {
  if (count <= 0) return {};
  RectF all = rects[0];
  for (int i = 1; i < count; ++i) {
    all = {std::min(all.left, rects[i].left), std::min(all.top, rects[i].top),
           std::max(all.right, rects[i].right), std::max(all.bottom, rects[i].bottom)};
  }
  return all;
}

std::wstring_view actionName(const FrameState& s) {
  if (s.jobState == downloadJobRunning || s.pendingRequest) return uiField(s, fieldCancel);
  if (s.searching) return uiField(s, fieldSearching);
  return uiField(s, s.searchMode ? fieldSearch : fieldDownload);
}

// Puts the elements in the list, with their states read from the frame.
class ElementList {
 public:
  explicit ElementList(const FrameState& s) : s_(s) {}

  void add(ElementId id, AccessibleRole role, std::wstring_view name, const RectF& bounds,
           bool checked = false) {
    AccessibleElement& e = push(role, name, bounds);
    e.id = id;
    e.group = elementGroup(id);
    e.focused = s_.mainWindowHasFocus && s_.focusId == id;
    e.pressed = s_.pressedId == id;
    e.checked = checked;
    e.disabled = !s_.enabled.contains(id);
  }

  // The chips of one group under the group's name; `selected` is the checked row.
  void chipGroup(int group, int nameField, int count, const RectF* rects, ElementId (*idOf)(int),
                 int selected, std::wstring (*labelOf)(const FrameState&, int)) {
    push(AccessibleRole::radioGroup, uiField(s_, nameField), unite(rects, count)).group = group;
    for (int i = 0; i < count; ++i)
      add(idOf(i), AccessibleRole::radio, labelOf(s_, i), rects[i], i == selected);
  }

  AccessibleElement& push(AccessibleRole role, std::wstring_view name, const RectF& bounds) {
    AccessibleElement& e = out_.emplace_back();
    e.role = role;
    e.name = spoken(name);
    e.bounds = bounds;
    e.hidden = bounds.width() <= 0 || bounds.height() <= 0;
    return e;
  }

  std::vector<AccessibleElement> take() { return std::move(out_); }

 private:
  const FrameState& s_;
  std::vector<AccessibleElement> out_;
};

void addPreviewTexts(ElementList& list, const FrameState& s, const MainLayout& o) {
  const PreviewView& p = s.preview;
  if (!p.active) return;
  if (p.unavailable) {
    list.push(AccessibleRole::text, uiField(s, fieldVideoUnavailable), o.previewTitleRect);
    return;
  }
  const std::pair<std::wstring, const RectF&> texts[] = {
      {std::wstring(p.title), o.previewTitleRect},
      {std::wstring(p.channel), o.previewChannelRect},
      {p.durationSeconds > 0 ? formatDuration(p.durationSeconds) : std::wstring(), o.thumbnailRect},
      {buildMetaLine(s, p, false), o.previewMetaRect}};
  for (const auto& [text, rect] : texts) {
    if (!text.empty()) list.push(AccessibleRole::text, text, rect);
  }
}

}  // namespace

std::vector<AccessibleElement> accessibleElements(const FrameState& s, const MainLayout& o) {
  ElementList list(s);
  list.add(ElementId::paste, AccessibleRole::button, uiField(s, fieldPaste), o.pasteButtonRect);
  list.add(ElementId::download, AccessibleRole::button, actionName(s), o.actionButtonRect);
  list.add(ElementId::videoMode, AccessibleRole::radio, uiField(s, fieldVideo), o.videoModeRect,
           !s.audioMode);
  list.add(ElementId::audioMode, AccessibleRole::radio, uiField(s, fieldAudio), o.audioModeRect, s.audioMode);
  list.add(ElementId::playlist, AccessibleRole::switchControl, uiField(s, fieldWholePlaylist),
           o.playlistHitRect, s.wholePlaylist);
  list.chipGroup(2, s.audioMode ? fieldFormatGroup : fieldContainerGroup, o.formatChipCount,
                 o.formatChipRects.data(), formatChipId, s.audioMode ? s.audioFormat : s.videoFormat,
                 formatChipLabel);
  list.chipGroup(3, s.audioMode ? fieldBitrateGroup : fieldQualityGroup, o.qualityChipCount,
                 o.qualityChipRects.data(), qualityChipId, s.audioMode ? s.bitrate : s.quality,
                 qualityChipLabel);
  list.add(ElementId::changeFolder, AccessibleRole::button, uiField(s, fieldChangeFolder),
           o.changeFolderRect);
  list.add(ElementId::openFolder, AccessibleRole::button, uiField(s, fieldOpenFolder), o.openFolderRect);
  const bool fileShown = s.enabled.contains(ElementId::showInFolder);
  list.add(ElementId::showInFolder, AccessibleRole::link, uiField(s, fieldShowInFolder),
           fileShown ? o.statusRightRect : RectF{});
  list.add(ElementId::clearLog, AccessibleRole::button, uiField(s, fieldClearLog), o.clearLogRect);
  list.add(ElementId::language, AccessibleRole::button, uiField(s, fieldNativeName), o.languageButtonRect);
  list.add(ElementId::footerLink, AccessibleRole::link, brand::kWebAddress, o.footerLinkRect);

  list.push(AccessibleRole::status, buildStatusText(s), o.statusTextRect);
  AccessibleElement& progress =
      list.push(AccessibleRole::progressBar, uiField(s, fieldDownloading), o.progressTrackRect);
  progress.hidden = s.statusKind != statusBusy;
  progress.value = s.progress;
  addPreviewTexts(list, s, o);
  return list.take();
}

namespace {

AccessibleElement listBox(const RectF& bounds) {
  AccessibleElement list;
  list.role = AccessibleRole::listBox;
  list.group = 1;
  list.bounds = bounds;
  return list;
}

AccessibleElement option(int item, std::wstring_view name, const RectF& bounds, bool selected) {
  AccessibleElement e;
  e.role = AccessibleRole::option;
  e.group = 1;
  e.item = item;
  e.name = spoken(name);
  e.bounds = bounds;
  e.selected = selected;
  return e;
}

// Title, channel, duration and views, as far as the hit has them.
std::wstring readHit(const FrameState& s, const MediaView& hit) {
  std::wstring text(hit.title);
  const auto add = [&text](std::wstring_view part) {
    if (part.empty()) return;
    if (!text.empty()) text += L", ";
    text += part;
  };
  add(hit.channel);
  if (hit.durationSeconds > 0) add(formatDuration(hit.durationSeconds));
  if (hit.viewCount >= 0) add(replacePlaceholder(uiField(s, fieldViews), formatCount(hit.viewCount)));
  return text;
}

}  // namespace

std::vector<AccessibleElement> accessibleLanguageList(const FrameState& s) {
  std::vector<AccessibleElement> list{listBox({0, 0, languagePopupWidth, languagePopupHeight})};
  for (int i = 0; i < languageCount; ++i) {
    const float left = popupPadding + static_cast<float>(i / languagePopupRows) * languageCellWidth;
    const float top = popupPadding + static_cast<float>(i % languagePopupRows) * languageCellHeight;
    list.push_back(option(i, s.languageNames[static_cast<std::size_t>(i)],
                          {left, top, left + languageCellWidth, top + languageCellHeight},
                          i == s.langPopupHover));
  }
  return list;
}

std::vector<AccessibleElement> accessibleResultsList(const FrameState& s, float width, float viewHeight) {
  std::vector<AccessibleElement> list{listBox({0, 0, width, viewHeight + 2 * popupPadding})};
  for (std::size_t i = 0; i < s.results.size(); ++i) {
    const int row = static_cast<int>(i);
    const float top = popupPadding + static_cast<float>(row) * resultRowHeight - s.resultsScroll;
    AccessibleElement& e = list.emplace_back(
        option(row, readHit(s, s.results[i]),
               {popupPadding, top, width - popupPadding, top + resultRowHeight}, row == s.resultsSelection));
    e.hidden = top + resultRowHeight <= popupPadding || top >= popupPadding + viewHeight;
  }
  return list;
}

void LiveThrottle::apply(std::vector<AccessibleElement>& elements, std::int32_t statusId,
                         std::uint64_t nowMs) {
  AccessibleElement* status = nullptr;
  AccessibleElement* progress = nullptr;
  for (AccessibleElement& e : elements) {
    if (e.role == AccessibleRole::status) status = &e;
    if (e.role == AccessibleRole::progressBar) progress = &e;
  }
  if (!status || !progress) return;
  const bool news = !started_ || statusId != statusId_ || nowMs - announcedAt_ >= intervalMs;
  if (news) {
    if (status->name != text_ || progress->value != value_ || !started_) announcedAt_ = nowMs;
    started_ = true;
    statusId_ = statusId;
    text_ = status->name;
    value_ = progress->value;
    return;
  }
  status->name = text_;
  progress->value = value_;
}

}  // namespace tarnwick
