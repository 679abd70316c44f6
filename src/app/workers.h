// The real worker entry points: the download job, the preview lookups and the search.
#pragma once

#include "app/app_state.h"

namespace tarnwick {

[[nodiscard]] WorkerEntries realWorkers();

// Connects the workers to what only the app layer knows: the language table for their status
// texts and the tool lookup for the preview and search workers. Called once at start-up, before
// any worker runs.
void connectWorkerServices();

}  // namespace tarnwick
