// The adapter from the app's state to the render layer: a real AppState, brought into each state
// by the app's own actions and message handlers, viewed as a frame and rendered offscreen.
#include "render/frame_state_from_app.h"

#include <gtest/gtest.h>

#include "fontconfig_leaks.h"

#include <cairo.h>

#include <set>
#include <string>

#include "../app/app_fixture.h"
#include "app/actions.h"
#include "app/localization.h"
#include "app/status_texts.h"
#include "lookup/video_preview.h"
#include "lookup/video_search.h"
#include "pixels.h"
#include "render/offscreen.h"
#include "render/painters.h"

namespace tarnwick {
namespace {

using test::brightness;
using test::countPixels;
using test::isAccent;
using test::rgbOf;
using test::save;

constexpr wchar_t kVideoId[] = L"aqz-KE-bpKQ";

// A PNG file as the image host sends it: left half red, right half blue.
std::string twoColourPng(int width, int height) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 0.9, 0.1, 0.1);
  cairo_rectangle(cr, 0, 0, width / 2, height);
  cairo_fill(cr);
  cairo_set_source_rgb(cr, 0.1, 0.2, 0.9);
  cairo_rectangle(cr, width / 2, 0, width - width / 2, height);
  cairo_fill(cr);
  cairo_destroy(cr);
  std::string bytes;
  cairo_surface_write_to_png_stream(
      surface,
      [](void* closure, const unsigned char* data, unsigned int length) {
        static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
        return CAIRO_STATUS_SUCCESS;
      },
      &bytes);
  cairo_surface_destroy(surface);
  return bytes;
}

bool isRed(std::uint32_t c) {
  const auto v = rgbOf(c);
  return v.r > 200 && v.g < 60 && v.b < 60;
}
bool isBlue(std::uint32_t c) {
  const auto v = rgbOf(c);
  return v.b > 200 && v.r < 60;
}

class FrameFromApp : public test::AppFixture {
 protected:
  ~FrameFromApp() override { state.language = 0; }

  FrameState frame(bool windowHasFocus = false) { return frameStateFrom(state, windowHasFocus, 1234); }

  // The frame enables exactly what the app enables.
  void expectAppRule(const FrameState& f) {
    for (int slot = 0; slot < EnabledElements::kCount; ++slot) {
      const ElementId id = EnabledElements::element(slot);
      EXPECT_EQ(f.enabled.contains(id), isElementEnabled(state, id)) << static_cast<int>(id);
    }
  }

  Image render(const FrameState& f, const std::string& name, float height = 860) {
    Image image = renderer.renderMainWindow(f, 900, height, 1, &layout);
    save(image, name);
    return image;
  }

  void deliverThumbnail(const std::wstring& videoId) {
    deliver(WM_APP_THUMBNAIL, 0, 0,
            Payload::make(ThumbnailData{videoId, decodeThumbnail(twoColourPng(320, 180))}));
  }

  OffscreenRenderer renderer;
  MainLayout layout;
};

TEST(EnabledElements, EveryDrawnElementHasItsOwnSlot) {
  std::set<ElementId> seen;
  for (int slot = 0; slot < EnabledElements::kCount; ++slot) seen.insert(EnabledElements::element(slot));
  EXPECT_EQ(seen.size(), static_cast<std::size_t>(EnabledElements::kCount));
  EXPECT_TRUE(seen.count(ElementId::language) && seen.count(ElementId::footerLink));
  EXPECT_TRUE(seen.count(formatChipId(9)) && seen.count(qualityChipId(9)));
  EXPECT_FALSE(seen.count(ElementId::none));

  EnabledElements enabled;
  for (ElementId id : seen) {
    enabled.set(id, true);
    EXPECT_TRUE(enabled.contains(id)) << static_cast<int>(id);
  }
  enabled.set(formatChipId(4), false);
  EXPECT_FALSE(enabled.contains(formatChipId(4)));
  EXPECT_TRUE(enabled.contains(formatChipId(5)));
  // Ids the window does not draw are never enabled.
  enabled.set(ElementId::none, true);
  enabled.set(formatChipId(10), true);
  EXPECT_FALSE(enabled.contains(ElementId::none));
  EXPECT_FALSE(enabled.contains(formatChipId(10)));
  EXPECT_FALSE(enabled.contains(static_cast<ElementId>(12)));
}

