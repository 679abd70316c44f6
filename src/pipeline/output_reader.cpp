#include "pipeline/output_reader.h"

#include <string_view>

#include "base/channel.h"
#include "base/text.h"
#include "base/worker_texts.h"
#include "lookup/json_reading.h"

namespace tarnwick {
namespace {

constexpr std::wstring_view destinationPrefix = L"[download] Destination: ";
constexpr std::wstring_view statusSeparator = L"  \u00b7  ";

// yt-dlp fills a field it cannot compute with "NA", or with "Unknown" inside its own text.
bool isKnown(const std::wstring& field) {
  return !field.empty() && field != L"NA" && field.find(L"Unknown") == std::wstring::npos;
}

// "[P]percent|speed|eta" from the progress template; anything shorter is a cut line.
void handleProgressLine(std::wstring_view rest) {
  std::vector<std::wstring> fields;
  for (;;) {
    std::size_t bar = rest.find(L'|');
    fields.push_back(trimText(rest.substr(0, bar)));
    if (bar == std::wstring_view::npos) break;
    rest.remove_prefix(bar + 1);
  }
  if (fields.size() < 3) return;
  // "N/A" reads as no number: the bar goes to 0 rather than indeterminate.
  postProgress(parseDouble(fields[0]).value_or(0.0));
  std::wstring status = workerText(WorkerText::downloading);
  if (isKnown(fields[1])) {
    status += statusSeparator;
    status += fields[1];
  }
  if (isKnown(fields[2])) {
    status += statusSeparator;
    status += workerText(WorkerText::timeLeft, fields[2]);
  }
  postText(WM_APP_STATUS, std::move(status));
}

// The path of an "[F]" line is a JSON string, so that no character of it can end the line early.
bool readFinishedPath(std::wstring_view rest, std::wstring& path) {
  std::size_t at = 0;
  return jsonReadString(trimText(rest), at, path) && !path.empty();
}

}  // namespace

void handleDownloadLine(const std::wstring& line, std::vector<std::wstring>& finishedPaths,
                        std::vector<std::wstring>& destinationPaths, const std::wstring& label) {
  std::wstring_view view = line;
  if (startsWith(view, destinationPrefix))
    destinationPaths.push_back(trimText(view.substr(destinationPrefix.size())));
  if (startsWith(view, L"[P]")) {
    handleProgressLine(view.substr(3));
    return;
  }
  std::wstring path;
  if (startsWith(view, L"[F]") && readFinishedPath(view.substr(3), path)) {
    finishedPaths.push_back(path);
    postText(WM_APP_OUTPUT_PATH, std::move(path));
    return;
  }
  postText(WM_APP_LOG, line);
  if (startsWith(view, L"[Merger]")) {
    postProgress(-1);
    postText(WM_APP_STATUS, workerText(WorkerText::merging));
  } else if (startsWith(view, L"[ExtractAudio]")) {
    postProgress(-1);
    postText(WM_APP_STATUS, workerText(WorkerText::convertingTo, label));
  } else if (startsWith(view, L"[download] Destination:")) {
    // A new file starts; the bar stays indeterminate until its first progress line.
    postProgress(-1);
  } else if (startsWith(view, L"[youtube")) {
    postText(WM_APP_STATUS, workerText(WorkerText::analyzingVideo));
  }
}

}  // namespace tarnwick
