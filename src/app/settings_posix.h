// Where the Linux build keeps the settings file (settings.h).
#pragma once

#include <filesystem>

namespace tarnwick {

// $XDG_CONFIG_HOME (when absolute) or ~/.config.
[[nodiscard]] std::filesystem::path configHome();
// <configHome>/Tarnwick/settings.ini
[[nodiscard]] std::filesystem::path settingsFilePath();

}  // namespace tarnwick
