#include "base/text.h"

#include <gtest/gtest.h>

#include <clocale>

namespace tarnwick {
namespace {

TEST(Utf8, RoundTripsEveryPlane) {
  std::wstring text = L"a\u00e9\u4e2d\U0001F600";
  EXPECT_EQ(utf8ToWide(wideToUtf8(text)), text);
  EXPECT_EQ(wideToUtf8(L"\u00e9"), "\xC3\xA9");
  // One code point above U+FFFF, whether wchar_t holds it whole or as a surrogate pair.
  EXPECT_EQ(wideToUtf8(L"\U0001F600"), "\xF0\x9F\x98\x80");
  EXPECT_EQ(utf8ToWide("\xF0\x9F\x98\x80x"), L"\U0001F600x");
}

TEST(Utf8, InvalidSequencesBecomeReplacementCharacters) {
  EXPECT_EQ(utf8ToWide("a\xFF" "b"), L"a\uFFFDb");
  EXPECT_EQ(utf8ToWide("\xC3"), L"\uFFFD");           // truncated sequence
  EXPECT_EQ(utf8ToWide("\xC0\xAF"), L"\uFFFD\uFFFD");  // overlong
  EXPECT_EQ(utf8ToWide(""), L"");
}

TEST(Utf8, SurrogatesArePairedOrReplaced) {
  // A pair encoded as two 3-byte sequences becomes one code point.
  EXPECT_EQ(utf8ToWide("\xED\xA0\xBD\xED\xB8\x80"), L"\U0001F600");
  EXPECT_EQ(utf8ToWide("\xED\xA0\xBDx"), L"\uFFFDx");
  EXPECT_EQ(joinSurrogates(std::wstring{wchar_t(0xD83D), wchar_t(0xDE00)}), L"\U0001F600");
  EXPECT_EQ(joinSurrogates(std::wstring{wchar_t(0xDE00), L'a'}), L"\uFFFDa");
  EXPECT_EQ(wideToUtf8(std::wstring{wchar_t(0xD800)}), "\xEF\xBF\xBD");
}

TEST(Trim, RemovesOnlyBlanksTabsAndLineEnds) {
  EXPECT_EQ(trimText(std::wstring_view(L" \t\r\n a b \n")), L"a b");
  EXPECT_EQ(trimText(std::wstring_view(L"\u00a0x\u00a0")), L"\u00a0x\u00a0");
  EXPECT_EQ(trimText(std::wstring_view(L"  ")), L"");
}

TEST(Paths, SplitOnEitherSeparatorAndJoinWithSlash) {
  EXPECT_EQ(fileNameOf(L"C:\\a\\b.mp4"), L"b.mp4");
  EXPECT_EQ(fileNameOf(L"/a/b c.mp4"), L"b c.mp4");
  EXPECT_EQ(folderOf(L"/a/b.mp4"), L"/a");
  EXPECT_EQ(joinPath(L"/music", L"x.mp3"), L"/music/x.mp3");
  EXPECT_EQ(joinPath(L"/music/", L"x.mp3"), L"/music/x.mp3");
  EXPECT_EQ(fromPath(toPath(L"/tmp/\u4e2d\u6587")), L"/tmp/\u4e2d\u6587");
}

class DecimalCommaLocale : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "de_DE", "ru_RU.UTF-8"})
      if (std::setlocale(LC_ALL, name)) return;
    GTEST_SKIP() << "no locale with a decimal comma installed";
  }
  void TearDown() override { std::setlocale(LC_ALL, "C"); }
};

TEST_F(DecimalCommaLocale, NumbersStillUseADot) {
  EXPECT_EQ(parseDouble(L"42.07%").value(), 42.07);
  EXPECT_EQ(formatFixed(3.14159, 1), L"3.1");
  EXPECT_EQ(formatFixedUtf8(1234.5, 2), "1234.50");
}

TEST(Numbers, ReadTheLongestPrefix) {
  EXPECT_EQ(parseDouble(L"  12.5MiB").value(), 12.5);
  EXPECT_EQ(parseDouble(L"-3").value(), -3.0);
  EXPECT_FALSE(parseDouble(L"N/A").has_value());
  EXPECT_FALSE(parseDouble(L"").has_value());
  EXPECT_EQ(parseInteger(L"007").value(), 7);
  EXPECT_FALSE(parseInteger(L"7x").has_value());
}

TEST(Direction, FirstStrongCharacterDecides) {
  EXPECT_TRUE(isRightToLeftText(L"123 \u0645\u0631\u062d\u0628\u0627"));
  EXPECT_FALSE(isRightToLeftText(L"abc \u0645\u0631\u062d\u0628\u0627"));
  EXPECT_TRUE(isRightToLeftText(L"\u05e9\u05dc\u05d5\u05dd"));
  EXPECT_FALSE(isRightToLeftText(L"123 !?"));
  EXPECT_FALSE(isRightToLeftText(L""));
  EXPECT_TRUE(isRightToLeftText(L"1 \U00010900"));  // Phoenician, beyond U+FFFF
}

TEST(CharacterClasses, CoverNonAsciiLettersAndDigits) {
  std::setlocale(LC_ALL, "C");
  EXPECT_TRUE(isLetterOrDigit(U'\u00e9'));
  EXPECT_TRUE(isLetterOrDigit(U'\u4e2d'));
  EXPECT_TRUE(isLetterOrDigit(U'\u0663'));  // Arabic-Indic digit three
  EXPECT_FALSE(isLetterOrDigit(U'-'));
  EXPECT_FALSE(isLetterOrDigit(U'\u00a0'));
}

}  // namespace
}  // namespace tarnwick
