#include "app/settings.h"

#include <algorithm>
#include <charconv>
#include <optional>

#include "base/text.h"

namespace tarnwick {
namespace {

constexpr std::string_view utf8ByteOrderMark = "\xEF\xBB\xBF";

// The order in which the values are written (the registry's order).
const SettingsNumber numberValues[] = {
    {"Language", 17, 0, [](Settings& s, std::int32_t v) { s.language = v; },
     [](const Settings& s) { return s.language; }},
    {"Audio", 2, 0, [](Settings& s, std::int32_t v) { s.audioMode = v != 0; },
     [](const Settings& s) { return std::int32_t{s.audioMode}; }},
    {"VideoFormat", 10, 0, [](Settings& s, std::int32_t v) { s.videoFormat = v; },
     [](const Settings& s) { return s.videoFormat; }},
    {"Quality", 10, 4, [](Settings& s, std::int32_t v) { s.quality = v; },
     [](const Settings& s) { return s.quality; }},
    {"AudioFormat", 8, 0, [](Settings& s, std::int32_t v) { s.audioFormat = v; },
     [](const Settings& s) { return s.audioFormat; }},
    {"Bitrate", 6, 0, [](Settings& s, std::int32_t v) { s.bitrate = v; },
     [](const Settings& s) { return s.bitrate; }},
    {"Playlist", 2, 0, [](Settings& s, std::int32_t v) { s.wholePlaylist = v != 0; },
     [](const Settings& s) { return std::int32_t{s.wholePlaylist}; }},
};

// Registry value names do not depend on case; neither do ours.
bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] + 32) : a[i];
    char y = b[i] >= 'A' && b[i] <= 'Z' ? static_cast<char>(b[i] + 32) : b[i];
    if (x != y) return false;
  }
  return true;
}

std::string_view trimBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// A DWORD as the registry holds it: a decimal number from 0 to 2^32 − 1, nothing else.
std::optional<std::uint32_t> parseDword(std::string_view text) {
  text = trimBlanks(text);
  if (text.empty() || text.front() < '0' || text.front() > '9') return std::nullopt;
  std::uint32_t value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

// Line ends cannot stand in a line, and leading blanks are dropped on reading (hand-edited
// "Folder = /x"), so both are escaped; so is the escape character itself.
std::string escapeFolder(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    switch (char c = utf8[i]) {
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case ' ':
        out += i == 0 ? "\\s" : " ";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// Undoes escapeFolder; nullopt for an escape it never writes (a damaged value).
std::optional<std::string> unescapeFolder(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (++i == text.size()) return std::nullopt;
    switch (text[i]) {
      case '\\':
        out += '\\';
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case 't':
        out += '\t';
        break;
      case 's':
        out += ' ';
        break;
      default:
        return std::nullopt;
    }
  }
  return out;
}

// The folder as stored, or nullopt when it is damaged (bad escape, invalid UTF-8) or too long.
std::optional<std::wstring> readFolder(std::string_view value) {
  std::optional<std::string> utf8 = unescapeFolder(value);
  if (!utf8) return std::nullopt;
  std::wstring folder = utf8ToWide(*utf8);
  if (wideToUtf8(folder) != *utf8) return std::nullopt;  // invalid UTF-8: a truncated or foreign file
  if (!folderFits(folder)) return std::nullopt;
  return folder;
}

// The folder as a person writing the file by hand means it: "~" stands for the home folder. Any
// other relative folder would land below whatever the working folder happens to be, so it counts
// as absent. Empty stays empty (Download fills in the Downloads folder).
std::optional<std::wstring> resolveFolder(std::wstring folder, const std::wstring& home) {
  if (folder.empty()) return folder;
  if (folder == L"~" || folder.starts_with(L"~/")) {
    if (home.empty()) return std::nullopt;
    return folder.size() <= 2 ? home : joinPath(home, folder.substr(2));
  }
  if (!toPath(folder).is_absolute()) return std::nullopt;
  return folder;
}

void applyValue(Settings& settings, std::string_view name, std::string_view value, bool& folderSeen,
                std::optional<std::wstring>& folder) {
  if (sameName(name, settingsFolderName)) {
    folderSeen = true;
    folder = readFolder(value);
    return;
  }
  for (const SettingsNumber& number : numberValues) {
    if (!sameName(name, number.name)) continue;
    storeSettingsNumber(settings, number, parseDword(value));
    return;
  }
}

}  // namespace

std::span<const SettingsNumber> settingsNumbers() {
  return numberValues;
}

void storeSettingsNumber(Settings& settings, const SettingsNumber& number,
                         std::optional<std::uint32_t> stored) {
  number.store(settings,
               stored && *stored < number.bound ? static_cast<std::int32_t>(*stored) : number.fallback);
}

std::uint32_t settingsNumberValue(const Settings& settings, const SettingsNumber& number) {
  return static_cast<std::uint32_t>(number.read(settings));
}

bool folderFits(std::wstring_view folder) {
  std::size_t units = 0;
  // A code point beyond the BMP is one wchar_t on Linux but two UTF-16 units in the registry.
  for (wchar_t c : folder) units += (static_cast<std::uint32_t>(c) >> 16) != 0 ? 2 : 1;
  return units <= maxFolderUnits;
}

Settings defaultSettings(std::wstring downloads) {
  Settings settings;
  settings.folder = std::move(downloads);
  return settings;
}

Settings parseSettings(std::string_view fileText, const std::wstring& downloads, const std::wstring& home) {
  Settings settings = defaultSettings(downloads);
  bool folderSeen = false;
  std::optional<std::wstring> folder;
  // Editors on Windows like to start a UTF-8 file with a byte-order mark.
  if (fileText.starts_with(utf8ByteOrderMark)) fileText.remove_prefix(utf8ByteOrderMark.size());
  // A last line without a line end counts: many editors save files that way.
  while (!fileText.empty()) {
    std::size_t end = std::min(fileText.find('\n'), fileText.size());
    std::string_view line = fileText.substr(0, end);
    fileText.remove_prefix(std::min(end + 1, fileText.size()));
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);  // edited on Windows
    std::string_view key = trimBlanks(line);
    if (key.empty() || key.front() == '#' || key.front() == ';' || key.front() == '[') continue;
    std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    // Trailing blanks stay: a folder name may end with one (a leading one is written escaped).
    std::string_view value = line.substr(equals + 1);
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
    applyValue(settings, trimBlanks(line.substr(0, equals)), value, folderSeen, folder);
  }
  if (folderSeen && folder) {
    if (std::optional<std::wstring> resolved = resolveFolder(std::move(*folder), home))
      settings.folder = std::move(*resolved);
  }
  return settings;
}

std::string serializeSettings(const Settings& settings) {
  std::string text = "# Tarnwick settings, rewritten by the program.\n[Tarnwick]\n";
  text += settingsFolderName;
  text += '=';
  text += escapeFolder(wideToUtf8(settings.folder));
  text += '\n';
  for (const SettingsNumber& number : numberValues) {
    text += number.name;
    text += '=';
    // Written as the registry would store the DWORD: unsigned.
    text += std::to_string(settingsNumberValue(settings, number));
    text += '\n';
  }
  return text;
}

}  // namespace tarnwick
