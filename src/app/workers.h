// The real worker entry points: the download job, the preview lookups and the search.
#pragma once

#include "app/app_state.h"

namespace tarnwick {

[[nodiscard]] WorkerEntries realWorkers();

}  // namespace tarnwick
