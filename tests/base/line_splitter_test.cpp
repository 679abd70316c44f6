#include "base/line_splitter.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "base/text.h"

namespace tarnwick {
namespace {

std::vector<std::string> splitInChunks(const std::string& bytes, const std::vector<std::size_t>& cuts) {
  LineSplitter splitter;
  std::vector<std::string> lines;
  auto collect = [&](std::string_view line) { lines.emplace_back(line); };
  std::size_t from = 0;
  for (std::size_t cut : cuts) {
    splitter.feed(bytes.data() + from, cut - from, collect);
    from = cut;
  }
  splitter.feed(bytes.data() + from, bytes.size() - from, collect);
  splitter.finish(collect);
  return lines;
}

TEST(LineSplitter, LinesDoNotDependOnWhereTheReadsEnd) {
  const std::string bytes = "first\r\nsecond\rthird\n\n\r\nlong line with \xc3\xa9\rlast";
  const std::vector<std::string> whole = {"first", "second", "third", "long line with \xc3\xa9", "last"};
  EXPECT_EQ(splitInChunks(bytes, {}), whole);
  for (std::size_t a = 0; a <= bytes.size(); ++a)
    for (std::size_t b = a; b <= bytes.size(); b += 3)
      ASSERT_EQ(splitInChunks(bytes, {a, b}), whole) << a << " " << b;
  EXPECT_TRUE(splitInChunks("\r\n\r\n", {1, 3}).empty());
}

TEST(LineSplitter, FinishDeliversOnlyAnUnterminatedTail) {
  LineSplitter splitter;
  std::vector<std::string> lines;
  auto collect = [&](std::string_view line) { lines.emplace_back(line); };
  splitter.feed("a\n", 2, collect);
  splitter.finish(collect);
  EXPECT_EQ(lines, std::vector<std::string>{"a"});
}

TEST(DecodeLine, GivesExactlyWhatUtf8ToWideGives) {
  // ASCII runs mixed with valid, truncated and invalid sequences and encoded surrogates.
  const std::vector<std::string> atoms = {"a",
                                          "0123456789abcdefXYZ",
                                          " ",
                                          "\xc3\xa9",
                                          "\xe4\xb8\xad",
                                          "\xf0\x9f\x98\x80",
                                          "\xc3",
                                          "\xe4\xb8",
                                          "\xff",
                                          "\x80",
                                          "\xed\xa0\xbd",
                                          "\xed\xb8\x80",
                                          "\xc0\xaf",
                                          "\xf4\x90\x80\x80"};
  std::mt19937 random(7);
  std::wstring reused = L"left over from an earlier line";
  for (int round = 0; round < 20000; ++round) {
    std::string bytes;
    int count = static_cast<int>(random() % 10);
    for (int i = 0; i < count; ++i) bytes += atoms[random() % atoms.size()];
    decodeLine(bytes, reused);
    ASSERT_EQ(reused, utf8ToWide(bytes)) << "round " << round;
  }
}

TEST(DecodeLine, LongLineOfAlternatingRunsStaysLinear) {
  // Half a million run changes: anything quadratic here would not finish.
  std::string bytes;
  for (int i = 0; i < 250000; ++i) bytes += i % 3 ? "ab\xc3\xa9" : "\xe4\xb8\xadxyz";
  std::wstring line;
  decodeLine(bytes, line);
  EXPECT_EQ(line, utf8ToWide(bytes));
}

}  // namespace
}  // namespace tarnwick
