// Shared set-up of the download job tests: the real tools exposed in the sandbox, a media server
// on 127.0.0.1, a save folder and a channel recorder.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "base/job_control.h"
#include "base/process_runner.h"
#include "base/text.h"
#include "channel_recorder.h"
#include "download_command_table.h"
#include "media_tools.h"
#include "message_log.h"
#include "pipeline/download_job.h"
#include "pipeline/format_tables.h"
#include "pipeline/job_files.h"
#include "pipeline/job_record.h"
#include "sandbox.h"

namespace tarnwick::test {

namespace fs = std::filesystem;

// The names directly in `folder`, sorted (none when it does not exist).
inline std::vector<std::string> namesIn(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Records of running jobs: none once every job has ended, however it ended.
inline std::vector<std::string> jobRecordsLeft() {
  return namesIn(jobRecordsFolder());
}

class DownloadJobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Sandbox& sandbox = Sandbox::current();
    for (const char* tool : {"yt-dlp", "ffmpeg", "ffprobe", "deno"})
      ASSERT_FALSE(sandbox.exposeTool(tool).empty()) << tool << " is not installed";
    folder = sandbox.makeFolder("My Videos");
    cancelRequested = false;
  }

  // ffmpeg runs in real time ("-re") when its arguments match the shell pattern `arguments`, so
  // that such a run is surely still going when the test acts.
  static void paceFfmpegRunsMatching(const std::string& arguments) {
    const std::string ffmpeg = Sandbox::realTool("ffmpeg").string();
    // bin/ffmpeg is a symlink to the real program: replace the link, never write through it.
    fs::remove(Sandbox::current().bin() / "ffmpeg");
    Sandbox::current().writeScript("ffmpeg", "#!/bin/sh\ncase \"$*\" in\n  " + arguments + ") exec " +
                                                 ffmpeg + " -re \"$@\" ;;\nesac\nexec " + ffmpeg +
                                                 " \"$@\"\n");
  }
  // The job's own conversions, as a pattern for paceFfmpegRunsMatching.
  static constexpr const char* jobConversionArguments = "*\"-nostdin -y -progress pipe:1 -nostats\"*";

  // Serves `name` (e.g. "clip.mp4") made as `kind`; the file's title and id are its base name.
  std::string serveClip(const std::string& name, MediaKind kind, double seconds = 2.0) {
    fs::path file = Sandbox::current().makeFolder("made") / name;
    std::string bytes = makeMedia(file, kind, seconds);
    EXPECT_FALSE(bytes.empty()) << "ffmpeg could not make " << name;
    std::string type = name.ends_with(".webm")  ? "video/webm"
                       : name.ends_with(".m4a") ? "audio/mp4"
                                                : "video/mp4";
    server.add("/" + name, bytes, type);
    return bytes;
  }

  // A page with one <video> per clip: yt-dlp's generic extractor sees a playlist titled `title`.
  void servePlaylistPage(const std::string& path, const std::string& title,
                         const std::vector<std::string>& clips) {
    std::string html = "<html><head><title>" + title + "</title></head><body>\n";
    for (const std::string& clip : clips) html += "<video src=\"" + clip + "\"></video>\n";
    server.add(path, html + "</body></html>\n", "text/html");
  }

  // A DASH manifest with separate video and audio: yt-dlp downloads both and merges them.
  void serveDashManifest(const std::string& path) {
    serveClip("video.mp4", MediaKind::videoOnlyMp4);
    serveClip("audio.m4a", MediaKind::audioOnlyM4a);
    server.add(path,
               R"(<?xml version="1.0" encoding="UTF-8"?>
<MPD xmlns="urn:mpeg:dash:schema:mpd:2011" type="static" mediaPresentationDuration="PT2S" minBufferTime="PT1S"
     profiles="urn:mpeg:dash:profile:isoff-on-demand:2011">
 <Period>
  <AdaptationSet mimeType="video/mp4" contentType="video">
   <Representation id="v" codecs="avc1.42c00d" width="160" height="120" bandwidth="100000">
    <BaseURL>video.mp4</BaseURL>
   </Representation>
  </AdaptationSet>
  <AdaptationSet mimeType="audio/mp4" contentType="audio">
   <Representation id="a" codecs="mp4a.40.2" bandwidth="64000" audioSamplingRate="44100">
    <BaseURL>audio.m4a</BaseURL>
   </Representation>
  </AdaptationSet>
 </Period>
</MPD>
)",
               "application/dash+xml");
  }

  DownloadRequest videoRequest(const std::string& path, int videoFormat, int quality = 0) {
    DownloadRequest request;
    request.kind = 1;
    request.url = server.url(path);
    request.folder = fromPath(folder);
    request.videoFormat = videoFormat;
    request.quality = quality;
    return request;
  }

  DownloadRequest audioRequest(const std::string& path, int audioFormat, int bitrate = 2) {
    DownloadRequest request = videoRequest(path, 0);
    request.audioMode = true;
    request.audioFormat = audioFormat;
    request.bitrate = bitrate;
    return request;
  }

  // Runs the job on this thread; answers its outcome (-1 when no JOB_DONE came, or not last).
  int runJob(DownloadRequest request) {
    downloadJobMain(std::move(request));
    return outcome();
  }

  int outcome() {
    std::vector<Posted> all = snapshot(recorder);
    int done = 0;
    for (const Posted& m : all) done += m.id == WM_APP_JOB_DONE;
    if (done != 1 || all.back().id != WM_APP_JOB_DONE || all.back().lParam != 1) return -1;
    return static_cast<int>(all.back().wParam);
  }

  // Every file below the save folder, relative to it, sorted.
  std::vector<std::string> savedFiles() const {
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
      if (!entry.is_directory()) files.push_back(fs::relative(entry.path(), folder).string());
    std::sort(files.begin(), files.end());
    return files;
  }

  std::vector<std::wstring> texts(std::uint32_t id) { return recorder.texts(id); }

  std::string logText() {
    std::string all;
    for (const std::wstring& line : texts(WM_APP_LOG)) all += wideToUtf8(line) + "\n";
    return all;
  }

  // Statuses equal to `status`: one per ffmpeg run of the conversion step.
  std::size_t statusCount(const std::wstring& status) {
    std::vector<std::wstring> all = texts(WM_APP_STATUS);
    return static_cast<std::size_t>(std::count(all.begin(), all.end(), status));
  }

  std::vector<std::string> leftoverProcesses() {
    return processesMentioning(Sandbox::current().root().string(), std::chrono::seconds(1));
  }

  ChannelRecorder recorder;
  MediaServer server;
  fs::path folder;
};

}  // namespace tarnwick::test
