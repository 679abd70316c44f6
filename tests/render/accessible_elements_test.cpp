// The accessible element list: what a screen reader is told about the drawn window, built from a
// frame and its layout without any toolkit.
#include "render/accessible_elements.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "app/status_texts.h"
#include "frame_fixtures.h"

namespace tarnwick {
namespace {

using test::applyEnabledRule;
using test::englishState;

constexpr std::int32_t downloadingId = fieldDownloading - firstTextField;
constexpr std::int32_t mergingId = fieldMerging - firstTextField;

class CharMeasure final : public TextMeasure {
 public:
  float measureText(std::wstring_view text, TextFormat) const override {
    return 7.0f * static_cast<float>(text.size());
  }
};

struct Built {
  MainLayout layout;
  std::vector<AccessibleElement> elements;
  [[nodiscard]] const AccessibleElement& of(ElementId id) const {
    auto it = std::find_if(elements.begin(), elements.end(), [id](const auto& e) { return e.id == id; });
    EXPECT_NE(it, elements.end()) << static_cast<int>(id);
    return *it;
  }
  [[nodiscard]] const AccessibleElement& first(AccessibleRole role, int skip = 0) const {
    for (const AccessibleElement& e : elements)
      if (e.role == role && skip-- == 0) return e;
    ADD_FAILURE() << "no element of role " << static_cast<int>(role);
    return elements.front();
  }
};

Built build(const FrameState& state) {
  const CharMeasure measure;
  Built b;
  b.layout = layoutMainWindow(state, 900, 900, measure);
  b.elements = accessibleElements(state, b.layout);
  return b;
}

TEST(AccessibleElements, EveryElementHasItsRoleNameBoundsAndStateInTabOrder) {
  FrameState state = englishState();
  state.focusId = ElementId::audioMode;
  state.mainWindowHasFocus = true;
  state.pressedId = ElementId::paste;
  const Built b = build(state);
  struct Row {
    ElementId id;
    AccessibleRole role;
    std::wstring name;
    RectF bounds;
  };
  const MainLayout& o = b.layout;
  const Row rows[] = {
      {ElementId::paste, AccessibleRole::button, L"Paste", o.pasteButtonRect},
      {ElementId::download, AccessibleRole::button, L"Download", o.actionButtonRect},
      {ElementId::videoMode, AccessibleRole::radio, L"Video", o.videoModeRect},
      {ElementId::audioMode, AccessibleRole::radio, L"Audio", o.audioModeRect},
      {ElementId::playlist, AccessibleRole::switchControl, L"Whole playlist", o.playlistHitRect},
      {formatChipId(0), AccessibleRole::radio, L"MP4", o.formatChipRects[0]},
      {qualityChipId(0), AccessibleRole::radio, L"Best", o.qualityChipRects[0]},
      {ElementId::changeFolder, AccessibleRole::button, L"Change", o.changeFolderRect},
      {ElementId::openFolder, AccessibleRole::button, L"Open", o.openFolderRect},
      {ElementId::clearLog, AccessibleRole::button, L"Clear", o.clearLogRect},
      {ElementId::language, AccessibleRole::button, L"English", o.languageButtonRect},
      {ElementId::footerLink, AccessibleRole::link, L"tarnwick.app", o.footerLinkRect},
  };
  std::size_t lastPosition = 0;
  for (const Row& row : rows) {
    const AccessibleElement& e = b.of(row.id);
    EXPECT_EQ(e.role, row.role) << static_cast<int>(row.id);
    EXPECT_EQ(e.name, row.name) << static_cast<int>(row.id);
    EXPECT_EQ(e.bounds, row.bounds) << static_cast<int>(row.id);
    EXPECT_FALSE(e.hidden || e.disabled) << static_cast<int>(row.id);
    EXPECT_EQ(e.focused, row.id == ElementId::audioMode) << static_cast<int>(row.id);
    EXPECT_EQ(e.pressed, row.id == ElementId::paste) << static_cast<int>(row.id);
    const auto position = static_cast<std::size_t>(&e - b.elements.data());
    EXPECT_GT(position + 1, lastPosition) << "out of Tab order: " << static_cast<int>(row.id);
    lastPosition = position + 1;
  }
  EXPECT_TRUE(b.of(ElementId::videoMode).checked);
  EXPECT_FALSE(b.of(ElementId::audioMode).checked);
  EXPECT_TRUE(b.of(qualityChipId(state.quality)).checked);
  // Nothing finished: no file to show.
  EXPECT_TRUE(b.of(ElementId::showInFolder).hidden);
  EXPECT_TRUE(b.of(ElementId::showInFolder).disabled);
}

TEST(AccessibleElements, ChipGroupsAreNamedForTheModeAndHoldTheirChips) {
  struct Case {
    bool audio;
    std::wstring formats, qualities;
    int formatCount, qualityCount;
  };
  for (const Case& c :
       {Case{false, L"Container", L"Quality", 10, 10}, Case{true, L"Format", L"Bitrate", 8, 6}}) {
    FrameState state = englishState();
    state.audioMode = c.audio;
    applyEnabledRule(state);
    const Built b = build(state);
    const AccessibleElement& formats = b.first(AccessibleRole::radioGroup, 0);
    const AccessibleElement& qualities = b.first(AccessibleRole::radioGroup, 1);
    EXPECT_EQ(formats.name, c.formats);
    EXPECT_EQ(qualities.name, c.qualities);
    const auto count = [&](int group) {
      return std::count_if(b.elements.begin(), b.elements.end(), [group](const AccessibleElement& e) {
        return e.role == AccessibleRole::radio && e.group == group;
      });
    };
    EXPECT_EQ(count(formats.group), c.formatCount);
    EXPECT_EQ(count(qualities.group), c.qualityCount);
    // The group surrounds its chips and its members follow it.
    const AccessibleElement& lastChip = b.of(formatChipId(c.formatCount - 1));
    EXPECT_GE(formats.bounds.right, lastChip.bounds.right);
    EXPECT_EQ(&formats + 1, &b.of(formatChipId(0)));
  }
}

TEST(AccessibleElements, NamesFollowTheLanguageAndTheJob) {
  FrameState state = englishState();
  viewLanguage(state, 11);  // Arabic
  state.audioMode = true;
  applyEnabledRule(state);
  Built b = build(state);
  EXPECT_EQ(b.of(ElementId::download).name, L"تنزيل");
  EXPECT_EQ(b.first(AccessibleRole::radioGroup, 1).name, L"معدل البت");

  state = englishState();
  state.jobState = downloadJobRunning;
  state.statusKind = statusBusy;
  state.statusId = downloadingId;
  state.statusDetail = L"42.0 %";
  state.progress = 42;
  applyEnabledRule(state);
  b = build(state);
  EXPECT_EQ(b.of(ElementId::download).name, L"Cancel");
  EXPECT_TRUE(b.of(ElementId::paste).disabled);
  EXPECT_EQ(b.first(AccessibleRole::status).name, L"Downloading  42.0 %");
  const AccessibleElement& progress = b.first(AccessibleRole::progressBar);
  EXPECT_FALSE(progress.hidden);
  EXPECT_EQ(progress.value, 42);

  state.statusKind = statusDone;
  b = build(state);
  EXPECT_TRUE(b.first(AccessibleRole::progressBar).hidden);
}

TEST(AccessibleElements, PreviewCardReadsTitleChannelDurationAndViews) {
  FrameState state = englishState();
  state.preview.active = true;
  state.preview.title = L"Big Buck Bunny";
  state.preview.channel = L"Blender";
  state.preview.durationSeconds = 596;
  state.preview.viewCount = 1234;
  applyEnabledRule(state);
  const Built b = build(state);
  std::vector<std::wstring> texts;
  for (const AccessibleElement& e : b.elements)
    if (e.role == AccessibleRole::text) texts.push_back(e.name);
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_EQ(texts[0], L"Big Buck Bunny");
  EXPECT_EQ(texts[1], L"Blender");
  EXPECT_EQ(texts[2], L"9:56");
  EXPECT_EQ(texts[3], L"1.2K views");  // the drawn line without its direction marks
}

TEST(AccessibleElements, PopupsAreListsWhoseSelectionIsTheKeyboardsRow) {
  FrameState state = englishState();
  state.langPopupHover = 11;
  const std::vector<AccessibleElement> languages = accessibleLanguageList(state);
  ASSERT_EQ(languages.size(), 1u + languageCount);
  EXPECT_EQ(languages[0].role, AccessibleRole::listBox);
  for (int i = 0; i < languageCount; ++i) {
    const AccessibleElement& e = languages[static_cast<std::size_t>(i) + 1];
    EXPECT_EQ(e.role, AccessibleRole::option);
    EXPECT_EQ(e.item, i);
    EXPECT_EQ(e.selected, i == 11) << i;
    // Cells run down the first column, then the second.
    EXPECT_EQ(e.bounds.left, i < 9 ? 6 : 182) << i;
  }
  EXPECT_EQ(languages[12].name, L"العربية");

  state.results = {MediaView{L"Big Buck Bunny", L"Blender", 596, 1234, 0, {}},
                   MediaView{L"Sintel", L"", -1, -1, 0, {}}};
  state.resultsSelection = 1;
  state.resultsScroll = 40;
  std::vector<AccessibleElement> results = accessibleResultsList(state, 500, 80);
  ASSERT_EQ(results.size(), 3u);
  EXPECT_EQ(results[1].name, L"Big Buck Bunny, Blender, 9:56, 1.2K views");
  EXPECT_EQ(results[2].name, L"Sintel");
  EXPECT_TRUE(results[2].selected);
  EXPECT_EQ(results[2].bounds, (RectF{6, 46, 494, 126}));
  EXPECT_FALSE(results[1].hidden);  // half in sight
  state.resultsScroll = 160;
  results = accessibleResultsList(state, 500, 80);
  EXPECT_TRUE(results[1].hidden);
}

TEST(AccessibleElements, LiveStatusHoldsProgressBackToOnceASecondButNotNews) {
  FrameState state = englishState();
  state.jobState = downloadJobRunning;
  state.statusKind = statusBusy;
  state.statusId = downloadingId;
  applyEnabledRule(state);
  const CharMeasure measure;
  const MainLayout layout = layoutMainWindow(state, 900, 900, measure);
  LiveThrottle throttle;
  struct Step {
    std::uint64_t at;
    std::int32_t statusId;
    double progress;
    double announced;  // the progress value the list carries after the throttle
  };
  const Step steps[] = {
      {0, downloadingId, 10, 10},    {300, downloadingId, 20, 10},
      {999, downloadingId, 30, 10},  {1000, downloadingId, 40, 40},
      {1200, downloadingId, 50, 40}, {1300, mergingId, 50, 50},  // a new message
      {1400, mergingId, 60, 50},
  };
  for (const Step& step : steps) {
    state.statusId = step.statusId;
    state.progress = step.progress;
    std::wstring detail = std::to_wstring(static_cast<int>(step.progress)) + L" %";
    state.statusDetail = detail;
    std::vector<AccessibleElement> elements = accessibleElements(state, layout);
    throttle.apply(elements, step.statusId, step.at);
    const auto& progress = *std::find_if(elements.begin(), elements.end(),
                                         [](const auto& e) { return e.role == AccessibleRole::progressBar; });
    const auto& status = *std::find_if(elements.begin(), elements.end(),
                                       [](const auto& e) { return e.role == AccessibleRole::status; });
    EXPECT_EQ(progress.value, step.announced) << "at " << step.at;
    EXPECT_NE(status.name.find(std::to_wstring(static_cast<int>(step.announced)) + L" %"), std::wstring::npos)
        << "at " << step.at;
  }
}

}  // namespace
}  // namespace tarnwick