TEST_F(FrameFromApp, IdleWindowInEnglish) {
  setStatus(state, statusNormal, statusText::ready);
  state.folder = L"/home/user/Videos";
  const FrameState f = frame(true);
  EXPECT_EQ(f.language, 0);
  EXPECT_EQ(f.text[fieldDownload], L"Download");
  EXPECT_EQ(f.languageNames[11], L"العربية");
  EXPECT_EQ(f.folder, L"/home/user/Videos");
  EXPECT_EQ(f.quality, 4);
  EXPECT_TRUE(f.mainWindowHasFocus);
  EXPECT_EQ(f.clockMs, 1234u);
  EXPECT_FALSE(f.preview.active);
  EXPECT_TRUE(f.results.empty());
  EXPECT_EQ(buildStatusText(f), statusLine(state));
  expectAppRule(f);
  EXPECT_TRUE(f.enabled.contains(ElementId::paste));
  EXPECT_FALSE(f.enabled.contains(ElementId::showInFolder));

  const Image image = render(f, "app_idle");
  const RectF& action = layout.actionButtonRect;
  EXPECT_TRUE(isAccent(image.atDip(action.left + 6, (action.top + action.bottom) / 2, 1)));
  EXPECT_EQ(countPixels(image, layout.progressTrackRect, 1, isAccent), 0);
}

// yt-dlp without a total size reports no percentage, which arrives as 0: the window shows the
// gliding bar and no "0 %" until a real percentage comes.
TEST_F(FrameFromApp, DownloadWithoutATotalSizeShowsTheGlidingBar) {
  host.text = std::wstring(L"https://www.youtube.com/watch?v=") + kVideoId;
  state.folder = fromPath(test::Sandbox::current().makeFolder("Videos"));
  startDownload(state, host);
  ASSERT_TRUE(calls->waitFor(1, 0, 0));
  const auto bright = [](std::uint32_t c) { return brightness(c) > 500; };
  for (int i = 0; i < 3; ++i) deliver(WM_APP_PROGRESS, 0);
  FrameState f = frame();
  f.clockMs = 0;  // the segment rests at the left end
  Image image = render(f, "app_download_unknown_size");
  const RectF& track = layout.progressTrackRect;
  const float mid = (track.top + track.bottom) / 2;
  EXPECT_TRUE(isAccent(image.atDip(track.left + 0.14f * track.width(), mid, 1)));
  EXPECT_FALSE(isAccent(image.atDip(track.right - 0.14f * track.width(), mid, 1)));
  EXPECT_EQ(countPixels(image, layout.statusRightRect, 1, bright), 0);

  deliver(WM_APP_PROGRESS, 5);  // 0.5 %: known now, the smallest fill and its percentage
  f = frame();
  f.clockMs = 0;
  image = render(f, "app_download_half_percent");
  EXPECT_TRUE(isAccent(image.atDip(track.left + 4, mid, 1)));
  EXPECT_FALSE(isAccent(image.atDip(track.left + 0.14f * track.width(), mid, 1)));
  EXPECT_GT(countPixels(image, layout.statusRightRect, 1, bright), 10);
}

