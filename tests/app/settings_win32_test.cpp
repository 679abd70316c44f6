#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "app/settings.h"
#include "app/settings_win32.h"
#include "settings_sample.h"

namespace tarnwick {
namespace {

// Each test gets a key of its own below a parent it deletes with everything in it.
class RegistrySettings : public ::testing::Test {
 protected:
  void SetUp() override {
    parent = L"Software\\TarnwickTest-" + std::to_wstring(GetCurrentProcessId());
    key = parent + L"\\Tarnwick";
    overrideSettingsKeyPath(key);
  }
  void TearDown() override {
    overrideSettingsKeyPath({});
    RegDeleteTreeW(HKEY_CURRENT_USER, parent.c_str());
  }

  void setRaw(const wchar_t* name, DWORD type, const void* data, std::size_t bytes) {
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, key.c_str(), name, type, data, static_cast<DWORD>(bytes)),
              ERROR_SUCCESS);
  }
  // The stored type and size of a value, as the registry reports them.
  std::pair<DWORD, DWORD> typeAndSize(const wchar_t* name) {
    DWORD type = 0;
    DWORD bytes = 0;
    EXPECT_EQ(
        RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, &type, nullptr, &bytes),
        ERROR_SUCCESS);
    return {type, bytes};
  }

  std::wstring parent;
  std::wstring key;
};

// A code point beyond the BMP takes two UTF-16 units.
Settings allChanged() {
  return test::highestSettings(L"D:\\Médias\\\U0001F3B5 Songs");
}

TEST_F(RegistrySettings, AllEightValuesRoundTripWithTheirRegistryTypes) {
  EXPECT_EQ(loadSettings(), defaultSettings(downloadsFolder())) << "a missing key loads the defaults";
  Settings empty = defaultSettings(L"");
  for (const Settings& saved : {allChanged(), empty}) {
    ASSERT_TRUE(saveSettings(saved));
    EXPECT_EQ(loadSettings(), saved);
  }
  // The last save, as stored: the folder with its terminator, every number as a 4-byte DWORD.
  EXPECT_EQ(typeAndSize(L"Folder"), std::make_pair(DWORD{REG_SZ}, DWORD{sizeof(wchar_t)}));
  for (const wchar_t* name :
       {L"Language", L"Audio", L"VideoFormat", L"Quality", L"AudioFormat", L"Bitrate", L"Playlist"})
    EXPECT_EQ(typeAndSize(name), std::make_pair(DWORD{REG_DWORD}, DWORD{4})) << name;
}

TEST_F(RegistrySettings, WrongTypesAndOutOfRangeValuesLoadAsTheirDefaults) {
  const Settings good = allChanged();
  const std::wstring downloads = downloadsFolder();
  _wputenv_s(L"TARNWICK_TEST_DRIVE", L"E:");
  auto dword = [](DWORD v) { return std::string(reinterpret_cast<const char*>(&v), sizeof v); };
  auto text = [](const std::wstring& v) {
    return std::string(reinterpret_cast<const char*>(v.c_str()), (v.size() + 1) * sizeof(wchar_t));
  };
  struct Case {
    const wchar_t* name;
    DWORD type;
    std::string data;
    std::function<void(Settings&)> expect;
  };
  const std::wstring longest(maxFolderUnits, L'x');
  const Case cases[] = {
      {L"Quality", REG_DWORD, dword(10), [](Settings& s) { s.quality = 4; }},
      {L"Quality", REG_DWORD, dword(9), [](Settings& s) { s.quality = 9; }},
      {L"AudioFormat", REG_DWORD, dword(8), [](Settings& s) { s.audioFormat = 0; }},
      {L"Language", REG_DWORD, dword(17), [](Settings& s) { s.language = 0; }},
      {L"Language", REG_DWORD, dword(0xFFFFFFFF), [](Settings& s) { s.language = 0; }},  // unsigned
      {L"Bitrate", REG_DWORD, dword(6), [](Settings& s) { s.bitrate = 0; }},
      {L"VideoFormat", REG_DWORD, dword(10), [](Settings& s) { s.videoFormat = 0; }},
      {L"Audio", REG_DWORD, dword(2), [](Settings& s) { s.audioMode = false; }},
      {L"Playlist", REG_DWORD, dword(2), [](Settings& s) { s.wholePlaylist = false; }},
      {L"Quality", REG_SZ, text(L"3"), [](Settings& s) { s.quality = 4; }},
      {L"Audio", REG_QWORD, dword(1) + dword(0), [](Settings& s) { s.audioMode = false; }},
      {L"Playlist", REG_BINARY, dword(1), [](Settings& s) { s.wholePlaylist = false; }},
      {L"Folder", REG_DWORD, dword(7), [&](Settings& s) { s.folder = downloads; }},
      {L"Folder", REG_SZ, text(longest + L"x"), [&](Settings& s) { s.folder = downloads; }},
      {L"Folder", REG_SZ, text(longest), [&](Settings& s) { s.folder = longest; }},
      {L"Folder", REG_SZ, text(L""), [](Settings& s) { s.folder.clear(); }},
      {L"Folder", REG_EXPAND_SZ, text(L"%TARNWICK_TEST_DRIVE%\\Clips"),
       [](Settings& s) { s.folder = L"E:\\Clips"; }},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(saveSettings(good));
    setRaw(c.name, c.type, c.data.data(), c.data.size());
    Settings expected = good;
    c.expect(expected);
    EXPECT_EQ(loadSettings(), expected) << "value " << std::string(c.name, c.name + wcslen(c.name))
                                        << " of type " << c.type << ", " << c.data.size() << " bytes";
  }
}

}  // namespace
}  // namespace tarnwick
