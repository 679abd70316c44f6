#include "app/settings.h"
#include "app/settings_posix.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <system_error>
#include <vector>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/atomic_file.h"
#include "base/text.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

// A settings file is a few hundred bytes; anything far beyond that is not ours to read whole.
constexpr std::size_t maxFileBytes = 1 << 20;

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

// $HOME, else the password database; empty when neither knows.
std::string homeFolder() {
  std::string home = environment("HOME");
  if (!home.empty()) return home;
  std::vector<char> buffer(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
      found->pw_dir != nullptr)
    return found->pw_dir;
  return {};
}

// Only a regular file is read: a FIFO or a device in its place would block the UI thread in
// open or read, or never end.
std::optional<std::string> readFileHead(const fs::path& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return std::nullopt;
  }
  // Read in small steps: the cap is a limit, not a size to allocate for a file of 300 bytes.
  std::string bytes;
  char chunk[4096];
  while (bytes.size() < maxFileBytes) {
    ssize_t n = ::read(fd, chunk, std::min(sizeof chunk, maxFileBytes - bytes.size()));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    bytes.append(chunk, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return bytes;
}

std::string_view skipBlanks(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  return text;
}

// One line of user-dirs.dirs: XDG_DOWNLOAD_DIR="$HOME/Downloads" or ="/absolute/path", with
// shell backslash escapes inside the quotes.
std::optional<std::string> downloadDirOfLine(std::string_view line, const std::string& home) {
  constexpr std::string_view key = "XDG_DOWNLOAD_DIR";
  line = skipBlanks(line);
  if (line.substr(0, key.size()) != key) return std::nullopt;
  line = skipBlanks(line.substr(key.size()));
  if (line.empty() || line.front() != '=') return std::nullopt;
  line = skipBlanks(line.substr(1));
  if (line.empty() || line.front() != '"') return std::nullopt;
  line.remove_prefix(1);
  std::string path;
  if (line.substr(0, 5) == "$HOME") {
    if (home.empty()) return std::nullopt;
    path = home;
    line.remove_prefix(5);
  } else if (line.empty() || line.front() != '/') {
    return std::nullopt;  // neither absolute nor below the home folder: not valid in this file
  }
  for (std::size_t i = 0; i < line.size() && line[i] != '"'; ++i) {
    if (line[i] == '\\' && i + 1 < line.size()) ++i;
    path += line[i];
  }
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::optional<std::string> downloadDirFromUserDirs(const std::string& home) {
  std::optional<std::string> text = readFileHead(configHome() / "user-dirs.dirs");
  if (!text) return std::nullopt;
  std::optional<std::string> result;
  std::string_view rest = *text;
  while (!rest.empty()) {
    std::size_t end = rest.find('\n');
    // The file is sourced by shells: a later assignment wins.
    if (auto dir = downloadDirOfLine(rest.substr(0, end), home)) result = std::move(dir);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
  }
  return result;
}

}  // namespace

fs::path configHome() {
  std::string config = environment("XDG_CONFIG_HOME");
  // Relative values are invalid and ignored, as the base-directory convention asks.
  if (!config.empty() && config.front() == '/') return fs::path(config);
  std::string home = homeFolder();
  return home.empty() ? fs::path() : fs::path(home) / ".config";
}

fs::path settingsFilePath() {
  fs::path config = configHome();
  return config.empty() ? fs::path() : config / "Tarnwick" / "settings.ini";
}

std::wstring downloadsFolder() {
  std::string home = homeFolder();
  if (auto dir = downloadDirFromUserDirs(home)) return utf8ToWide(*dir);
  std::string fromEnvironment = environment("XDG_DOWNLOAD_DIR");
  if (!fromEnvironment.empty() && fromEnvironment.front() == '/') return utf8ToWide(fromEnvironment);
  if (home.empty()) return {};
  return fromPath(fs::path(home) / "Downloads");
}

Settings loadSettings() {
  std::wstring downloads = downloadsFolder();
  fs::path file = settingsFilePath();
  std::optional<std::string> text = file.empty() ? std::nullopt : readFileHead(file);
  return text ? parseSettings(*text, downloads, utf8ToWide(homeFolder()))
              : defaultSettings(std::move(downloads));
}

bool saveSettings(const Settings& settings) {
  fs::path file = settingsFilePath();
  if (file.empty()) return false;
  std::error_code ec;
  fs::create_directories(file.parent_path(), ec);
  if (ec) return false;
  return writeFileAtomically(file, serializeSettings(settings));
}

}  // namespace tarnwick
