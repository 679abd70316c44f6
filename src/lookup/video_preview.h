// The preview of a pasted video link: one short-lived worker per preview runs three lookups
// (oEmbed title, thumbnail, yt-dlp details) and posts each reply as soon as it has it, always in
// the order title reply, thumbnail, detail reply. Replies carry the preview generation the worker
// was started with, so the UI thread can drop those of a preview it has already replaced.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "lookup/thumb.h"

namespace tarnwick {

// Payload of WM_APP_VIDEO_INFO.
struct VideoInfo {
  std::uint32_t generation = 0;
  std::uint32_t source = 1;  // 1 = oEmbed (title) lookup, 2 = yt-dlp (detail) lookup
  bool ok = false;
  std::wstring title;
  std::wstring channel;
  double durationSeconds = -1;  // detail lookup only
  std::int64_t viewCount = -1;  // detail lookup only
  std::int32_t height = 0;      // detail lookup only; -1 when yt-dlp did not know it
};

// Payload of WM_APP_THUMBNAIL: the picture, decoded on the worker; null when it could not be
// fetched or decoded, so that the UI stops waiting for it.
struct ThumbnailData {
  std::wstring videoId;
  std::shared_ptr<Thumb> thumb;
};

// Thread entry (run detached by the UI side). With `fetchTitle` it asks the oEmbed endpoint and
// then, unless the preview was replaced meanwhile, fetches the thumbnail. With `fetchDetails`
// (false while the setup job runs) and a still current preview it runs yt-dlp in metadata mode
// through previewProcessJob, which the UI thread kills when the preview is replaced.
void previewWorker(std::wstring videoId, std::uint32_t generation, bool fetchTitle, bool fetchDetails);

// Line callback of the detail run: a line of the shape duration|views|height|"title"|"channel"
// fills `info` (the last such line wins); any other line is ignored.
void handlePreviewLine(const std::wstring& line, VideoInfo& info);

// Downloads and decodes the thumbnail of `videoId` and posts it with WM_APP_THUMBNAIL, without a
// picture when the download or the decoding failed; nothing is logged. Runs on the calling
// worker thread, so the UI thread never decodes. True when posted.
bool fetchThumbnail(const std::wstring& videoId);

}  // namespace tarnwick
