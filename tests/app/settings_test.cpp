#include "app/settings.h"
#include "app/settings_posix.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>

#include <sys/resource.h>
#include <sys/stat.h>

#include "base/atomic_file.h"
#include "base/text.h"
#include "sandbox.h"
#include "settings_sample.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::Sandbox;
using test::writeFile;

fs::path home() {
  return Sandbox::current().home();
}
fs::path settingsFile() {
  return Sandbox::current().root() / "config" / "Tarnwick" / "settings.ini";
}
std::wstring sandboxDownloads() {
  return fromPath(home() / "Downloads");
}

Settings sample() {
  return test::highestSettings(L"/media/videos");
}

std::size_t filesIn(const fs::path& folder) {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) ++count;
  return count;
}

TEST(SettingsFile, LivesInTheConfigHomeAndStartsWithDefaults) {
  EXPECT_EQ(settingsFilePath(), settingsFile());
  Settings loaded = loadSettings();
  EXPECT_EQ(loaded, defaultSettings(sandboxDownloads()));
  EXPECT_EQ(loaded.quality, 4);
  EXPECT_EQ(loaded.language, 0);
}

TEST(SettingsFile, RelativeConfigHomeIsIgnored) {
  ::setenv("XDG_CONFIG_HOME", "relative/config", 1);
  EXPECT_EQ(settingsFilePath(), home() / ".config" / "Tarnwick" / "settings.ini");
  ::unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(configHome(), home() / ".config");
}

