#include "base/job_control.h"

namespace tarnwick {

std::atomic<bool> cancelRequested{false};
std::mutex processLock;
ProcessSlot downloadProcessJob;
ProcessSlot searchProcessJob;
ProcessSlot previewProcessJob;
std::atomic<std::int32_t> language{0};
std::atomic<std::uint32_t> previewGeneration{0};
std::atomic<std::uint32_t> searchGeneration{0};

}  // namespace tarnwick
