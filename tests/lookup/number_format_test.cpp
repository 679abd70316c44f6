#include "lookup/number_format.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

namespace tarnwick {
namespace {

TEST(FormatCount, PicksTheUnitBeforeRounding) {
  EXPECT_EQ(formatCount(0), L"0");
  EXPECT_EQ(formatCount(999), L"999");
  EXPECT_EQ(formatCount(1000), L"1K");
  EXPECT_EQ(formatCount(1050), L"1.1K");
  EXPECT_EQ(formatCount(1500), L"1.5K");
  EXPECT_EQ(formatCount(10000), L"10K");
  EXPECT_EQ(formatCount(999999), L"1000K");
  EXPECT_EQ(formatCount(2000000), L"2M");
  EXPECT_EQ(formatCount(12345678), L"12.3M");
  EXPECT_EQ(formatCount(1000000000), L"1B");
  EXPECT_EQ(formatCount(2500000000), L"2.5B");
  EXPECT_EQ(formatCount(1005000000000), L"1005B");
}

TEST(FormatCount, UsesADotInEveryLocale) {
  bool switched = false;
  for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "de_DE"})
    switched = switched || std::setlocale(LC_ALL, name);
  EXPECT_EQ(formatCount(1500), L"1.5K");
  std::setlocale(LC_ALL, "C");
  if (!switched) GTEST_SKIP() << "no locale with a decimal comma installed";
}

TEST(FormatDuration, RoundsAndPadsLikeAClock) {
  EXPECT_EQ(formatDuration(59.6), L"1:00");
  EXPECT_EQ(formatDuration(61), L"1:01");
  EXPECT_EQ(formatDuration(0.5), L"0:01");  // halves away from zero
  EXPECT_EQ(formatDuration(599), L"9:59");
  EXPECT_EQ(formatDuration(3599.4), L"59:59");
  EXPECT_EQ(formatDuration(3600), L"1:00:00");
  EXPECT_EQ(formatDuration(3725), L"1:02:05");
  EXPECT_EQ(formatDuration(36000), L"10:00:00");
}

TEST(FormatDuration, NothingForAbsentDurations) {
  EXPECT_EQ(formatDuration(0), L"");
  EXPECT_EQ(formatDuration(-1), L"");
  EXPECT_EQ(formatDuration(std::nan("")), L"");
}

}  // namespace
}  // namespace tarnwick
