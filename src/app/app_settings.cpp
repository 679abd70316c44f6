#include "app/app_settings.h"

namespace tarnwick {

Settings settingsOf(const AppState& state) {
  Settings s;
  s.folder = state.folder;
  s.language = state.language.load();
  s.audioMode = state.audioMode;
  s.videoFormat = state.videoFormat;
  s.quality = state.quality;
  s.audioFormat = state.audioFormat;
  s.bitrate = state.bitrate;
  s.wholePlaylist = state.wholePlaylist;
  return s;
}

void applySettings(AppState& state, const Settings& s) {
  state.folder = s.folder;
  state.language.exchange(s.language);
  state.audioMode = s.audioMode;
  state.videoFormat = s.videoFormat;
  state.quality = s.quality;
  state.audioFormat = s.audioFormat;
  state.bitrate = s.bitrate;
  state.wholePlaylist = s.wholePlaylist;
}

void loadAppSettings(AppState& state) {
  applySettings(state, loadSettings());
}

void saveAppSettings(const AppState& state) {
  (void)saveSettings(settingsOf(state));
}

}  // namespace tarnwick