TEST(SettingsFile, SavesAndLoadsAllEightValues) {
  ASSERT_TRUE(saveSettings(sample()));
  EXPECT_EQ(loadSettings(), sample());
  Settings other = defaultSettings(L"");  // an empty folder is a value of its own
  ASSERT_TRUE(saveSettings(other));
  EXPECT_EQ(loadSettings(), other);
  EXPECT_EQ(fs::status(settingsFile()).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
}

TEST(SettingsFile, FolderNamesOfAnyKindRoundTrip) {
  // clang-format off
  const std::wstring folders[] = {
      L"/home/u/Видео/日本語 動画",
      L"/mnt/a=b=c/ends with blank ",
      L"/mnt/ leading blank",
      L"/x/line\nbreak\r\nand\\backslash\\n\tand tab",
      L"/emoji/\U0001F3AC clips",
      L"/ار/فيديو",
      L"/mnt/C:\\Users\\u\\Downloads",
  };
  // clang-format on
  for (const auto& folder : folders) {
    Settings s = sample();
    s.folder = folder;
    ASSERT_TRUE(saveSettings(s));
    EXPECT_EQ(loadSettings().folder, folder) << wideToUtf8(folder);
    // Each value keeps to its own line whatever the folder holds.
    std::string text = readFile(settingsFile());
    EXPECT_NE(text.find("\nLanguage=16\n"), std::string::npos);
  }
}

TEST(SettingsValues, EachOutOfRangeValueLoadsItsDefault) {
  Settings loaded = parseSettings(
      "Language=17\nAudio=2\nVideoFormat=10\nQuality=10\nAudioFormat=8\nBitrate=6\nPlaylist=2\n", L"/d");
  EXPECT_EQ(loaded, defaultSettings(L"/d"));
  EXPECT_EQ(loaded.quality, 4);

  Settings top = parseSettings(
      "Language=16\nAudio=1\nVideoFormat=9\nQuality=9\nAudioFormat=7\nBitrate=5\nPlaylist=1\n", L"/d");
  EXPECT_EQ(top.language, 16);
  EXPECT_TRUE(top.audioMode);
  EXPECT_EQ(top.videoFormat, 9);
  EXPECT_EQ(top.quality, 9);
  EXPECT_EQ(top.audioFormat, 7);
  EXPECT_EQ(top.bitrate, 5);
  EXPECT_TRUE(top.wholePlaylist);
}

TEST(SettingsValues, MalformedNumbersLoadTheirDefaults) {
  // Stored as unsigned: -1 is 4294967295 and out of range; 2^32 is no DWORD at all.
  for (const char* bad : {"-1", "4294967295", "4294967296", "99999999999999999999", "", "abc", "3x", "0x3",
                          "+3", "3.0", "3 4"}) {
    std::string text = std::string("Quality=") + bad + "\nBitrate=" + bad + "\n";
    Settings loaded = parseSettings(text, L"/d");
    EXPECT_EQ(loaded.quality, 4) << bad;
    EXPECT_EQ(loaded.bitrate, 0) << bad;
  }
  EXPECT_EQ(parseSettings("Quality= 2 \n", L"/d").quality, 2);
  EXPECT_EQ(parseSettings("  quality = 3\r\n", L"/d").quality, 3);  // names ignore case, as in the registry
  EXPECT_EQ(parseSettings("Quality=2\nQuality=7\n", L"/d").quality, 7);
  // A last line without its line end is read like any other (editors save files that way).
  EXPECT_EQ(parseSettings("Quality=2\nBitrate=3", L"/d").bitrate, 3);
}

TEST(SettingsValues, FolderTooLongOrDamagedFallsBackToDownloads) {
  auto folderOf = [](const std::string& value) {
    return parseSettings("Folder=" + value + "\n", L"/dl").folder;
  };
  EXPECT_EQ(folderOf("/" + std::string(2046, 'a')), L"/" + std::wstring(2046, L'a'));  // 2047 units fit
  EXPECT_EQ(folderOf("/" + std::string(2047, 'a')), L"/dl");
  // A character beyond U+FFFF takes two of the 2047 units.
  EXPECT_EQ(folderOf("/" + std::string(2045, 'a') + "\xF0\x9F\x8E\xAC"), L"/dl");
  EXPECT_EQ(folderOf("/" + std::string(2044, 'a') + "\xF0\x9F\x8E\xAC").size(), 2046u);
  EXPECT_EQ(folderOf("/bad/\xC3"), L"/dl");   // cut inside a UTF-8 sequence
  EXPECT_EQ(folderOf("/bad/\\q"), L"/dl");    // an escape the program never writes
  EXPECT_EQ(folderOf("/bad/end\\"), L"/dl");  // escape cut off
  EXPECT_EQ(folderOf(""), L"");               // empty is accepted as empty
  EXPECT_EQ(parseSettings("Language=3\n", L"/dl").folder, L"/dl");
}

TEST(SettingsValues, CorruptOrTruncatedFilesLoadWhatSurvives) {
  std::string good = serializeSettings(sample());
  const Settings defaults = defaultSettings(L"/dl");
  for (std::size_t length = 0; length <= good.size(); ++length) {
    Settings loaded = parseSettings(good.substr(0, length), L"/dl");
    // Every value is either what was saved or its default; a cut last line reads as what it
    // says (the "1" of 16, a folder cut short).
    EXPECT_TRUE(loaded.language == 16 || loaded.language == 1 || loaded.language == 0) << length;
    EXPECT_TRUE(loaded.quality == 0 || loaded.quality == 4) << length;
    EXPECT_TRUE(loaded.bitrate == 5 || loaded.bitrate == 0) << length;
    EXPECT_TRUE(loaded.folder == L"/dl" || startsWith(L"/media/videos", loaded.folder)) << length;
  }
  EXPECT_EQ(parseSettings(good, L"/dl"), sample());

  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 7919 + 13) % 256);
  Settings fromGarbage = parseSettings(garbage, L"/dl");
  EXPECT_GE(fromGarbage.language, 0);
  EXPECT_LT(fromGarbage.language, 17);
  EXPECT_EQ(parseSettings(std::string("\0\0\0Quality=\0", 12), L"/dl"), defaults);
}

