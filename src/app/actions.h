// The actions that start and stop work: Download, Cancel, and the start of a job, a preview or a
// search. UI thread only; every function acts on the one AppState and reaches the window through
// the host.
#pragma once

#include <memory>
#include <string>

#include "app/app_state.h"

namespace tarnwick {

// The Download button, Enter, and the window's default action. Starts a search instead when the
// link box holds words rather than a link; queues the download behind a running setup.
void startDownload(AppState& state, Host& host);

// Builds the request from the link box and the settings, creating the save folder. Null when the
// link box is empty or the folder cannot be made (the status line then says why).
[[nodiscard]] std::unique_ptr<DownloadRequest> buildDownloadRequest(AppState& state, Host& host);

// The Cancel button and Esc: drops a download queued behind setup, else cancels a running
// download. A running setup-only job cannot be cancelled from the window.
void cancelOrDropPending(AppState& state, Host& host);

// Starts the job thread (setup-only for kind 0, a download for kind 1).
void startJob(AppState& state, Host& host, DownloadRequest request);

// Starts a preview of `preview.videoId`, taking over the known fields of `preview`. The title is
// looked up only with fetchTitle; the details only while no setup runs.
void startPreview(AppState& state, Host& host, PreviewState preview, bool fetchTitle);
// Drops the preview card (when one is shown) and stops its lookups.
void clearPreview(AppState& state, Host& host);

// Starts a search for `query` (already trimmed); queued while setup runs.
void startSearch(AppState& state, Host& host, const std::wstring& query);

// Sets the status line (kind, text id, detail).
void setStatus(AppState& state, std::int32_t kind, std::int32_t id, std::wstring detail = {});

// The folder a download goes to when none is set, and what "Open" shows then.
[[nodiscard]] std::wstring effectiveFolder(const AppState& state);

}  // namespace tarnwick
