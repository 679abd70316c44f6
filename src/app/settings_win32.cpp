#include "app/settings_win32.h"
#include "app/settings.h"

#include <windows.h>

#include <shlobj.h>

#include <mutex>

#include "base/text.h"

namespace tarnwick {
namespace {

constexpr wchar_t defaultKeyPath[] = L"Software\\Tarnwick";

// Written by tests before they load or save; the lock only keeps a stray reader from tearing it.
std::mutex keyLock;
std::wstring keyOverride;

std::wstring wideName(const char* name) {
  return utf8ToWide(name);
}

// The folder value: nullopt when it is missing, of another type or longer than the buffer that
// the value has to fit (2048 UTF-16 units with the terminator). REG_EXPAND_SZ comes back expanded.
std::optional<std::wstring> readFolder(const std::wstring& key) {
  wchar_t buffer[maxFolderUnits + 1];
  DWORD bytes = sizeof buffer;
  if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), wideName(settingsFolderName).c_str(), RRF_RT_REG_SZ,
                   nullptr, buffer, &bytes) != ERROR_SUCCESS)
    return std::nullopt;
  std::wstring folder(buffer, bytes / sizeof(wchar_t));
  // The stored terminator (and any a hand-made value repeats) is not part of the name.
  while (!folder.empty() && folder.back() == L'\0') folder.pop_back();
  return folder;
}

std::optional<std::uint32_t> readNumber(const std::wstring& key, const char* name) {
  DWORD value = 0;
  DWORD bytes = sizeof value;
  if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), wideName(name).c_str(), RRF_RT_REG_DWORD, nullptr, &value,
                   &bytes) != ERROR_SUCCESS)
    return std::nullopt;
  return value;
}

}  // namespace

std::wstring settingsKeyPath() {
  std::lock_guard lock(keyLock);
  return keyOverride.empty() ? defaultKeyPath : keyOverride;
}

void overrideSettingsKeyPath(std::wstring path) {
  std::lock_guard lock(keyLock);
  keyOverride = std::move(path);
}

std::wstring downloadsFolder() {
  wchar_t* known = nullptr;
  std::wstring folder;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Downloads, 0, nullptr, &known))) folder = known;
  CoTaskMemFree(known);
  return folder;
}

Settings loadSettings() {
  const std::wstring key = settingsKeyPath();
  Settings settings = defaultSettings(downloadsFolder());
  if (std::optional<std::wstring> folder = readFolder(key)) settings.folder = std::move(*folder);
  for (const SettingsNumber& number : settingsNumbers())
    storeSettingsNumber(settings, number, readNumber(key, number.name));
  return settings;
}

bool saveSettings(const Settings& settings) {
  const std::wstring key = settingsKeyPath();
  // RegSetKeyValueW makes the key when it is missing. Every value is tried, whatever failed before.
  auto set = [&](const char* name, DWORD type, const void* data, std::size_t bytes) {
    return RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), wideName(name).c_str(), type, data,
                           static_cast<DWORD>(bytes)) == ERROR_SUCCESS;
  };
  bool ok = set(settingsFolderName, REG_SZ, settings.folder.c_str(),
                (settings.folder.size() + 1) * sizeof(wchar_t));
  for (const SettingsNumber& number : settingsNumbers()) {
    DWORD value = settingsNumberValue(settings, number);
    ok = set(number.name, REG_DWORD, &value, sizeof value) && ok;
  }
  return ok;
}

}  // namespace tarnwick
