// What the UI thread does with each of the eight worker messages.
#pragma once

#include <cstdint>

#include "app/app_state.h"
#include "base/channel.h"

namespace tarnwick {

// Applies one posted message to the state; frees its payload (also when stale).
void handleMessage(AppState& state, Host& host, Message& message);

// Takes every queued message and handles them in order. The shell calls this on the UI thread
// from the channel's wake-up (scheduled there, never run on the posting thread).
void drainMessages(AppState& state, Host& host);

// The end of a job (also used when a job thread could not be started). kind 0 = setup-only job.
void handleJobDone(AppState& state, Host& host, int outcome, std::int32_t kind);

}  // namespace tarnwick
