#include "base/channel.h"

#include <gtest/gtest.h>

#include <thread>

#include "channel_recorder.h"

namespace tarnwick {
namespace {

TEST(Progress, IsPostedInTenthsOrAsIndeterminate) {
  test::ChannelRecorder recorder;
  postProgress(250);
  postProgress(-1);
  postProgress(42.07);
  postProgress(0);
  auto posted = recorder.of(WM_APP_PROGRESS);
  ASSERT_EQ(posted.size(), 4u);
  EXPECT_EQ(posted[0].wParam, 1000u);
  EXPECT_EQ(posted[0].lParam, 0);
  EXPECT_EQ(posted[1].wParam, 0u);
  EXPECT_EQ(posted[1].lParam, 1);
  EXPECT_EQ(posted[2].wParam, 420u);
  EXPECT_EQ(posted[3].wParam, 0u);
}

TEST(Channel, KeepsOrderAndOwnsTextPayloads) {
  test::ChannelRecorder recorder;
  postText(WM_APP_LOG, L"one");
  postText(WM_APP_STATUS, L"two");
  postJobDone(2, 1);
  auto& all = recorder.messages();
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[0].text, L"one");
  EXPECT_EQ(all[1].id, WM_APP_STATUS);
  EXPECT_EQ(all[2].wParam, 2u);
  EXPECT_EQ(all[2].lParam, 1);
}

TEST(Channel, PostsAfterShutdownAreDroppedAndFreed) {
  { test::ChannelRecorder recorder; }
  // AddressSanitizer reports a leak here if the dropped payload is not freed.
  EXPECT_FALSE(postText(WM_APP_LOG, std::wstring(1000, L'x')));
  EXPECT_FALSE(postMessage(WM_APP_VIDEO_INFO, 0, 0, Payload::make(std::vector<int>(100))));
}

TEST(Channel, WakesOncePerBatchAndNeverBlocksPosters) {
  int wakeUps = 0;
  openChannel([&] { ++wakeUps; });
  std::thread worker([] {
    for (int i = 0; i < 1000; ++i) postText(WM_APP_LOG, L"line");
  });
  worker.join();
  EXPECT_EQ(wakeUps, 1);
  EXPECT_EQ(takePostedMessages().size(), 1000u);
  postText(WM_APP_LOG, L"again");
  EXPECT_EQ(wakeUps, 2);
  shutdownChannel();
}

TEST(Payload, TakesOnlyItsOwnType) {
  Payload p = Payload::make(std::wstring(L"x"));
  EXPECT_EQ(p.get<int>(), nullptr);
  EXPECT_EQ(p.take<int>(), nullptr);
  auto text = p.take<std::wstring>();
  ASSERT_TRUE(text);
  EXPECT_EQ(*text, L"x");
  EXPECT_TRUE(p.empty());
}

}  // namespace
}  // namespace tarnwick
