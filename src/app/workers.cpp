#include "app/workers.h"

#include <utility>

#include "app/localization.h"
#include "base/worker_texts.h"
#include "lookup/tool_locator.h"
#include "lookup/video_preview.h"
#include "lookup/video_search.h"
#include "pipeline/download_job.h"
#include "setup/tools_folder.h"

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

void connectWorkerServices() {
  // The workers' texts are numbered by table field; uiText counts from field 2.
  installWorkerTextLookup([](int field, std::wstring_view argument) { return uiText(field - 2, argument); });
  setToolLocator([](std::wstring_view fileName) { return findTool(fileName); });
}

}  // namespace tarnwick
