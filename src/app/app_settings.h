// The settings as AppState holds them: the eight fields loaded into the state and saved from it.
#pragma once

#include "app/app_state.h"
#include "app/settings.h"

namespace tarnwick {

[[nodiscard]] Settings settingsOf(const AppState& state);
void applySettings(AppState& state, const Settings& settings);

// Loads the settings file into the state (`language` by atomic exchange).
void loadAppSettings(AppState& state);
// Saves the state's eight values; a failed save leaves the choices in effect for the run.
void saveAppSettings(const AppState& state);

}  // namespace tarnwick
