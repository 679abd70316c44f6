// The eight user choices that survive between runs.
//
// On Windows they are values of HKEY_CURRENT_USER\Software\Tarnwick ("Folder" a REG_SZ, the
// others REG_DWORD); on Linux they live in $XDG_CONFIG_HOME/Tarnwick/settings.ini (default
// ~/.config), one "Name=value" line each, under the same value names (settings_posix.h). Loading
// never fails: a missing, malformed, wrongly typed or out-of-range value becomes its default.
// Saving on Linux replaces the file atomically, so a crash or a full disk leaves the previous
// settings in place.
//
// Settings is a plain record; AppState copies it in after loading (`language` by atomic
// exchange) and builds one to save. Called on the UI thread only.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
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

// The value name of the folder ("Folder").
inline constexpr char settingsFolderName[] = "Folder";

// One of the seven numeric values: its name, the exclusive upper bound of what loads, the
// default, and the field it stands for.
struct SettingsNumber {
  const char* name;
  std::uint32_t bound;
  std::int32_t fallback;
  void (*store)(Settings&, std::int32_t);
  std::int32_t (*read)(const Settings&);
};

// "Language" to "Playlist", in the order they are saved.
[[nodiscard]] std::span<const SettingsNumber> settingsNumbers();

// Sets `number`'s field from what was stored: the value when it is below the bound (read as
// unsigned, as the registry's DWORD), else the default; nullopt (missing, malformed, wrong type)
// also gives the default.
void storeSettingsNumber(Settings& settings, const SettingsNumber& number,
                         std::optional<std::uint32_t> stored);

// The value to store for `number`: the field as an unsigned DWORD.
[[nodiscard]] std::uint32_t settingsNumberValue(const Settings& settings, const SettingsNumber& number);

// True when `folder` fits the limit above (counted in UTF-16 units on every platform).
[[nodiscard]] bool folderFits(std::wstring_view folder);

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

// The user's download folder. Windows: the Downloads known folder. Linux: XDG_DOWNLOAD_DIR from
// <configHome>/user-dirs.dirs, else from the environment, else ~/Downloads. Empty when even that
// is unknown.
[[nodiscard]] std::wstring downloadsFolder();

// Loads the eight values; defaults for everything missing or unreadable.
[[nodiscard]] Settings loadSettings();

// Writes all eight values, creating the key or the folder when needed. Answers false when they
// could not be written (on Linux the previous file is then unchanged).
bool saveSettings(const Settings& settings);

}  // namespace tarnwick
