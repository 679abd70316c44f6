// The eight user choices that survive between runs.
//
// On Linux they live in $XDG_CONFIG_HOME/Tarnwick/settings.ini (default ~/.config), one
// "Name=value" line each, under the value names the Windows build uses in the registry. Loading
// never fails: a missing, malformed or out-of-range value becomes its default. Saving replaces
// the file atomically, so a crash or a full disk leaves the previous settings in place.
//
// Settings is a plain record; AppState copies it in after loading (`language` by atomic
// exchange) and builds one to save. Called on the UI thread only.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace tarnwick {

struct Settings {
  std::wstring folder;           // "Folder": the save folder
  std::int32_t language = 0;     // "Language": 0..16
  bool audioMode = false;        // "Audio": 0 Video, 1 Audio
  std::int32_t videoFormat = 0;  // "VideoFormat": videoFormatTable row, 0..9
  std::int32_t quality = 4;      // "Quality": qualityTable row, 0..9 (4 = 1080p)
  std::int32_t audioFormat = 0;  // "AudioFormat": audioFormatTable row, 0..7
  std::int32_t bitrate = 0;      // "Bitrate": bitrateTable row, 0..5
  bool wholePlaylist = false;    // "Playlist": 0 or 1

  bool operator==(const Settings&) const = default;
};

// A folder is accepted up to this many UTF-16 units (the registry buffer, less its terminator).
inline constexpr std::size_t maxFolderUnits = 2047;

// The defaults, with `downloads` as the folder.
[[nodiscard]] Settings defaultSettings(std::wstring downloads);

// Reads the file's text, also as written by hand (a byte-order mark, no line end after the last
// line). Values that are missing, malformed or out of range take their defaults; `downloads` is
// the folder's default. A folder "~" or "~/..." is taken below `home`; any other relative folder
// counts as missing.
[[nodiscard]] Settings parseSettings(std::string_view fileText, const std::wstring& downloads,
                                     const std::wstring& home = {});

// The file's text for `settings` (UTF-8; the folder escaped so that any name survives a line).
[[nodiscard]] std::string serializeSettings(const Settings& settings);

// $XDG_CONFIG_HOME (when absolute) or ~/.config.
[[nodiscard]] std::filesystem::path configHome();
// <configHome>/Tarnwick/settings.ini
[[nodiscard]] std::filesystem::path settingsFilePath();

// The user's download folder: XDG_DOWNLOAD_DIR from <configHome>/user-dirs.dirs, else from the
// environment, else ~/Downloads; empty when even the home folder is unknown.
[[nodiscard]] std::wstring downloadsFolder();

// Loads the settings file; defaults for everything when it is missing or unreadable.
[[nodiscard]] Settings loadSettings();

// Writes all eight values, creating the folder when needed. Answers false when the file could
// not be replaced; the previous file is then unchanged.
bool saveSettings(const Settings& settings);

}  // namespace tarnwick
