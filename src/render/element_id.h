// Short names for the app's element identifiers, as the layout and the painters use them.
#pragma once

#include "app/app_state.h"

namespace tarnwick::element {

inline constexpr ElementId kNone = ElementId::none;
inline constexpr ElementId kLanguage = ElementId::language;
inline constexpr ElementId kPaste = ElementId::paste;
inline constexpr ElementId kAction = ElementId::download;  // Download / Cancel / Search
inline constexpr ElementId kVideoMode = ElementId::videoMode;
inline constexpr ElementId kAudioMode = ElementId::audioMode;
inline constexpr ElementId kPlaylist = ElementId::playlist;
inline constexpr ElementId kChangeFolder = ElementId::changeFolder;
inline constexpr ElementId kOpenFolder = ElementId::openFolder;
inline constexpr ElementId kShowInFolder = ElementId::showInFolder;
inline constexpr ElementId kClearLog = ElementId::clearLog;
inline constexpr ElementId kFooterLink = ElementId::footerLink;

}  // namespace tarnwick::element
