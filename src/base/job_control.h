// Process-wide job control shared by the UI thread and the workers.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

namespace tarnwick {

// A child-process slot: the handle of the running child's process group (on POSIX its pgid, on
// Windows its job object), or noProcessGroup. Read and written only under processLock.
using ProcessGroupHandle = std::intptr_t;
inline constexpr ProcessGroupHandle noProcessGroup = 0;

struct ProcessSlot {
  ProcessGroupHandle group = noProcessGroup;
};

// Set by the UI thread on Cancel and at quit; cleared (exchange) when a job starts.
extern std::atomic<bool> cancelRequested;

// Guards the three slots; held only to store, clear or terminate a slot, never around a callback.
extern std::mutex processLock;
extern ProcessSlot downloadProcessJob;  // the running job's child (yt-dlp, ffmpeg, self-update)
extern ProcessSlot searchProcessJob;    // the search worker's yt-dlp
extern ProcessSlot previewProcessJob;   // the preview worker's yt-dlp

// Row of the language table in use (0..16); workers read it to pick their texts.
extern std::atomic<std::int32_t> language;

// Bumped by the UI thread; workers stamp their replies with the value they started with.
extern std::atomic<std::uint32_t> previewGeneration;
extern std::atomic<std::uint32_t> searchGeneration;

}  // namespace tarnwick
