#include "lookup/link_recognition.h"

#include <gtest/gtest.h>

#include <clocale>

namespace tarnwick {
namespace {

TEST(LinkLike, SchemesAndWwwAndDomainMarkers) {
  EXPECT_TRUE(isLinkLike(L"https://example.org/page"));  // any site counts; it just has no id
  EXPECT_TRUE(isLinkLike(L"http://x"));
  EXPECT_TRUE(isLinkLike(L"www.youtube.com"));
  EXPECT_TRUE(isLinkLike(L"m.youtube.com/watch?v=abc"));
  EXPECT_TRUE(isLinkLike(L"look at youtu.be/dQw4w9WgXcQ"));
}

TEST(LinkLike, IsCaseSensitiveAndRejectsPlainWords) {
  EXPECT_FALSE(isLinkLike(L"cat videos"));
  EXPECT_FALSE(isLinkLike(L"HTTPS://EXAMPLE.ORG/"));
  EXPECT_TRUE(isLinkLike(L"HTTPS://www.youtube.com/watch?v=x"));  // the domain marker still matches
  EXPECT_FALSE(isLinkLike(L"youtube.com"));                       // the "/" must follow
  EXPECT_FALSE(isLinkLike(L" https://youtu.be"));                 // untrimmed: no prefix, no marker
  EXPECT_FALSE(isLinkLike(L""));
}

TEST(VideoId, FoundAfterEachMarker) {
  EXPECT_EQ(extractVideoId(L"https://www.youtube.com/watch?v=dQw4w9WgXcQ&t=42s"), L"dQw4w9WgXcQ");
  EXPECT_EQ(extractVideoId(L"https://www.youtube.com/watch?feature=share&v=a_b-c_d-e_f"), L"a_b-c_d-e_f");
  EXPECT_EQ(extractVideoId(L"https://youtu.be/dQw4w9WgXcQ?si=xyz"), L"dQw4w9WgXcQ");
  EXPECT_EQ(extractVideoId(L"https://www.youtube.com/shorts/abcdefghijk?feature=x"), L"abcdefghijk");
  EXPECT_EQ(extractVideoId(L"https://www.youtube.com/embed/ABCDEFGHIJK"), L"ABCDEFGHIJK");
  EXPECT_EQ(extractVideoId(L"https://www.youtube.com/live/01234567890/"), L"01234567890");
}

TEST(VideoId, RunMustBeExactlyElevenCharacters) {
  EXPECT_EQ(extractVideoId(L"https://www.youtube.com/watch?v=dQw4w9WgXcQx"), L"");  // 12
  EXPECT_EQ(extractVideoId(L"https://www.youtube.com/watch?v=dQw4w9WgXc"), L"");    // 10, end of text
  EXPECT_EQ(extractVideoId(L"?v="), L"");
  EXPECT_EQ(extractVideoId(L""), L"");
  // A 12-run after "?v=" falls through to a later marker that does carry an id.
  EXPECT_EQ(extractVideoId(L"https://youtu.be/abcdefghijk?v=abcdefghijkl"), L"abcdefghijk");
  // Only the first occurrence of a marker is looked at.
  EXPECT_EQ(extractVideoId(L"x?v=short&y?v=abcdefghijk"), L"");
  // Markers are tried in order, not by position.
  EXPECT_EQ(extractVideoId(L"/embed/AAAAAAAAAAA?v=BBBBBBBBBBB"), L"BBBBBBBBBBB");
}

TEST(VideoId, NonAsciiLettersCountWhateverTheLocale) {
  std::setlocale(LC_ALL, "C");  // iswalnum would know only ASCII here
  const std::wstring id = L"\u00e4\u00f6\u00fc\u00df\u00e9\u4e2d\u6587\u0436\u0661\u03b1z";
  ASSERT_EQ(id.size(), 11u);
  EXPECT_EQ(extractVideoId(L"https://youtu.be/" + id + L"?t=1"), id);
  // Punctuation and symbols beyond ASCII still end the run.
  EXPECT_EQ(extractVideoId(L"https://youtu.be/abcdefghijk\u2014rest"), L"abcdefghijk");
  EXPECT_EQ(extractVideoId(L"https://youtu.be/abcdefghij\u2603"), L"");
}

}  // namespace
}  // namespace tarnwick
