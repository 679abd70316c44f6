#include "pipeline/download_job.h"

#include <filesystem>
#include <system_error>

#include "base/channel.h"
#include "base/job_control.h"
#include "base/process_runner.h"
#include "base/text.h"
#include "pipeline/download_command.h"
#include "pipeline/ffmpeg_step.h"
#include "pipeline/job_files.h"
#include "base/worker_texts.h"
#include "pipeline/output_reader.h"
#include "setup/setup_sequence.h"
#include "setup/tools_folder.h"

namespace tarnwick {
namespace {

constexpr std::wstring_view ytDlpName = L"yt-dlp";
constexpr std::wstring_view ffmpegName = L"ffmpeg";
constexpr std::wstring_view denoName = L"deno";
constexpr std::wstring_view tempMarker = L".ctmp";

constexpr int outcomeSuccess = 0;
constexpr int outcomeFailure = 1;
constexpr int outcomeCancelled = 2;

int unlessCancelled(int outcome) {
  return cancelRequested.load() ? outcomeCancelled : outcome;
}

struct NameParts {
  std::wstring stem;
  std::wstring extension;  // without the dot; empty when there is none
};

// The extension starts at the last "." that is not the name's first character.
NameParts splitName(std::wstring_view name) {
  std::size_t dot = name.rfind(L'.');
  if (dot == std::wstring_view::npos || dot == 0 || name == L"..") return {std::wstring(name), {}};
  return {std::wstring(name.substr(0, dot)), std::wstring(name.substr(dot + 1))};
}

struct JobTools {
  std::wstring ytdlp;
  std::wstring ffmpeg;
  std::wstring deno;
};

// Gives one finished file its final name: converts it when the chosen row needs ffmpeg, else moves it.
bool finishFile(const DownloadRequest& request, const JobTools& tools, const std::wstring& source,
                const std::wstring& target, std::size_t index, std::size_t count) {
  FfmpegConversion conversion;
  conversion.ffmpegPath = tools.ffmpeg;
  conversion.source = source;
  conversion.target = target;
  conversion.index = index;
  conversion.count = count;
  if (request.audioMode) {
    const AudioFormat& row = audioFormatTable[request.audioFormat];
    conversion.label = row.label;
    if (row.ffmpegArgs) {
      conversion.map = L"-map 0:a:0";
      conversion.secondArgs = row.ffmpegArgs;
      conversion.bitrate = bitrateTable[request.bitrate];
      return convertWithFfmpeg(conversion);
    }
  } else {
    const VideoFormat& row = videoFormatTable[request.videoFormat];
    conversion.label = row.label;
    conversion.map = L"-map 0:v:0 -map 0:a:0?";
    if (row.remuxArgs || row.transcodeArgs) {
      conversion.firstArgs = row.remuxArgs;
      conversion.secondArgs = row.transcodeArgs;
      return convertWithFfmpeg(conversion);
    }
    // MP4 and MKV expect yt-dlp's merged file. A site's single combined format is not merged and
    // keeps its own container; renaming it would put, say, WebM data under ".mp4".
    if (asciiLower(splitName(fileNameOf(source)).extension) != row.extension) {
      conversion.firstArgs = L"-c copy";
      return convertWithFfmpeg(conversion);
    }
  }
  if (moveFileReplacing(source, target)) return true;
  postText(WM_APP_LOG, L"Error: could not rename " + source);
  return false;
}

void runDownload(const DownloadRequest& request, const JobTools& tools) {
  postProgress(-1);
  postText(WM_APP_STATUS, workerText(WorkerText::analyzingVideo));
  const std::wstring label = request.audioMode ? audioFormatTable[request.audioFormat].label
                                               : videoFormatTable[request.videoFormat].label;
  const std::wstring extension = request.audioMode ? audioFormatTable[request.audioFormat].extension
                                                   : videoFormatTable[request.videoFormat].extension;
  std::vector<std::wstring> finishedPaths;
  std::vector<std::wstring> destinationPaths;
  int exitCode = runProcess(
      buildDownloadCommand(request, tools.ytdlp, tools.ffmpeg, tools.deno),
      [&](const std::wstring& line) { handleDownloadLine(line, finishedPaths, destinationPaths, label); },
      downloadProcessJob, true);

  if (cancelRequested.load()) {
    removePartialFiles(destinationPaths);
    for (const std::wstring& path : finishedPaths) removeFileQuietly(path);
    postJobDone(outcomeCancelled, request.kind);
    return;
  }
  // yt-dlp has already logged why.
  if (exitCode != 0 && finishedPaths.empty()) {
    postJobDone(unlessCancelled(outcomeFailure), request.kind);
    return;
  }
  // A playlist with some failed entries still delivers the others, but the job has failed.
  bool allOk = exitCode == 0;
  for (std::size_t i = 0; i < finishedPaths.size(); ++i) {
    if (cancelRequested.load()) break;
    std::wstring target = finalPathFor(finishedPaths[i], extension);
    bool ok = finishFile(request, tools, finishedPaths[i], target, i, finishedPaths.size());
    if (ok) postText(WM_APP_OUTPUT_PATH, target);
    allOk = allOk && ok;
  }
  if (!cancelRequested.load()) {
    postJobDone(unlessCancelled(allOk ? outcomeSuccess : outcomeFailure), request.kind);
    return;
  }
  // Files already converted or moved are gone from their ".ctmp" names; only unprocessed ones go.
  for (const std::wstring& path : finishedPaths)
    if (path.find(tempMarker) != std::wstring::npos) removeFileQuietly(path);
  postJobDone(outcomeCancelled, request.kind);
}

}  // namespace

bool componentsMissing() {
  return findTool(ytDlpName).empty() || findTool(ffmpegName).empty() || findTool(denoName).empty();
}

std::wstring finalPathFor(std::wstring_view source, std::wstring_view extension) {
  std::wstring stem = splitName(fileNameOf(source)).stem;
  if (stem.size() > tempMarker.size() &&
      asciiLower(stem.substr(stem.size() - tempMarker.size())) == tempMarker)
    stem.resize(stem.size() - tempMarker.size());
  std::wstring name = stem + L"." + std::wstring(extension);
  std::wstring folder = folderPartOf(source);
  return folder.empty() ? name : joinPath(folder, name);
}

void removePartialFiles(const std::vector<std::wstring>& destinationPaths) {
  for (const std::wstring& destination : destinationPaths) {
    if (destination.find(tempMarker) == std::wstring::npos) continue;
    std::wstring name = fileNameOf(destination);
    if (name.empty()) continue;
    // yt-dlp's companions start with the announced name (".part", "-Frag" parts, ".ytdl"); the
    // merge and audio steps write "<base>.ctmp.temp.<ext>" and "<base>.ctmp.<ext>" beside it.
    std::wstring prefix = name;
    std::size_t marker = name.rfind(L".ctmp.");
    if (marker != std::wstring::npos) prefix.resize(marker + 6);
    std::wstring folder = folderPartOf(destination);
    // Listed first, deleted after: the listing never sees its own deletions.
    std::vector<std::wstring> doomed;
    std::error_code error;
    std::filesystem::directory_iterator entry(toPath(folder.empty() ? L"." : folder), error);
    for (; !error && entry != std::filesystem::directory_iterator(); entry.increment(error)) {
      std::wstring entryPath = fromPath(entry->path());
      if (startsWith(fileNameOf(entryPath), prefix)) doomed.push_back(std::move(entryPath));
    }
    for (const std::wstring& path : doomed) removeFileQuietly(path);
  }
}

void downloadJobMain(DownloadRequest request) {
  if (request.kind == 0) {
    bool ok = setupComponents(true);
    postJobDone(unlessCancelled(ok ? outcomeSuccess : outcomeFailure), request.kind);
    return;
  }
  if (componentsMissing() && !setupComponents(false)) {
    postJobDone(unlessCancelled(outcomeFailure), request.kind);
    return;
  }
  JobTools tools{findTool(ytDlpName), findTool(ffmpegName), findTool(denoName)};
  if (tools.ytdlp.empty() || tools.ffmpeg.empty()) {
    postText(WM_APP_LOG, L"Error: yt-dlp or ffmpeg not found.");
    postJobDone(unlessCancelled(outcomeFailure), request.kind);
    return;
  }
  runDownload(request, tools);
}

}  // namespace tarnwick
