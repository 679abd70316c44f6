#include "app/localization.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "base/job_control.h"
#include "base/text.h"

namespace tarnwick {
namespace {

constexpr int arabicRow = 11;
constexpr int chineseRow = 16;

// The field is empty by design: the Arabic headline has no last part, the Chinese no first part.
bool isDesignedEmpty(int row, int field) {
  return (row == arabicRow && field == fieldHeadlineEnd) ||
         (row == chineseRow && field == fieldHeadlineStart);
}

std::size_t countOf(std::wstring_view text, std::wstring_view what) {
  std::size_t count = 0;
  for (std::size_t at = text.find(what); at != std::wstring_view::npos; at = text.find(what, at + 1)) ++count;
  return count;
}

std::wstring headline(int row) {
  return std::wstring(languageField(row, fieldHeadlineStart)) +
         std::wstring(languageField(row, fieldHeadlineEmphasis)) +
         std::wstring(languageField(row, fieldHeadlineEnd));
}

class ActiveLanguage : public ::testing::Test {
 protected:
  void TearDown() override { language.store(0); }
};

TEST(LanguageTable, RowsAreInTableOrderWithTheirNativeNames) {
  const std::vector<std::pair<std::wstring, std::wstring>> expected = {
      {L"en", L"English"},  {L"de", L"Deutsch"},          {L"fr", L"Français"},   {L"es", L"Español"},
      {L"it", L"Italiano"}, {L"pt", L"Português"},        {L"nl", L"Nederlands"}, {L"pl", L"Polski"},
      {L"tr", L"Türkçe"},   {L"ru", L"Русский"},          {L"uk", L"Українська"}, {L"ar", L"العربية"},
      {L"hi", L"हिन्दी"},    {L"id", L"Bahasa Indonesia"}, {L"ja", L"日本語"},     {L"ko", L"한국어"},
      {L"zh", L"中文"},
  };
  ASSERT_EQ(expected.size(), static_cast<std::size_t>(languageCount));
  for (int row = 0; row < languageCount; ++row) {
    EXPECT_EQ(languageField(row, fieldCode), expected[row].first) << row;
    EXPECT_EQ(languageField(row, fieldNativeName), expected[row].second) << row;
  }
}

TEST(LanguageTable, EveryRowStoresAll49FieldsAndOnlyTheDesignedOnesAreEmpty) {
  for (int row = 0; row < languageCount; ++row) {
    for (int field = 0; field < languageFieldCount; ++field) {
      const wchar_t* text = storedField(languagePack(row), field);
      ASSERT_NE(text, nullptr) << "row " << row << " field " << field;
      EXPECT_EQ(std::wstring_view(text).empty(), isDesignedEmpty(row, field))
          << "row " << row << " field " << field;
    }
  }
  EXPECT_EQ(storedField(languagePack(0), languageFieldCount), nullptr);
  EXPECT_EQ(storedField(languagePack(0), -1), nullptr);
}

TEST(LanguageTable, EveryTranslationKeepsTheEnglishPlaceholders) {
  for (int field = 0; field < languageFieldCount; ++field) {
    std::size_t english = countOf(languageField(0, field), L"{0}");
    for (int row = 1; row < languageCount; ++row) {
      std::wstring_view text = languageField(row, field);
      EXPECT_EQ(countOf(text, L"{0}"), english) << "row " << row << " field " << field;
      // A half-typed placeholder would be shown to the user as it stands.
      EXPECT_EQ(countOf(text, L"{"), english) << "row " << row << " field " << field;
      EXPECT_EQ(countOf(text, L"}"), english) << "row " << row << " field " << field;
    }
  }
}

TEST(LanguageTable, ProtectedNamesStayAsTheyAre) {
  const std::vector<std::wstring> names = {L"YouTube", L"yt-dlp", L"8K", L"3GP", L"FLV", L"WMV"};
  for (int row = 1; row < languageCount; ++row) {
    // The headline is one text split three ways; where the split falls is the language's choice.
    for (const auto& name : names)
      EXPECT_EQ(countOf(headline(row), name) > 0, countOf(headline(0), name) > 0) << row;
    for (int field = fieldSubtitle; field < languageFieldCount; ++field) {
      for (const auto& name : names) {
        if (countOf(languageField(0, field), name) == 0) continue;
        EXPECT_GT(countOf(languageField(row, field), name), 0u)
            << "row " << row << " field " << field << " lost " << wideToUtf8(name);
      }
    }
  }
}

TEST(LanguageTable, ArabicReadsRightToLeftAndEveryOtherRowLeftToRight) {
  for (int row = 0; row < languageCount; ++row) {
    for (int field = fieldNativeName; field < languageFieldCount; ++field) {
      std::wstring_view text = languageField(row, field);
      if (text.empty()) continue;
      bool rtlExpected = row == arabicRow && (field != fieldHeadlineEnd);
      EXPECT_EQ(isRightToLeftText(text), rtlExpected) << "row " << row << " field " << field;
    }
  }
  EXPECT_TRUE(isRightToLeftText(headline(arabicRow)));
}

TEST(LanguageTable, HeadlinesSplitWhereEachLanguageEmphasises) {
  EXPECT_EQ(headline(0), L"YouTube in any format.");
  EXPECT_EQ(headline(1), L"YouTube in jedem Format.");
  // Chinese opens with the emphasised part.
  EXPECT_TRUE(languageField(chineseRow, fieldHeadlineStart).empty());
  EXPECT_EQ(headline(chineseRow).rfind(languageField(chineseRow, fieldHeadlineEmphasis), 0), 0u);
  for (int row = 0; row < languageCount; ++row)
    EXPECT_FALSE(languageField(row, fieldHeadlineEmphasis).empty()) << row;
}

TEST(LanguageTable, QuotedButtonNamesMatchTheButtons) {
  // The ready and setup-failed texts tell the user which button to click.
  for (int row = 0; row < languageCount; ++row) {
    std::wstring_view button = languageField(row, fieldDownload);
    EXPECT_GT(countOf(languageField(row, fieldReady), button), 0u) << row;
    EXPECT_GT(countOf(languageField(row, fieldSetupFailed), button), 0u) << row;
  }
}

TEST(LanguageTable, TypographyIsTheLanguagesOwn) {
  for (int row = 0; row < languageCount; ++row) {
    for (int field = 0; field < languageFieldCount; ++field) {
      std::wstring_view text = languageField(row, field);
      EXPECT_EQ(countOf(text, L"\""), 0u) << "straight quote in row " << row << " field " << field;
      EXPECT_EQ(countOf(text, L"..."), 0u) << "three dots in row " << row << " field " << field;
      EXPECT_EQ(countOf(text, L"  "), 0u) << "double blank in row " << row << " field " << field;
      if (field >= fieldHeadlineStart && field <= fieldHeadlineEnd) continue;  // parts join with blanks
      if (text.empty()) continue;
      EXPECT_NE(text.front(), L' ') << "row " << row << " field " << field;
      EXPECT_NE(text.back(), L' ') << "row " << row << " field " << field;
    }
  }
  EXPECT_EQ(languageField(1, fieldReady), L"Bereit – Link einfügen und auf „Herunterladen“ klicken.");
  EXPECT_EQ(languageField(2, fieldReady), L"Prêt – collez un lien et cliquez sur «\u202FTélécharger\u202F».");
  EXPECT_GT(countOf(languageField(14, fieldReady), L"「ダウンロード」"), 0u);
}

TEST(LanguageTable, ButtonAndChipLabelsStayShort) {
  const int labels[] = {fieldPaste, fieldDownload,     fieldCancel,     fieldVideo,    fieldAudio,
                        fieldBest,  fieldChangeFolder, fieldOpenFolder, fieldClearLog, fieldSearch};
  std::set<std::wstring> codes;
  for (int row = 0; row < languageCount; ++row) {
    for (int field : labels)
      EXPECT_LE(languageField(row, field).size(), 14u) << "row " << row << " field " << field;
    EXPECT_LE(languageField(row, fieldShowInFolder).size(), 24u) << row;
    EXPECT_LE(languageField(row, fieldWholePlaylist).size(), 20u) << row;
    codes.insert(std::wstring(languageField(row, fieldCode)));
  }
  EXPECT_EQ(codes.size(), static_cast<std::size_t>(languageCount));
}

TEST(Placeholder, OnlyTheFirstIsReplaced) {
  EXPECT_EQ(replacePlaceholder(L"{0} and {0}", L"x"), L"x and {0}");
  // The argument is inserted as it stands, even when it looks like a placeholder itself.
  EXPECT_EQ(replacePlaceholder(L"a {0} b", L"{0}"), L"a {0} b");
  EXPECT_EQ(replacePlaceholder(L"no placeholder", L"x"), L"no placeholder");
  EXPECT_EQ(replacePlaceholder(L"{0}", L""), L"");
  EXPECT_EQ(replacePlaceholder(L"{0", L"x"), L"{0");
  EXPECT_EQ(replacePlaceholder(L".", L"x"), L".");
}

TEST(Placeholder, AMissingFieldFallsBackToEnglish) {
  LanguagePack sparse = languagePack(1);
  sparse.views = nullptr;
  sparse.welcome = nullptr;
  EXPECT_EQ(packField(sparse, fieldViews), L"{0} views");
  EXPECT_EQ(packField(sparse, fieldWelcome), L"Welcome to Tarnwick App!");
  EXPECT_EQ(packField(sparse, fieldCancel), L"Abbrechen");
  EXPECT_EQ(packField(sparse, languageFieldCount), L"");
  EXPECT_EQ(packField(sparse, -1), L"");
}

TEST_F(ActiveLanguage, UiTextFormatsInTheActiveLanguageAtCallTime) {
  const int viewsId = fieldViews - firstTextField;
  ASSERT_EQ(viewsId, 44);
  language.store(0);
  EXPECT_EQ(uiText(viewsId, L"1,234"), L"1,234 views");
  language.store(1);
  EXPECT_EQ(uiText(viewsId, L"1,234"), L"1,234 Aufrufe");
  EXPECT_EQ(uiText(fieldConverting - firstTextField, L"MP3"), L"Wandle in MP3 um …");
  EXPECT_EQ(uiText(fieldDone - firstTextField, L"ignored"), L"Fertig!");
  EXPECT_EQ(uiField(fieldPaste), L"Einfügen");
  language.store(9);
  EXPECT_EQ(uiText(viewsId, L"7"), L"Просмотров: 7");
}

TEST_F(ActiveLanguage, AnIndexOutsideTheTableReadsEnglish) {
  for (int bad : {17, -1, 1000}) {
    language.store(bad);
    EXPECT_EQ(activeLanguage(), 0);
    EXPECT_EQ(uiField(fieldWelcome), L"Welcome to Tarnwick App!");
  }
  EXPECT_EQ(uiText(-1), L"");
  EXPECT_EQ(uiText(languageFieldCount - firstTextField), L"");
  EXPECT_EQ(uiText(fieldSearchFailed - firstTextField), L"Search failed – see the log for details.");
}

TEST_F(ActiveLanguage, StatusIdsAddressTheStatusFields) {
  // statusId n is field n + 2: 19 ready, 31 done, 46 search failed.
  EXPECT_EQ(uiText(19), languageField(0, fieldReady));
  EXPECT_EQ(uiText(31), L"Done!");
  EXPECT_EQ(uiText(46), languageField(0, fieldSearchFailed));
}

}  // namespace
}  // namespace tarnwick
