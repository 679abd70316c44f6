// Identifiers of the clickable elements of the main window, shared by the hit test, the painters
// and the window behaviour. Held here until the app layer, which acts on them, takes them over.
#pragma once

namespace tarnwick {

using ElementId = int;

namespace element {
inline constexpr ElementId kNone = 0;
inline constexpr ElementId kLanguage = 1;
inline constexpr ElementId kPaste = 2;
inline constexpr ElementId kAction = 3;  // Download / Cancel / Search
inline constexpr ElementId kVideoMode = 4;
inline constexpr ElementId kAudioMode = 5;
inline constexpr ElementId kPlaylist = 6;
inline constexpr ElementId kChangeFolder = 7;
inline constexpr ElementId kOpenFolder = 8;
inline constexpr ElementId kShowInFolder = 9;
inline constexpr ElementId kClearLog = 10;
inline constexpr ElementId kFooterLink = 11;
inline constexpr ElementId kFormatChip = 100;   // + chip index
inline constexpr ElementId kQualityChip = 200;  // + chip index
}  // namespace element

}  // namespace tarnwick
