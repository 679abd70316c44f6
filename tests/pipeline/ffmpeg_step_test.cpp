#include "pipeline/ffmpeg_step.h"

#include <gtest/gtest.h>

#include "base/job_control.h"
#include "base/text.h"
#include "channel_recorder.h"
#include "media_tools.h"
#include "pipeline/format_tables.h"
#include "sandbox.h"

namespace tarnwick {
namespace {

using test::ChannelRecorder;

TEST(FfmpegLine, DurationThenOutTimeGivesPercentOfTheInput) {
  ChannelRecorder recorder;
  double duration = 0;
  handleFfmpegLine(L"out_time_us=500000", duration);  // no duration yet: nothing
  EXPECT_TRUE(recorder.messages().empty());
  handleFfmpegLine(L"  Duration: 00:01:02.50, start: 0.000000, bitrate: 95 kb/s", duration);
  EXPECT_DOUBLE_EQ(duration, 62.5);
  handleFfmpegLine(L"out_time_us=31250000", duration);
  handleFfmpegLine(L"out_time_ms=62500000", duration);
  auto& posted = recorder.messages();
  ASSERT_EQ(posted.size(), 2u);
  EXPECT_EQ(posted[0].wParam, 500u);
  EXPECT_EQ(posted[1].wParam, 1000u);
}

TEST(FfmpegLine, DurationNotAvailableKeepsTheBarIndeterminate) {
  ChannelRecorder recorder;
  double duration = 0;
  handleFfmpegLine(L"  Duration: N/A, bitrate: N/A", duration);
  EXPECT_EQ(duration, 0);
  handleFfmpegLine(L"out_time_us=1000000", duration);
  EXPECT_TRUE(recorder.messages().empty());
  handleFfmpegLine(L"  Duration: 1:00:00.00, start", duration);
  EXPECT_EQ(duration, 3600);
}

TEST(FfmpegLine, OnlyErrorLinesAreLogged) {
  ChannelRecorder recorder;
  double duration = 0;
  handleFfmpegLine(L"frame=12", duration);
  handleFfmpegLine(L"progress=end", duration);
  handleFfmpegLine(L"[webm @ 0x1] Only VP8 or VP9 video are supported. Error initializing", duration);
  handleFfmpegLine(L"Conversion failed: error while writing", duration);
  handleFfmpegLine(L"rror", duration);
  auto logged = recorder.texts(WM_APP_LOG);
  ASSERT_EQ(logged.size(), 3u);
  EXPECT_EQ(logged[1], L"Conversion failed: error while writing");
}

TEST(FfmpegCommand, ReplacesEveryBitratePlaceholder) {
  FfmpegConversion c;
  c.ffmpegPath = L"/t/ffmpeg";
  c.source = L"/m/a b.ctmp.webm";
  c.target = L"/m/a b.wma";
  c.map = L"-map 0:a:0";
  c.bitrate = 192;
  EXPECT_EQ(
      ffmpegCommand(c, *audioFormatTable[7].ffmpegArgs),
      L"\"/t/ffmpeg\" -hide_banner -nostdin -y -progress pipe:1 -nostats -i \"/m/a b.ctmp.webm\" -map 0:a:0 "
      L"-map_metadata 0 -vn -c:a wmav2 -b:a 192k -ac 2 \"/m/a b.ctmp.conv.wma\"");
  EXPECT_NE(ffmpegCommand(c, L"-b:a {br} -maxrate {br}").find(L" -b:a 192k -maxrate 192k "),
            std::wstring::npos);
}

class Conversion : public ::testing::Test {
 protected:
  void SetUp() override {
    ffmpeg = test::Sandbox::current().exposeTool("ffmpeg");
    ASSERT_FALSE(ffmpeg.empty());
    folder = test::Sandbox::current().makeFolder("media");
    cancelRequested = false;
  }
  FfmpegConversion conversionOf(test::MediaKind kind, const std::wstring& sourceName,
                                const VideoFormat& row) {
    FfmpegConversion c;
    c.ffmpegPath = fromPath(ffmpeg);
    c.source = fromPath(folder / toPath(sourceName));
    EXPECT_FALSE(test::makeMedia(toPath(c.source), kind).empty());
    c.target = fromPath(folder / toPath(L"clip." + row.extension));
    c.label = row.label;
    c.map = L"-map 0:v:0 -map 0:a:0?";
    c.firstArgs = row.remuxArgs;
    c.secondArgs = row.transcodeArgs;
    return c;
  }
  std::size_t runsPosted(ChannelRecorder& recorder, const std::wstring& status) {
    std::size_t runs = 0;
    for (const std::wstring& text : recorder.texts(WM_APP_STATUS)) runs += text == status;
    return runs;
  }

