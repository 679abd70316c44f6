#include "lookup/video_search.h"

#include "base/channel.h"
#include "base/command_line.h"
#include "base/job_control.h"
#include "base/process_runner.h"
#include "lookup/link_recognition.h"
#include "lookup/printed_line.h"
#include "lookup/tool_locator.h"
#include "lookup/video_preview.h"

namespace tarnwick {
namespace {

std::wstring searchCommand(const std::wstring& ytDlp, const std::wstring& query) {
  std::wstring command = quoteArgument(ytDlp);
  command += L" --flat-playlist --no-warnings --no-colors --encoding utf-8 --print ";
  command += quoteArgument(L"%(id)s|%(duration)s|%(view_count)s|%(title)j|%(channel,uploader)j");
  command += L' ';
  // The query follows the prefix inside one argument, so a leading "-" is never taken as a switch.
  command += quoteArgument(L"ytsearch" + std::to_wstring(searchHitCount) + L":" + query);
  return command;
}

}  // namespace

void searchWorker(std::wstring query, std::uint32_t generation) {
  SearchReply reply;
  reply.generation = generation;
  std::wstring ytDlp = locateTool(ytDlpFileName);
  if (!ytDlp.empty()) {
    reply.exitCode = runProcess(
        searchCommand(ytDlp, query), [&reply](const std::wstring& line) { handleSearchLine(line, reply); },
        searchProcessJob, false);
  }
  std::vector<std::wstring> ids;
  ids.reserve(reply.hits.size());
  for (const SearchResult& hit : reply.hits) ids.push_back(hit.videoId);
  postMessage(WM_APP_SEARCH_RESULTS, 0, 0, Payload::make(std::move(reply)));
  for (const std::wstring& id : ids) {
    if (generation != searchGeneration.load()) break;
    fetchThumbnail(id);
  }
}

void handleSearchLine(const std::wstring& line, SearchReply& reply) {
  SearchResult hit;
  std::vector<std::wstring> fields;
  if (splitPrintedLine(line, 3, fields, hit.title, hit.channel) && fields[0].size() == videoIdLength) {
    hit.videoId = std::move(fields[0]);
    hit.durationSeconds = parseNumber(fields[1]);
    hit.viewCount = truncateToInt64(parseNumber(fields[2]));
    reply.hits.push_back(std::move(hit));
    return;
  }
  postText(WM_APP_LOG, line);
}

}  // namespace tarnwick