TEST_F(FrameFromApp, DownloadRunningAt42Percent) {
  host.text = std::wstring(L"https://www.youtube.com/watch?v=") + kVideoId;
  state.folder = fromPath(test::Sandbox::current().makeFolder("Videos"));
  startDownload(state, host);
  ASSERT_EQ(state.jobState, downloadJobRunning);
  ASSERT_TRUE(calls->waitFor(1, 0, 0));
  deliver(WM_APP_PROGRESS, 420);
  deliverText(WM_APP_STATUS, L"Downloading  3.2 MiB/s  ·  00:12 left");

  const FrameState f = frame();
  EXPECT_EQ(f.jobState, downloadJobRunning);
  EXPECT_EQ(f.statusKind, statusBusy);
  EXPECT_DOUBLE_EQ(f.progress, 42.0);
  EXPECT_EQ(buildStatusText(f), L"Downloading  3.2 MiB/s  ·  00:12 left");
  EXPECT_EQ(buildStatusText(f), statusLine(state));
  expectAppRule(f);
  EXPECT_FALSE(f.enabled.contains(ElementId::paste));
  EXPECT_FALSE(f.enabled.contains(formatChipId(0)));
  EXPECT_TRUE(f.enabled.contains(ElementId::download));  // Cancel
  EXPECT_TRUE(f.enabled.contains(ElementId::openFolder));

  const Image image = render(f, "app_download_42");
  const RectF& track = layout.progressTrackRect;
  const float end = track.left + 0.42f * track.width();
  const float mid = (track.top + track.bottom) / 2;
  EXPECT_TRUE(isAccent(image.atDip(end - 3, mid, 1)));
  EXPECT_FALSE(isAccent(image.atDip(end + 3, mid, 1)));
  EXPECT_GT(
      countPixels(image, layout.statusRightRect, 1, [](std::uint32_t c) { return brightness(c) > 500; }),
      20);  // "42 %"
  // Paste is dimmed: no text at full strength.
  EXPECT_EQ(
      countPixels(image, layout.pasteButtonRect, 1, [](std::uint32_t c) { return brightness(c) > 300; }), 0);
}

TEST_F(FrameFromApp, PreviewWithItsThumbnail) {
  PreviewState preview;
  preview.videoId = kVideoId;
  startPreview(state, host, preview, true);
  const std::uint32_t generation = state.previewGeneration.load();
  VideoInfo title{generation, 1, true, L"Big Buck Bunny", L"Blender Foundation"};
  deliver(WM_APP_VIDEO_INFO, 0, 0, Payload::make(title));
  VideoInfo details{generation, 2, true, L"Big Buck Bunny", L"Blender Foundation", 596, 12345678, 720};
  deliver(WM_APP_VIDEO_INFO, 0, 0, Payload::make(details));
  deliverThumbnail(kVideoId);
  ASSERT_TRUE(state.preview.thumb);

  const FrameState f = frame();
  EXPECT_TRUE(f.preview.active);
  EXPECT_FALSE(f.preview.titlePending || f.preview.detailsPending || f.preview.unavailable);
  EXPECT_EQ(f.preview.title, L"Big Buck Bunny");
  EXPECT_EQ(f.preview.channel, L"Blender Foundation");
  EXPECT_EQ(f.preview.height, 720);
  EXPECT_EQ(buildMetaLine(f, f.preview, false), L"\u206612.3M views\u2069  ·  \u2066720p\u2069");
  ASSERT_TRUE(f.preview.thumb.present());
  EXPECT_EQ(f.preview.thumb.width, 320);
  EXPECT_EQ(f.preview.thumb.owner.get(), state.preview.thumb.get());  // the cache follows the picture
  // Qualities above the video's 720 lines are dimmed.
  expectAppRule(f);
  EXPECT_FALSE(f.enabled.contains(qualityChipId(1)));
  EXPECT_TRUE(f.enabled.contains(qualityChipId(5)));

  const Image image = render(f, "app_preview", 1000);
  const RectF& t = layout.thumbnailRect;
  EXPECT_TRUE(isRed(image.atDip(t.left + 30, t.top + 30, 1)));
  EXPECT_TRUE(isBlue(image.atDip(t.right - 30, t.top + 30, 1)));
}

