#include "lookup/thumb.h"

#include <gtest/gtest.h>

#include "test_pictures.h"

namespace tarnwick {
namespace {

int channel(std::uint32_t pixel, int shift) {
  return static_cast<int>((pixel >> shift) & 0xFF);
}

TEST(DecodeThumbnail, JpegKeepsItsSizeAndColour) {
  std::string jpeg = test::makePicture(320, 180, 0xC8280AFF);  // opaque (200, 40, 10)
  ASSERT_FALSE(jpeg.empty());
  std::shared_ptr<Thumb> thumb = decodeThumbnail(jpeg);
  ASSERT_TRUE(thumb);
  EXPECT_EQ(thumb->width, 320);
  EXPECT_EQ(thumb->height, 180);
  EXPECT_EQ(thumb->stride, 320 * 4);
  ASSERT_EQ(thumb->pixels.size(), 320u * 180u);
  for (std::uint32_t pixel : {thumb->pixels.front(), thumb->pixels[180 * 160 + 90], thumb->pixels.back()}) {
    EXPECT_EQ(channel(pixel, 24), 255);
    EXPECT_NEAR(channel(pixel, 16), 200, 6);  // JPEG is lossy
    EXPECT_NEAR(channel(pixel, 8), 40, 6);
    EXPECT_NEAR(channel(pixel, 0), 10, 6);
  }
  EXPECT_EQ(thumb->deviceBitmaps[0], nullptr);
  EXPECT_EQ(thumb->deviceGenerations[1], 0u);
}

TEST(DecodeThumbnail, AlphaIsPremultipliedIntoNativeArgbWords) {
  std::shared_ptr<Thumb> thumb = decodeThumbnail(test::makePicture(3, 2, 0xFF402080, "png"));
  ASSERT_TRUE(thumb);
  EXPECT_EQ(thumb->width, 3);
  EXPECT_EQ(thumb->height, 2);
  // (255, 64, 32) at alpha 128: each colour scaled by 128/255, rounded.
  EXPECT_EQ(thumb->pixels[0], 0x80802010u);
  EXPECT_EQ(thumb->pixels[5], 0x80802010u);
  std::shared_ptr<Thumb> clear = decodeThumbnail(test::makePicture(1, 1, 0xFFFFFF00, "png"));
  ASSERT_TRUE(clear);
  EXPECT_EQ(clear->pixels[0], 0u);
}

TEST(DecodeThumbnail, UndecodableBytesGiveNull) {
  EXPECT_EQ(decodeThumbnail(""), nullptr);
  EXPECT_EQ(decodeThumbnail("<html>404 not found</html>"), nullptr);
  std::string jpeg = test::makePicture(64, 64, 0x000000FF);
  EXPECT_EQ(decodeThumbnail(std::string_view(jpeg).substr(0, 20)), nullptr);  // header cut short
}

TEST(DecodeThumbnail, RefusesAbsurdlyLargePictures) {
  std::string wide = test::makePicture(thumbMaxSide + 1, 1, 0x102030FF, "png");
  ASSERT_FALSE(wide.empty());
  EXPECT_EQ(decodeThumbnail(wide), nullptr);
  EXPECT_TRUE(decodeThumbnail(test::makePicture(thumbMaxSide, 1, 0x102030FF, "png")));
}

// A picture larger than the card is decoded just large enough to cover it at scale 2, keeping
// its shape; JPEG shrinks while it decodes, so even one at the size limit stays cheap. Other
// formats are held whole before scaling, and refused when that would be too much memory.
TEST(DecodeThumbnail, LargePicturesAreDecodedDownToTheCardSize) {
  const struct {
    int width, height;
    const char* type;
    int wantWidth, wantHeight;  // 0 × 0: refused
  } cases[] = {
      {1280, 720, "jpeg", thumbCoverWidth, thumbCoverHeight},
      {4000, 1000, "jpeg", 792, thumbCoverHeight},  // wide: the height decides
      {1000, 4000, "png", thumbCoverWidth, 1408},   // tall: the width decides
      {320, 180, "jpeg", 320, 180},                 // smaller: kept as it is
      {4500, 4000, "png", 0, 0},                    // 72 MB to hold
      // 256 MB whole: cheap only where the decoder shrinks a JPEG while decoding it.
      {thumbMaxSide, thumbMaxSide, "jpeg", thumbJpegDecodeShrink >= 2 ? thumbCoverWidth : 0,
       thumbJpegDecodeShrink >= 2 ? thumbCoverWidth : 0},
  };
  for (const auto& c : cases) {
    const std::string picture = test::makePicture(c.width, c.height, 0x336699FF, c.type);
    ASSERT_FALSE(picture.empty());
    std::shared_ptr<Thumb> thumb = decodeThumbnail(picture);
    if (c.wantWidth == 0) {
      EXPECT_EQ(thumb, nullptr) << c.width << "x" << c.height;
      continue;
    }
    ASSERT_TRUE(thumb) << c.width << "x" << c.height;
    EXPECT_NEAR(thumb->width, c.wantWidth, 1) << c.width << "x" << c.height;
    EXPECT_NEAR(thumb->height, c.wantHeight, 1) << c.width << "x" << c.height;
    EXPECT_EQ(thumb->pixels.size(), static_cast<std::size_t>(thumb->width) * thumb->height);
    EXPECT_NEAR(channel(thumb->pixels[thumb->pixels.size() / 2], 8), 0x66, 6);
  }
}

// Four quadrants of their own colour: rows keep their order and side, and each channel its place,
// whether the picture keeps its size or is scaled down.
TEST(DecodeThumbnail, PixelsKeepTheirPlaceAndChannels) {
  const std::uint32_t quadrants[4] = {0xE0201CFF, 0x20D040FF, 0x3040E0FF, 0xF0F0F0FF};
  const struct {
    int width, height;
    const char* type;
  } cases[] = {{64, 48, "jpeg"}, {64, 48, "png"}, {1280, 720, "jpeg"}, {1280, 720, "png"}};
  for (const auto& c : cases) {
    const std::string picture = test::encodePicture(
        c.width, c.height,
        [&](int x, int y) { return quadrants[(y >= c.height / 2 ? 2 : 0) + (x >= c.width / 2 ? 1 : 0)]; },
        c.type);
    ASSERT_FALSE(picture.empty()) << c.type;
    std::shared_ptr<Thumb> thumb = decodeThumbnail(picture);
    ASSERT_TRUE(thumb) << c.width << "x" << c.height << " " << c.type;
    for (int q = 0; q < 4; ++q) {
      const int x = thumb->width * (1 + 2 * (q % 2)) / 4;
      const int y = thumb->height * (1 + 2 * (q / 2)) / 4;
      const std::uint32_t pixel = thumb->pixels[static_cast<std::size_t>(y) * thumb->width + x];
      const std::uint32_t want = quadrants[q];
      SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height << " " << c.type << " quadrant " << q);
      EXPECT_EQ(channel(pixel, 24), 255);
      EXPECT_NEAR(channel(pixel, 16), channel(want, 24), 8);
      EXPECT_NEAR(channel(pixel, 8), channel(want, 16), 8);
      EXPECT_NEAR(channel(pixel, 0), channel(want, 8), 8);
    }
  }
}

}  // namespace
}  // namespace tarnwick