  std::filesystem::path ffmpeg;
  std::filesystem::path folder;
};

TEST_F(Conversion, FailedCopyFallsBackToTheTranscodeWithoutAStub) {
  ChannelRecorder recorder;
  FfmpegConversion c = conversionOf(test::MediaKind::webmVp9Opus, L"clip.ctmp.webm", videoFormatTable[5]);
  c.index = 1;
  c.count = 3;
  ASSERT_TRUE(convertWithFfmpeg(c));
  EXPECT_EQ(recorder.texts(WM_APP_LOG).front(), L"[ffmpeg] Converting to FLV \u2026  (2/3)");
  EXPECT_EQ(runsPosted(recorder, L"Converting to FLV \u2026  (2/3)"), 2u);
  EXPECT_FALSE(std::filesystem::exists(toPath(c.source)));
  auto probe = test::probeMedia(toPath(c.target));
  ASSERT_TRUE(probe);
  EXPECT_EQ(probe->formatName, "flv");
  EXPECT_EQ(probe->videoCodecs, std::vector<std::string>{"h264"});
  EXPECT_EQ(probe->audioCodecs, std::vector<std::string>{"aac"});
}

TEST_F(Conversion, BothRunsFailingKeepsTheSourceAndLogsIt) {
  ChannelRecorder recorder;
  VideoFormat broken = videoFormatTable[2];
  broken.transcodeArgs = L"-c:v no-such-encoder";
  FfmpegConversion c = conversionOf(test::MediaKind::mp4H264Aac, L"clip.ctmp.mp4", broken);
  EXPECT_FALSE(convertWithFfmpeg(c));
  EXPECT_TRUE(std::filesystem::exists(toPath(c.source)));
  EXPECT_FALSE(std::filesystem::exists(toPath(c.target)));
  EXPECT_FALSE(std::filesystem::exists(toPath(conversionOutputFor(c.target))));  // nor the failed copy's stub
  auto log = recorder.texts(WM_APP_LOG);
  EXPECT_EQ(log.back(), L"Error: conversion to WebM failed: " + c.source);
  EXPECT_EQ(runsPosted(recorder, L"Converting to WebM \u2026"), 2u);
}

TEST_F(Conversion, CancelBeforeTheRunDeletesTheSourceSilentlyAndKeepsAnExistingTarget) {
  ChannelRecorder recorder;
  FfmpegConversion c = conversionOf(test::MediaKind::mp4H264Aac, L"clip.ctmp.mp4", videoFormatTable[4]);
  test::writeFile(toPath(c.target), "old");
  cancelRequested = true;
  EXPECT_FALSE(convertWithFfmpeg(c));
  EXPECT_FALSE(std::filesystem::exists(toPath(c.source)));
  EXPECT_EQ(test::readFile(toPath(c.target)), "old");
  for (const std::wstring& line : recorder.texts(WM_APP_LOG))
    EXPECT_EQ(line.find(L"Error"), std::wstring::npos);
  EXPECT_EQ(runsPosted(recorder, L"Converting to AVI \u2026"), 0u);
}

}  // namespace
}  // namespace tarnwick