TEST(SettingsFile, HandWrittenFilesLoadAsMeant) {
  const std::wstring downloads = sandboxDownloads();
  const std::wstring homeText = fromPath(home());
  struct Case {
    std::string bytes;
    std::wstring folder;
    std::int32_t quality;
  };
  const Case cases[] = {
      {"Folder=/srv/v\nQuality=2", L"/srv/v", 2},                    // no line end at the end
      {"\xEF\xBB\xBFQuality=3\r\nFolder=/srv/v\r\n", L"/srv/v", 3},  // byte-order mark, Windows line ends
      {"\xEF\xBB\xBFQuality=5\nFolder=/srv/v", L"/srv/v", 5},        // both
      {"Folder=~/Videos\nQuality=1\n", homeText + L"/Videos", 1},
      {"Folder=~\n", homeText, 4},
      {"Folder=Videos\n", downloads, 4},  // relative: the default, never the working folder
      {"Folder=./Videos\n", downloads, 4},
      {"Folder=~other/Videos\n", downloads, 4},  // another user's home is not looked up
      {"Folder=\\s/leading\n", downloads, 4},    // " /leading" is relative too
      {"Folder=\n", L"", 4},                     // empty stays empty
  };
  fs::create_directories(settingsFile().parent_path());
  for (const Case& c : cases) {
    writeFile(settingsFile(), c.bytes);
    Settings loaded = loadSettings();
    EXPECT_EQ(loaded.folder, c.folder) << c.bytes;
    EXPECT_EQ(loaded.quality, c.quality) << c.bytes;
  }
}

TEST(SettingsFile, ASettingsPathThatIsNoRegularFileIsNotRead) {
  fs::create_directories(settingsFile().parent_path());
  ASSERT_EQ(::mkfifo(settingsFile().c_str(), 0600), 0);
  EXPECT_EQ(loadSettings(), defaultSettings(sandboxDownloads()));  // returns at once, no writer needed
  ASSERT_TRUE(saveSettings(sample()));
  EXPECT_EQ(loadSettings(), sample());

  fs::remove(settingsFile());
  fs::create_symlink("/dev/zero", settingsFile());
  EXPECT_EQ(loadSettings(), defaultSettings(sandboxDownloads()));
}

TEST(SettingsFile, TemporaryFilesOfAKilledSaveGoWithTheNextSave) {
  const fs::path folder = settingsFile().parent_path();
  fs::create_directories(folder);
  writeFile(folder / ".settings.ini.a1B2c3", "Quality=1\n");
  writeFile(folder / ".settings.ini.Zz9876", "");
  writeFile(folder / "notes.txt", "mine");                  // not ours
  writeFile(folder / ".settings.ini.toolong", "mine too");  // not mkostemp's shape
  ASSERT_TRUE(saveSettings(sample()));
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
  EXPECT_EQ(names, (std::set<std::string>{"settings.ini", "notes.txt", ".settings.ini.toolong"}));
}

TEST(SettingsFile, CorruptFileOnDiskLoadsDefaults) {
  fs::create_directories(settingsFile().parent_path());
  writeFile(settingsFile(), "\xFF\xFE[Tarnwick\nFolder=/x\\\nQuality=12\nLanguage");
  EXPECT_EQ(loadSettings(), defaultSettings(sandboxDownloads()));
  // A folder in place of the file is unreadable, not fatal.
  fs::remove(settingsFile());
  fs::create_directories(settingsFile());
  EXPECT_EQ(loadSettings(), defaultSettings(sandboxDownloads()));
  EXPECT_FALSE(saveSettings(sample()));
}

TEST(SettingsFile, AHugeFileLoadsWhatStandsAtItsHead) {
  fs::create_directories(settingsFile().parent_path());
  // The values fill the first chunks; a later line past the one-mebibyte cap is never read.
  std::string text = "Quality=1\nLanguage=3\n" + std::string(5000, '#') + "\nBitrate=2\n";
  text += std::string((1 << 20) - text.size() - 3, '#') + "\nQuality=2\n";
  writeFile(settingsFile(), text);
  Settings loaded = loadSettings();
  EXPECT_EQ(loaded.quality, 1);
  EXPECT_EQ(loaded.language, 3);
  EXPECT_EQ(loaded.bitrate, 2);
}

