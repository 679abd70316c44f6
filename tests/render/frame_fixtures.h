// Frame states for the render tests, with the texts of the app's language table.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "app/app_state.h"
#include "app/status_texts.h"
#include "render/frame_state.h"
#include "render/frame_state_from_app.h"

namespace tarnwick::test {

// Enables the elements the app's rule enables for the fields of `state` (and for a finished
// download's file when `hasOutputPath`). Call again after changing a field the rule reads.
inline void applyEnabledRule(FrameState& state, bool hasOutputPath = false) {
  AppState app;
  app.audioMode = state.audioMode;
  app.audioFormat = state.audioFormat;
  app.jobState = state.jobState;
  app.statusKind = state.statusKind;
  app.searching = state.searching;
  app.preview.active = state.preview.active;
  app.preview.height = state.preview.height;
  if (hasOutputPath) app.outputPath = L"/home/user/Downloads/Big Buck Bunny.mp4";
  state.enabled = enabledElementsOf(app);
}

// An idle window in English with the first row of every table selected.
inline FrameState englishState() {
  FrameState state;
  viewLanguage(state, 0);
  state.folder = L"/home/user/Downloads";
  state.statusId = statusText::ready;
  applyEnabledRule(state);
  return state;
}

// A 320 × 180 picture: left half red, right half blue (opaque, premultiplied ARGB32).
inline ThumbView makeThumb(int width = 320, int height = 180) {
  auto pixels = std::make_shared<std::vector<std::uint32_t>>(static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      (*pixels)[static_cast<std::size_t>(y) * width + x] = x < width / 2 ? 0xFFE02020u : 0xFF2040E0u;
  ThumbView thumb;
  thumb.pixels = reinterpret_cast<const std::uint8_t*>(pixels->data());
  thumb.owner = pixels;
  thumb.width = width;
  thumb.height = height;
  thumb.stride = width * 4;
  return thumb;
}

}  // namespace tarnwick::test
