#include "app/log_model.h"

#include <gtest/gtest.h>

#include <string>

namespace tarnwick {
namespace {

// A text view as the shell keeps one: it only ever applies the events it is told.
class MirrorView : public LogObserver {
 public:
  void logAppended(std::wstring_view text) override {
    mirror += text;
    ++appends;
  }
  void logTrimmed(std::size_t count) override {
    mirror.erase(0, count);
    trims.push_back(count);
  }
  void logCleared() override {
    mirror.clear();
    ++clears;
  }

  std::wstring mirror;
  int appends = 0;
  int clears = 0;
  std::vector<std::size_t> trims;
};

class LogModelTest : public ::testing::Test {
 protected:
  void SetUp() override { log.setObserver(&view); }
  LogModel log;
  MirrorView view;
};

TEST_F(LogModelTest, LinesAreSeparatedButTheFirstHasNoSeparator) {
  log.appendLogLine(L"Welcome to Tarnwick App!");
  EXPECT_EQ(log.text(), L"Welcome to Tarnwick App!");
  log.appendLogLine(L"second");
  log.appendLogLine(L"");
  log.appendLogLine(L"fourth");
  EXPECT_EQ(log.text(), L"Welcome to Tarnwick App!\r\nsecond\r\n\r\nfourth");
  EXPECT_EQ(view.mirror, log.text());
  EXPECT_EQ(view.appends, 4);
}

TEST_F(LogModelTest, ClearMakesTheNextLineFirstAgain) {
  log.appendLogLine(L"one");
  log.appendLogLine(L"two");
  log.clear();
  EXPECT_EQ(log.text(), L"");
  EXPECT_EQ(log.lengthUnits(), 0u);
  EXPECT_EQ(view.clears, 1);
  log.appendLogLine(L"three");
  EXPECT_EQ(log.text(), L"three");
  EXPECT_EQ(view.mirror, L"three");
}

TEST_F(LogModelTest, RightToLeftLinesAreWrappedInDirectionMarks) {
  log.appendLogLine(L"مرحبًا بك في Tarnwick App!");
  log.appendLogLine(L"Tarnwick مرحبًا");  // starts with a Latin letter: left to right
  log.appendLogLine(L"12 שלום");         // digits are weak; Hebrew decides
  EXPECT_EQ(log.text(), L"\u202Bمرحبًا بك في Tarnwick App!\u202C\r\nTarnwick مرحبًا\r\n\u202B12 שלום\u202C");
  EXPECT_EQ(view.mirror, log.text());
}

TEST_F(LogModelTest, ALogOverTheCapLosesItsFirstHalfBeforeTheNextLine) {
  std::wstring big(LogModel::capUnits + 1, L'a');
  big[999'999] = L'b';
  big[1'000'000] = L'c';
  log.appendLogLine(big);
  EXPECT_EQ(log.lengthUnits(), 2'000'001u);  // over the cap, but nothing is cut until the next line
  EXPECT_TRUE(view.trims.empty());
  log.appendLogLine(L"next");
  ASSERT_EQ(view.trims.size(), 1u);
  EXPECT_EQ(view.trims[0], 1'000'000u);
  EXPECT_EQ(log.text().size(), 1'000'001u + 2 + 4);
  EXPECT_EQ(log.text().front(), L'c');
  EXPECT_EQ(log.text().substr(log.text().size() - 6), L"\r\nnext");
  EXPECT_EQ(view.mirror, log.text());
}

TEST_F(LogModelTest, ExactlyAtTheCapNothingIsCut) {
  log.appendLogLine(std::wstring(LogModel::capUnits, L'a'));
  log.appendLogLine(L"x");
  EXPECT_TRUE(view.trims.empty());
  EXPECT_EQ(log.lengthUnits(), LogModel::capUnits + 3);
}

TEST_F(LogModelTest, CountsUtf16UnitsAndNeverSplitsACharacter) {
  // 1,000,001 characters beyond U+FFFF are 2,000,002 UTF-16 units: one wchar_t each on Linux, a
  // surrogate pair on Windows.
  const std::wstring character = L"\U0001F600";
  std::wstring astral;
  for (int i = 0; i < 1'000'001; ++i) astral += character;
  log.appendLogLine(astral);
  EXPECT_EQ(log.lengthUnits(), 2'000'002u);
  log.appendLogLine(L"z");
  // Half is 1,000,001 units: the cut falls inside a character, which goes whole.
  ASSERT_EQ(view.trims.size(), 1u);
  EXPECT_EQ(view.trims[0], 500'001u * character.size());
  EXPECT_EQ(log.text().size(), 500'000u * character.size() + 3);
  EXPECT_EQ(log.lengthUnits(), 1'000'000u + 3);
  EXPECT_EQ(view.mirror, log.text());
}

TEST_F(LogModelTest, ManyLinesStayUnderTwiceTheCap) {
  const std::wstring line(100, L'x');
  for (int i = 0; i < 50'000; ++i) log.appendLogLine(line);
  EXPECT_FALSE(view.trims.empty());
  EXPECT_LE(log.lengthUnits(), LogModel::capUnits + 102);
  EXPECT_EQ(view.mirror, log.text());
  EXPECT_EQ(log.text().substr(log.text().size() - 102), L"\r\n" + line);
}

TEST(LogModelAlone, WorksWithoutAnObserver) {
  LogModel log;
  log.appendLogLine(L"a");
  log.clear();
  log.appendLogLine(L"b");
  EXPECT_EQ(log.text(), L"b");
}

}  // namespace
}  // namespace tarnwick
