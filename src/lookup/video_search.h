// Search: yt-dlp lists the first 15 hits of the video site's own search, the whole list goes to
// the UI thread in one reply, then the hits' thumbnails are fetched one after another.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "lookup/thumb.h"

namespace tarnwick {

// One hit. The first seven fields match the UI's PreviewState so a chosen hit can start a
// preview unchanged.
struct SearchResult {
  std::wstring videoId;
  std::wstring title;
  std::wstring channel;  // empty when yt-dlp printed NA or null
  double durationSeconds = -1;
  std::int64_t viewCount = -1;
  std::int32_t height = 0;       // a search never learns it
  std::shared_ptr<Thumb> thumb;  // attached by the UI thread when the thumbnail arrives
};

// Payload of WM_APP_SEARCH_RESULTS.
struct SearchReply {
  std::uint32_t generation = 0;
  std::int32_t exitCode = -1;  // yt-dlp's exit code; -1 when it was not found and never ran
  std::vector<SearchResult> hits;
};

inline constexpr int searchHitCount = 15;

// Thread entry (run detached by the UI side) with the trimmed query and the search generation it
// was started with. Posts exactly one WM_APP_SEARCH_RESULTS, then one WM_APP_THUMBNAIL per hit
// whose picture could be fetched, stopping as soon as the search generation changes. yt-dlp runs
// through searchProcessJob.
void searchWorker(std::wstring query, std::uint32_t generation);

// Line callback of the search run: a line id|duration|views|"title"|"channel" with an
// 11-character id becomes a hit in `reply`; every other line is posted to the log unchanged.
void handleSearchLine(const std::wstring& line, SearchReply& reply);

}  // namespace tarnwick
