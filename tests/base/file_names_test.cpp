#include "base/file_names.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tarnwick {
namespace {

constexpr bool windows = std::filesystem::path::preferred_separator == L'\\';

TEST(FileNames, LetterCaseCountsOnLinuxOnly) {
  struct Case {
    const wchar_t* a;
    const wchar_t* b;
    bool sameOnWindows;
    bool sameOnLinux;
  };
  const Case cases[] = {
      {L"Videos", L"Videos", true, true},
      {L"Videos", L"videos", true, false},
      {L"\u00C9t\u00E9", L"\u00E9T\u00C9", true, false},  // beyond ASCII too
      {L"\u0130", L"i", false, false},                      // no locale's special rules
      {L"Videos", L"Video", false, false},
      {L"", L"", true, true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(sameFileName(c.a, c.b), windows ? c.sameOnWindows : c.sameOnLinux)
        << static_cast<int>(c.a[0]);
  }
  EXPECT_EQ(startsWithFileName(L"C:\\Users\\Me\\videos\\x.mp4", L"C:\\Users\\Me\\Videos"), windows);
  EXPECT_TRUE(startsWithFileName(L"/v/x.mp4", L"/v"));
  EXPECT_FALSE(startsWithFileName(L"/v", L"/v/x"));
}

}  // namespace
}  // namespace tarnwick
