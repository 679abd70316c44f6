#include "lookup/video_preview.h"

#include <vector>

#include "base/channel.h"
#include "base/command_line.h"
#include "base/job_control.h"
#include "base/process_runner.h"
#include "base/text.h"
#include "lookup/http_get.h"
#include "lookup/json_reading.h"
#include "lookup/lookup_addresses.h"
#include "lookup/printed_line.h"
#include "lookup/tool_locator.h"

namespace tarnwick {
namespace {

bool stillCurrent(std::uint32_t generation) {
  return generation == previewGeneration.load();
}

VideoInfo lookUpTitle(const std::wstring& videoId, std::uint32_t generation) {
  VideoInfo info;
  info.generation = generation;
  info.source = 1;
  std::string body;
  if (httpGet(oembedUrl(videoId), body)) {
    std::wstring json = utf8ToWide(body);
    info.ok = jsonGetString(json, L"title", info.title);
    (void)jsonGetString(json, L"author_name", info.channel);  // a missing author is no failure
  }
  return info;
}

std::wstring detailCommand(const std::wstring& ytDlp, const std::wstring& deno, const std::wstring& watch) {
  std::wstring command = quoteArgument(ytDlp);
  command += L" --skip-download --no-playlist --no-warnings --no-colors --encoding utf-8";
  if (!deno.empty()) command += L" --js-runtimes " + quoteArgument(L"deno:" + deno);
  command +=
      L" --print " + quoteArgument(L"%(duration)s|%(view_count)s|%(height)s|%(title)j|%(channel,uploader)j");
  command += L" -- " + quoteArgument(watch);
  return command;
}

VideoInfo lookUpDetails(const std::wstring& videoId, std::uint32_t generation) {
  VideoInfo info;
  info.generation = generation;
  info.source = 2;
  std::wstring ytDlp = locateTool(ytDlpFileName);
  if (ytDlp.empty()) return info;
  std::wstring deno = locateTool(denoFileName);
  // The exit code says nothing the printed line does not: a private or removed video simply
  // prints no line of the expected shape.
  (void)runProcess(
      detailCommand(ytDlp, deno, watchUrl(videoId)),
      [&info](const std::wstring& line) { handlePreviewLine(line, info); }, previewProcessJob, false);
  return info;
}

}  // namespace

void previewWorker(std::wstring videoId, std::uint32_t generation, bool fetchTitle, bool fetchDetails) {
  if (fetchTitle) {
    postMessage(WM_APP_VIDEO_INFO, 0, 0, Payload::make(lookUpTitle(videoId, generation)));
    if (stillCurrent(generation)) fetchThumbnail(videoId);
  }
  if (fetchDetails && stillCurrent(generation))
    postMessage(WM_APP_VIDEO_INFO, 0, 0, Payload::make(lookUpDetails(videoId, generation)));
}

void handlePreviewLine(const std::wstring& line, VideoInfo& info) {
  // Split into temporaries: a foreign line must not overwrite what a good line delivered.
  std::vector<std::wstring> fields;
  std::wstring title, channel;
  if (!splitPrintedLine(line, 3, fields, title, channel)) return;
  info.ok = true;
  info.title = std::move(title);
  info.channel = std::move(channel);
  info.durationSeconds = parseNumber(fields[0]);
  info.viewCount = truncateToInt64(parseNumber(fields[1]));
  info.height = truncateToInt32(parseNumber(fields[2]));
}

bool fetchThumbnail(const std::wstring& videoId) {
  ThumbnailData data{videoId, nullptr};
  std::string bytes;
  if (httpGet(thumbnailUrl(videoId), bytes)) data.thumb = decodeThumbnail(bytes);
  return postMessage(WM_APP_THUMBNAIL, 0, 0, Payload::make(std::move(data)));
}

}  // namespace tarnwick
