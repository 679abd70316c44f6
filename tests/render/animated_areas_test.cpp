// The areas redrawn on their own: which move in which state, at what rate, and that what is drawn
// of an area is the full frame's pixels there, so the tiles never show a seam against the canvas.
#include "render/animated_areas.h"

#include <gtest/gtest.h>

#include "fontconfig_leaks.h"

#include <array>
#include <string>

#include "frame_fixtures.h"
#include "render/offscreen.h"

namespace tarnwick {
namespace {

constexpr unsigned M = animationTickMs;   // moving
constexpr unsigned S = 3 * animationTickMs;  // shimmering

struct Case {
  std::string name;
  FrameState state;
  std::array<unsigned, animatedAreaCount> periods;  // statusCard, statusIcon, progress, actionButton, preview
};

std::vector<Case> cases() {
  std::vector<Case> all;
  auto add = [&](std::string name, auto change, std::array<unsigned, animatedAreaCount> periods) {
    FrameState state = test::englishState();
    change(state);
    state.clockMs = 1234;
    test::applyEnabledRule(state);
    all.push_back({std::move(name), state, periods});
  };
  add("idle", [](FrameState&) {}, {0, 0, 0, 0, 0});
  add("unknown size", [](FrameState& s) { s.jobState = 2, s.statusKind = 1, s.progress = -1; }, {0, M, M, 0, 0});
  add("at 42 %", [](FrameState& s) { s.jobState = 2, s.statusKind = 1, s.progress = 42; }, {0, M, M, 0, 0});
  add("at 0 %", [](FrameState& s) { s.jobState = 2, s.statusKind = 1, s.progress = 0; }, {0, M, 0, 0, 0});
  add("done", [](FrameState& s) { s.statusKind = 2, s.progress = 100; }, {0, 0, 0, 0, 0});
  add("searching", [](FrameState& s) { s.searchMode = s.searching = true; }, {0, 0, 0, M, 0});
  add("preview loading", [](FrameState& s) {
    s.preview.active = s.preview.titlePending = s.preview.thumbnailPending = true;
  }, {0, 0, 0, 0, S});
  add("preview loaded", [](FrameState& s) {
    s.preview.active = true;
    s.preview.title = L"Big Buck Bunny";
    s.preview.thumb = test::makeThumb();
  }, {0, 0, 0, 0, 0});
  return all;
}

TEST(AnimatedAreas, OnlyWhatMovesTicksAndATickDrawsTheFramesOwnPixels) {
  OffscreenRenderer renderer;
  for (const Case& c : cases()) {
    SCOPED_TRACE(c.name);
    MainLayout layout;
    const Image frame = renderer.renderMainWindow(c.state, 900, 860, 1.5, &layout);
    for (int i = 0; i < animatedAreaCount; ++i) {
      const auto area = static_cast<AnimatedArea>(i);
      SCOPED_TRACE(i);
      EXPECT_EQ(animationPeriodMs(c.state, area), c.periods[i]);
      const RectF rect = animatedAreaRect(layout, c.state, area);
      EXPECT_EQ(rect.width() > 0, area != AnimatedArea::preview || c.state.preview.active);
      if (c.periods[i] == 0 && area != AnimatedArea::statusCard) continue;
      const Image tile = renderer.renderAnimatedArea(c.state, layout, 1.5, area);
      int differing = 0;
      for (int y = static_cast<int>(rect.top * 1.5) + 1; y < static_cast<int>(rect.bottom * 1.5) - 1; ++y)
        for (int x = static_cast<int>(rect.left * 1.5) + 1; x < static_cast<int>(rect.right * 1.5) - 1; ++x)
          differing += tile.at(x, y) != frame.at(x, y);
      EXPECT_EQ(differing, 0);
    }
  }
}

}  // namespace
}  // namespace tarnwick
