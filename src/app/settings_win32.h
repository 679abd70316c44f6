// Where the Windows build keeps the settings (settings.h): a key below HKEY_CURRENT_USER.
#pragma once

#include <string>

namespace tarnwick {

// The key's path below HKEY_CURRENT_USER, "Software\Tarnwick" unless overridden.
[[nodiscard]] std::wstring settingsKeyPath();
// For tests: a key of their own, so that they never read or replace the user's settings. An
// empty path restores the default.
void overrideSettingsKeyPath(std::wstring path);

}  // namespace tarnwick
