// The frame that the Cairo and the Direct2D backends both render for their comparison: the idle
// English window at 900 × 860 DIPs, scale 1. The Linux side writes its picture and its layout
// rectangles (helpers/cairo_reference_posix.cpp); the Windows test reads them back.
#pragma once

#include <cstdio>
#include <map>
#include <sstream>
#include <string>

#include "frame_fixtures.h"
#include "render/main_layout.h"

namespace tarnwick::test {

inline constexpr float kReferenceWidth = 900;
inline constexpr float kReferenceHeight = 860;

inline FrameState referenceState() {
  return englishState();
}

// Every rectangle of the layout by name; the chips by their index.
inline std::map<std::string, RectF> namedRects(const MainLayout& o) {
  std::map<std::string, RectF> rects{
      {"logo", o.logoRect},
      {"brand", o.brandRect},
      {"badge", o.badgeRect},
      {"languageButton", o.languageButtonRect},
      {"headline", o.headlineRect},
      {"subtitle", o.subtitleRect},
      {"footerText", o.footerTextRect},
      {"footerLink", o.footerLinkRect},
      {"actionButton", o.actionButtonRect},
      {"linkField", o.linkFieldRect},
      {"linkIcon", o.linkIconRect},
      {"pasteButton", o.pasteButtonRect},
      {"videoMode", o.videoModeRect},
      {"audioMode", o.audioModeRect},
      {"playlistSwitch", o.playlistSwitchRect},
      {"playlistLabel", o.playlistLabelRect},
      {"qualityLabel", o.qualityLabelRect},
      {"saveToLabel", o.saveToLabelRect},
      {"openFolder", o.openFolderRect},
      {"changeFolder", o.changeFolderRect},
      {"folderPath", o.folderPathRect},
      {"mainCard", o.mainCardRect},
      {"statusCard", o.statusCardRect},
      {"statusIcon", o.statusIconRect},
      {"statusText", o.statusTextRect},
      {"progressTrack", o.progressTrackRect},
      {"logCard", o.logCardRect},
      {"logLabel", o.logLabelRect},
      {"clearLog", o.clearLogRect},
      {"logBox", o.logBoxRect},
  };
  for (int i = 0; i < o.formatChipCount; ++i) rects["formatChip" + std::to_string(i)] = o.formatChipRects[i];
  for (int i = 0; i < o.qualityChipCount; ++i)
    rects["qualityChip" + std::to_string(i)] = o.qualityChipRects[i];
  return rects;
}

// One "name left top right bottom" line a rectangle.
inline std::string formatRects(const std::map<std::string, RectF>& rects) {
  std::string out;
  char line[160];
  for (const auto& [name, r] : rects) {
    std::snprintf(line, sizeof line, "%s %.3f %.3f %.3f %.3f\n", name.c_str(), r.left, r.top, r.right,
                  r.bottom);
    out += line;
  }
  return out;
}

inline std::map<std::string, RectF> parseRects(const std::string& text) {
  std::map<std::string, RectF> rects;
  std::istringstream in(text);
  std::string name;
  RectF r;
  while (in >> name >> r.left >> r.top >> r.right >> r.bottom) rects[name] = r;
  return rects;
}

}  // namespace tarnwick::test