TEST(SettingsFile, ASaveThatFailsHalfWayKeepsTheOldFile) {
  ASSERT_TRUE(saveSettings(sample()));
  const std::string before = readFile(settingsFile());
  Settings bigger = sample();
  bigger.folder = L"/" + std::wstring(1500, L'x');

  // A file-size limit makes the write stop part way, as a full disk would.
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  rlimit small = saved;
  small.rlim_cur = 64;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  bool result = saveSettings(bigger);
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &saved), 0);

  EXPECT_FALSE(result);
  EXPECT_EQ(readFile(settingsFile()), before);
  EXPECT_EQ(filesIn(settingsFile().parent_path()), 1u) << "the temporary file was left behind";
  EXPECT_EQ(loadSettings(), sample());
  ASSERT_TRUE(saveSettings(bigger));
  EXPECT_EQ(loadSettings(), bigger);
}

TEST(SettingsFile, ALinkedSettingsFileStaysALink) {
  fs::path real = Sandbox::current().makeFolder("dotfiles") / "tarnwick.ini";
  writeFile(real, "Quality=1\n");
  fs::create_directories(settingsFile().parent_path());
  fs::create_symlink(real, settingsFile());
  EXPECT_EQ(loadSettings().quality, 1);
  ASSERT_TRUE(saveSettings(sample()));
  EXPECT_TRUE(fs::is_symlink(settingsFile()));
  EXPECT_EQ(loadSettings(), sample());
  EXPECT_EQ(readFile(real), serializeSettings(sample()));
}

TEST(AtomicFile, ReplacesContentAndFailsCleanlyInAMissingFolder) {
  fs::path folder = Sandbox::current().makeFolder("atomic");
  ASSERT_TRUE(writeFileAtomically(folder / "f", "one"));
  ASSERT_TRUE(writeFileAtomically(folder / "f", "two"));
  EXPECT_EQ(readFile(folder / "f"), "two");
  EXPECT_EQ(filesIn(folder), 1u);
  EXPECT_FALSE(writeFileAtomically(folder / "missing" / "f", "x"));
}

class DownloadsFolder : public ::testing::Test {
 protected:
  void SetUp() override { ::unsetenv("XDG_DOWNLOAD_DIR"); }
  static void writeUserDirs(const std::string& text) {
    writeFile(Sandbox::current().root() / "config" / "user-dirs.dirs", text);
  }
};

TEST_F(DownloadsFolder, ReadsTheUserDirsFile) {
  writeUserDirs(
      "# written by xdg-user-dirs-update\n"
      "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
      "XDG_DOWNLOAD_DIR=\"$HOME/T\xC3\xA9l\xC3\xA9\\\"chargements/\"\n");
  EXPECT_EQ(downloadsFolder(), fromPath(home()) + L"/Télé\"chargements");
  writeUserDirs("XDG_DOWNLOAD_DIR=\"/srv/media\"\n  XDG_DOWNLOAD_DIR = \"/srv/later\"\n");
  EXPECT_EQ(downloadsFolder(), L"/srv/later");
  // Relative entries are not valid in that file.
  writeUserDirs("XDG_DOWNLOAD_DIR=\"Downloads\"\n");
  EXPECT_EQ(downloadsFolder(), sandboxDownloads());
}

TEST_F(DownloadsFolder, FallsBackToTheEnvironmentThenTheHomeFolder) {
  EXPECT_EQ(downloadsFolder(), sandboxDownloads());
  ::setenv("XDG_DOWNLOAD_DIR", "/from/environment", 1);
  EXPECT_EQ(downloadsFolder(), L"/from/environment");
  ::setenv("XDG_DOWNLOAD_DIR", "not/absolute", 1);
  EXPECT_EQ(downloadsFolder(), sandboxDownloads());
  // A missing "Folder" value loads the download folder.
  writeUserDirs("XDG_DOWNLOAD_DIR=\"$HOME/Videos\"\n");
  fs::create_directories(settingsFile().parent_path());
  writeFile(settingsFile(), "Quality=2\n");
  EXPECT_EQ(loadSettings().folder, fromPath(home() / "Videos"));
}

}  // namespace
}  // namespace tarnwick
