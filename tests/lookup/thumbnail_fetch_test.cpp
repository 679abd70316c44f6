#include <gtest/gtest.h>

#include "base/channel.h"
#include "channel_recorder.h"
#include "lookup/thumb.h"
#include "lookup/video_preview.h"
#include "lookup_fixtures.h"

namespace tarnwick {
namespace {

// The whole path of a thumbnail: fetched from the image host, decoded and posted for its video,
// with no picture when the host answers anything but an image.
TEST(FetchThumbnail, PostsTheDecodedPictureOrNoneForItsVideo) {
  const std::string jpeg = test::makePicture(480, 360, 0x336699FF);
  ASSERT_FALSE(jpeg.empty());
  test::ChannelRecorder recorder;
  test::LoopbackServer server;
  server.server().Get(
      R"(/vi/([^/]+)/mqdefault\.jpg)", [&](const httplib::Request& req, httplib::Response& res) {
        const std::string id = req.matches[1];
        if (id == "pictureVid1") {
          res.set_content(jpeg, "image/jpeg");
        } else if (id == "errorPage01") {
          res.set_content("<html>gone</html>", "text/html");
        } else {
          res.status = 404;
          res.set_content(jpeg, "image/jpeg");  // a picture with a failure status is still no thumbnail
        }
      });
  server.start();
  test::LoopbackHosts hosts(server);
  const struct {
    std::wstring videoId;
    bool picture;
  } cases[] = {{L"pictureVid1", true}, {L"errorPage01", false}, {L"missingVid1", false}};
  for (const auto& c : cases) {
    recorder.clear();
    EXPECT_TRUE(fetchThumbnail(c.videoId));
    std::vector<test::Recorded>& posted = recorder.messages();
    ASSERT_EQ(posted.size(), 1u);
    EXPECT_EQ(posted[0].id, WM_APP_THUMBNAIL);
    const ThumbnailData* data = posted[0].payload.get<ThumbnailData>();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->videoId, c.videoId);
    ASSERT_EQ(data->thumb != nullptr, c.picture) << wideToUtf8(c.videoId);
    if (!c.picture) continue;
    // 480 × 360 shrinks until its width just covers the card: 352 × 264.
    EXPECT_EQ(data->thumb->width, thumbCoverWidth);
    EXPECT_EQ(data->thumb->height, 264);
    const std::uint32_t middle = data->thumb->pixels[data->thumb->pixels.size() / 2];
    EXPECT_EQ(middle >> 24, 0xFFu);
    EXPECT_NEAR(static_cast<int>((middle >> 16) & 0xFF), 0x33, 6);
    EXPECT_NEAR(static_cast<int>(middle & 0xFF), 0x99, 6);
  }
  server.stop();
}

}  // namespace
}  // namespace tarnwick