TEST_F(FrameFromApp, SearchHitsWithTheirThumbnails) {
  startSearch(state, host, L"big buck bunny");
  ASSERT_TRUE(state.searching);
  FrameState f = frame();
  EXPECT_TRUE(f.searching);
  EXPECT_FALSE(f.enabled.contains(ElementId::download));
  EXPECT_TRUE(f.results.empty());

  SearchReply reply;
  reply.generation = state.searchGeneration.load();
  reply.exitCode = 0;
  reply.hits = {{kVideoId, L"Big Buck Bunny", L"Blender Foundation", 596, 1050, 0, nullptr},
                {L"eRsGyueVLvQ", L"Sintel", L"", 888, -1, 0, nullptr},
                {L"R6MlUcmOul8", L"Tears of Steel", L"Blender", 734, 12345678, 0, nullptr}};
  deliver(WM_APP_SEARCH_RESULTS, 0, 0, Payload::make(std::move(reply)));
  deliverThumbnail(kVideoId);
  deliverThumbnail(L"R6MlUcmOul8");
  ASSERT_TRUE(state.resultsPopup);

  f = frame();
  EXPECT_FALSE(f.searching);
  ASSERT_EQ(f.results.size(), 3u);
  EXPECT_EQ(f.results[1].title, L"Sintel");
  EXPECT_EQ(f.results[2].durationSeconds, 734);
  EXPECT_EQ(buildMetaLine(f, f.results[0], true),
            L"\u2068Blender Foundation\u2069  ·  \u20661.1K views\u2069");
  EXPECT_EQ(buildMetaLine(f, f.results[1], true), L"");
  EXPECT_TRUE(f.results[0].thumb.present());
  EXPECT_FALSE(f.results[1].thumb.present());
  EXPECT_EQ(f.results[2].thumb.owner.get(), state.results[2].thumb.get());
  expectAppRule(f);

  const float height = 3 * 80 + 12;
  const Image image = renderer.renderResultsPopup(f, 600, height, 1);
  save(image, "app_results");
  for (int row = 0; row < 3; ++row) {
    const float top = static_cast<float>(row) * 80 + 6;
    const bool withPicture = row != 1;  // the middle hit's picture has not arrived: shimmer
    EXPECT_EQ(isRed(image.atDip(30, top + 40, 1)), withPicture) << row;
    EXPECT_EQ(isBlue(image.atDip(115, top + 40, 1)), withPicture) << row;
    EXPECT_GT(countPixels(image, {142, top + 12, 588, top + 36}, 1,
                          [](std::uint32_t c) { return brightness(c) > 500; }),
              20)
        << row;  // the title
  }
}

TEST_F(FrameFromApp, ArabicRowAndItsPictures) {
  state.language = 11;
  setStatus(state, statusNormal, statusText::ready);
  const FrameState f = frame();
  EXPECT_EQ(f.language, 11);
  for (int field = 0; field < languageFieldCount; ++field)
    EXPECT_EQ(f.text[field], languageField(11, field)) << field;
  EXPECT_NE(f.text[fieldDownload], L"Download");
  EXPECT_EQ(buildStatusText(f), statusLine(state));
  EXPECT_EQ(buildHeadline(f).emphasisStart, languageField(11, fieldHeadlineStart).size());

  // The language name and the status text stay at the left of their boxes.
  const Image image = render(f, "app_arabic");
  const auto inked = [](std::uint32_t c) { return brightness(c) > 350; };
  const RectF& b = layout.languageButtonRect;
  const float nameLeft = test::inkSpan(image, {b.left + 40, b.top, b.right - 30, b.bottom}, inked).first;
  ASSERT_GE(nameLeft, 0);
  EXPECT_LT(nameLeft, b.left + 46);
  const RectF& status = layout.statusTextRect;
  const float statusLeft =
      test::inkSpan(image, status, [](std::uint32_t c) { return brightness(c) > 250; }).first;
  ASSERT_GE(statusLeft, 0);
  EXPECT_LT(statusLeft, status.left + 6);

  // The language popup marks the Arabic row as the active one.
  const Image popup = renderer.renderLanguagePopup(f, 1);
  save(popup, "app_language_popup");
  const std::uint32_t active = popup.atDip(356 - 4, 75 + 16, 1);  // row 11: second column, third cell
  const std::uint32_t plain = popup.atDip(180 - 4, 7 + 4, 1);     // row 0
  EXPECT_GT(active & 0xFF, (plain & 0xFF) + 20);
}

}  // namespace
}  // namespace tarnwick
