#include "app/workers.h"

#include <utility>

#include "lookup/video_preview.h"
#include "lookup/video_search.h"
#include "pipeline/download_job.h"

namespace tarnwick {

WorkerEntries realWorkers() {
  WorkerEntries entries;
  entries.job = [](DownloadRequest request) { downloadJobMain(std::move(request)); };
  entries.preview = [](std::wstring videoId, std::uint32_t generation, bool fetchTitle, bool fetchDetails) {
    previewWorker(std::move(videoId), generation, fetchTitle, fetchDetails);
  };
  entries.search = [](std::wstring query, std::uint32_t generation) {
    searchWorker(std::move(query), generation);
  };
  return entries;
}

}  // namespace tarnwick
