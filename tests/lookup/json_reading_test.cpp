#include "lookup/json_reading.h"

#include <gtest/gtest.h>

#include <clocale>

#include "lookup/printed_line.h"

namespace tarnwick {
namespace {

TEST(JsonGetString, DecodesEscapesInTheValue) {
  std::wstring out;
  ASSERT_TRUE(jsonGetString(L"{\"title\": \"Say \\\"hi\\\" \\/ \\\\ tab\\tend\"}", L"title", out));
  EXPECT_EQ(out, L"Say \"hi\" / \\ tab\tend");
  ASSERT_TRUE(jsonGetString(L"{\"a\":\n\t \"caf\\u00e9\\n\\b\\f\\r\"}", L"a", out));
  EXPECT_EQ(out, L"caf\u00e9\n\b\f\r");
}

TEST(JsonGetString, SurrogatePairEscapeBecomesOneCharacter) {
  std::wstring out;
  ASSERT_TRUE(jsonGetString(L"{\"t\":\"a\\ud83d\\ude00b\"}", L"t", out));
  EXPECT_EQ(out, L"a\U0001F600b");  // one code point on Linux, the UTF-16 pair on Windows
  ASSERT_TRUE(jsonGetString(L"{\"t\":\"\\uD83D\\uDE00\"}", L"t", out));  // upper-case hex
  EXPECT_EQ(out, L"\U0001F600");
  ASSERT_TRUE(jsonGetString(L"{\"t\":\"x\\ud83dy\"}", L"t", out));  // lone high surrogate
  EXPECT_EQ(out, L"x\uFFFDy");
  // Hex stops at the first non-digit, but all four characters are consumed.
  ASSERT_TRUE(jsonGetString(L"{\"t\":\"\\u00zz!\"}", L"t", out));
  EXPECT_EQ(out, (std::wstring{L'\0', L'!'}));
}

TEST(JsonGetString, NonStringValuesLeaveOutputUnchanged) {
  std::wstring out = L"kept";
  EXPECT_FALSE(jsonGetString(L"{\"title\":null}", L"title", out));
  EXPECT_FALSE(jsonGetString(L"{\"title\": 42}", L"title", out));
  EXPECT_FALSE(jsonGetString(L"{\"other\":\"x\"}", L"title", out));
  EXPECT_FALSE(jsonGetString(L"{\"title\"", L"title", out));
  EXPECT_FALSE(jsonGetString(L"{\"title\":   ", L"title", out));
  EXPECT_EQ(out, L"kept");
}

TEST(JsonGetString, FirstOccurrenceWinsWhereverItIs) {
  std::wstring out;
  ASSERT_TRUE(jsonGetString(L"{\"meta\":{\"title\":\"inner\"},\"title\":\"outer\"}", L"title", out));
  EXPECT_EQ(out, L"inner");
  // An escaped quote inside a value is no key.
  ASSERT_TRUE(jsonGetString(L"{\"x\":\"\\\"title\\\": 1\",\"title\":\"real\"}", L"title", out));
  EXPECT_EQ(out, L"real");
}

TEST(JsonReadString, TruncatedTextFailsWithWhatWasRead) {
  std::wstring out;
  std::size_t pos = 0;
  EXPECT_FALSE(jsonReadString(L"\"abc\\", pos, out));  // ends right after a backslash
  EXPECT_EQ(out, L"abc");
  pos = 0;
  EXPECT_FALSE(jsonReadString(L"\"abc", pos, out));
  EXPECT_EQ(out, L"abc");
  pos = 0;
  EXPECT_FALSE(jsonReadString(L"\"\\u00e9", pos, out));  // no room for a closing quote
  pos = 0;
  EXPECT_FALSE(jsonReadString(L"\"", pos, out));
  pos = 5;
  out = L"kept";
  EXPECT_FALSE(jsonReadString(L"\"a\"", pos, out));
  EXPECT_EQ(out, L"kept");
}

TEST(JsonReadString, LeavesPositionBehindTheLiteral) {
  std::wstring out;
  std::size_t pos = 2;
  ASSERT_TRUE(jsonReadString(L"x|\"a\\\"b\"|rest", pos, out));
  EXPECT_EQ(out, L"a\"b");
  EXPECT_EQ(pos, 8u);
}

TEST(PrintedLine, SplitsPlainFieldsAndTwoStrings) {
  std::vector<std::wstring> fields{L"stale"};
  std::wstring first, last;
  ASSERT_TRUE(splitPrintedLine(L"213.5|1234|1080|\"T \\\"q\\\"\"|\"Chan\"", 3, fields, first, last));
  EXPECT_EQ(fields, (std::vector<std::wstring>{L"213.5", L"1234", L"1080"}));
  EXPECT_EQ(first, L"T \"q\"");
  EXPECT_EQ(last, L"Chan");
}

TEST(PrintedLine, LastFieldMayBeRawNaOrNull) {
  std::vector<std::wstring> fields;
  std::wstring first, last = L"x";
  ASSERT_TRUE(splitPrintedLine(L"NA|NA|NA|\"T\"|NA", 3, fields, first, last));
  EXPECT_EQ(last, L"");
  ASSERT_TRUE(splitPrintedLine(L"1|2|3|\"T\"|null", 3, fields, first, last));
  EXPECT_EQ(last, L"");
  ASSERT_TRUE(splitPrintedLine(L"1|2|3|\"T\"|raw text", 3, fields, first, last));
  EXPECT_EQ(last, L"raw text");
  ASSERT_TRUE(splitPrintedLine(L"1|2|3|\"T\"|", 3, fields, first, last));
  EXPECT_EQ(last, L"");
}

TEST(PrintedLine, OtherShapesFail) {
  std::vector<std::wstring> fields;
  std::wstring first, last;
  EXPECT_FALSE(splitPrintedLine(L"1|2|\"T\"|\"C\"", 3, fields, first, last));  // only two plain fields
  EXPECT_FALSE(splitPrintedLine(L"1|2|3|T|\"C\"", 3, fields, first, last));    // first not a string
  EXPECT_FALSE(splitPrintedLine(L"1|2|3|\"T\"", 3, fields, first, last));      // no "|" after it
  EXPECT_FALSE(splitPrintedLine(L"1|2|3|\"T\" |\"C\"", 3, fields, first, last));
  EXPECT_FALSE(splitPrintedLine(L"1|2|3|", 3, fields, first, last));
  EXPECT_FALSE(splitPrintedLine(L"ERROR: [youtube] x: Video unavailable", 3, fields, first, last));
  EXPECT_FALSE(splitPrintedLine(L"", 3, fields, first, last));
}

TEST(ParseNumber, AbsentValuesAreMinusOne) {
  EXPECT_EQ(parseNumber(L"NA"), -1);
  EXPECT_EQ(parseNumber(L"None"), -1);
  EXPECT_EQ(parseNumber(L""), -1);
  EXPECT_EQ(parseNumber(L"abc"), -1);
  EXPECT_EQ(parseNumber(L"+-1"), -1);
  EXPECT_EQ(parseNumber(L"0"), 0);
  EXPECT_EQ(parseNumber(L"213.5"), 213.5);
  EXPECT_EQ(parseNumber(L"  42s"), 42);  // digits followed by letters give the digits
  EXPECT_EQ(parseNumber(L"+7"), 7);
  EXPECT_EQ(parseNumber(L"1.5e3"), 1500);
}

TEST(ParseNumber, IgnoresADecimalCommaLocale) {
  bool switched = false;
  for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "de_DE"})
    switched = switched || std::setlocale(LC_ALL, name);
  EXPECT_EQ(parseNumber(L"213.5"), 213.5);
  EXPECT_EQ(parseNumber(L"213,5"), 213);
  std::setlocale(LC_ALL, "C");
  if (!switched) GTEST_SKIP() << "no locale with a decimal comma installed";
}

TEST(Truncation, TowardZeroWithoutOverflow) {
  EXPECT_EQ(truncateToInt64(1234.9), 1234);
  EXPECT_EQ(truncateToInt64(-1), -1);
  EXPECT_EQ(truncateToInt32(-0.5), 0);
  EXPECT_EQ(truncateToInt32(1e12), INT32_MAX);
  EXPECT_EQ(truncateToInt64(1e30), INT64_MAX);
  EXPECT_EQ(truncateToInt64(parseNumber(L"nan")), -1);
}

}  // namespace
}  // namespace tarnwick
