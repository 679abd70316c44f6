#include "base/command_line.h"

#include <gtest/gtest.h>

#include <random>

namespace tarnwick {
namespace {

TEST(QuoteArgument, FollowsTheBackslashRules) {
  EXPECT_EQ(quoteArgument(L""), L"\"\"");
  EXPECT_EQ(quoteArgument(L"abc"), L"\"abc\"");
  EXPECT_EQ(quoteArgument(L"C:\\Music\\"), L"\"C:\\Music\\\\\"");
  EXPECT_EQ(quoteArgument(L"a\"b"), L"\"a\\\"b\"");
  EXPECT_EQ(quoteArgument(L"a\\\"b"), L"\"a\\\\\\\"b\"");
  EXPECT_EQ(quoteArgument(L"%(title)s\\x"), L"\"%(title)s\\x\"");
}

TEST(SplitCommandLine, InvertsQuoteArgumentForAnyText) {
  const std::wstring alphabet = L"ab \t\"\\\\\\\u00e9\u4e2d";
  std::mt19937 random(12345);
  for (int round = 0; round < 5000; ++round) {
    auto randomText = [&] {
      std::wstring text;
      int length = static_cast<int>(random() % 12);
      for (int i = 0; i < length; ++i) text += alphabet[random() % alphabet.size()];
      return text;
    };
    // The program's name too: a POSIX path may hold quotes and backslashes anywhere.
    std::wstring program = L"/tmp/" + randomText();
    std::wstring text = randomText();
    std::wstring line = quoteArgument(program) + L" " + quoteArgument(text) + L" " + quoteArgument(L"next");
    std::vector<std::wstring> args = splitCommandLine(line);
    ASSERT_EQ(args.size(), 3u) << "for text of length " << text.size();
    EXPECT_EQ(args[0], program);
    EXPECT_EQ(args[1], text);
    EXPECT_EQ(args[2], L"next");
  }
}

TEST(SplitCommandLine, HandlesUnquotedArgumentsAndTrailingBackslash) {
  auto args = splitCommandLine(L"  \"/usr/bin/yt-dlp\" -f \"ba/b\" a\\b  \"c\\\\\"  ");
  ASSERT_EQ(args.size(), 5u);
  EXPECT_EQ(args[1], L"-f");
  EXPECT_EQ(args[2], L"ba/b");
  EXPECT_EQ(args[3], L"a\\b");
  EXPECT_EQ(args[4], L"c\\");
  EXPECT_TRUE(splitCommandLine(L"   ").empty());
}

}  // namespace
}  // namespace tarnwick
