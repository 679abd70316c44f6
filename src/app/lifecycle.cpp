#include "app/lifecycle.h"

#include "app/actions.h"
#include "app/app_settings.h"
#include "app/host.h"
#include "app/link_box.h"
#include "app/localization.h"
#include "app/status_texts.h"
#include "app/window_input.h"
#include "app/workers.h"
#include "base/process_runner.h"
#include "pipeline/format_tables.h"

namespace tarnwick {
namespace {

void closeNow(AppState& state, Host& host) {
  stopAllWork(state);
  saveAppSettings(state);
  host.closeWindow();
}

}  // namespace

void startApp(AppState& state, Host& host) {
  connectWorkerServices();
  loadAppSettings(state);
  host.setLinkCueText(std::wstring(uiField(fieldLinkCue)));
  host.relayout();
  pasteAtStartup(state, host);
  state.log.appendLogLine(std::wstring(uiField(fieldWelcome)));
  startJob(state, host, DownloadRequest{});  // kind 0: install what is missing, update yt-dlp
}

void stopAllWork(AppState& state) {
  // Late replies of the stopped workers are stale from here on.
  ++state.searchGeneration;
  ++state.previewGeneration;
  terminateJobSlot(searchProcessJob);
  terminateJobSlot(previewProcessJob);
  cancelDownloadJob();
  if (state.jobThread.joinable()) state.jobThread.join();
}

void requestClose(AppState& state, Host& host) {
  if (state.jobState != downloadJobRunning && !state.pendingRequest) {
    closeNow(state, host);
    return;
  }
  if (state.quitQuestionOpen) return;  // asked already
  state.quitQuestionOpen = true;
  host.askYesNo(std::wstring(uiField(fieldQuitQuestion)), [&state, &host](bool yes) {
    state.quitQuestionOpen = false;
    if (yes) {
      closeNow(state, host);
    } else {
      // The title bar's close button took the focus with the click that asked.
      returnKeyboardFocus(state, host);
    }
  });
}

}  // namespace tarnwick
