// The start and the end of the window's life, as far as the state is concerned.
#pragma once

#include "app/app_state.h"

namespace tarnwick {

// Right after the window exists: loads the settings, sets the cue text, lays out, tries the
// start-up paste, logs the welcome line and starts the setup-only job. The shell has opened the
// channel before.
void startApp(AppState& state, Host& host);

// The user asked to close the window. While a download runs or waits, the host asks first; then
// every worker is stopped, the job thread joined, the settings saved and the window closed.
void requestClose(AppState& state, Host& host);

// Stops every worker and joins the job thread (the close path, without asking or saving).
void stopAllWork(AppState& state);

}  // namespace tarnwick
