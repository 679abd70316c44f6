#include "pipeline/download_job.h"

#include <filesystem>
#include <optional>
#include <set>
#include <system_error>

#include "base/channel.h"
#include "base/job_control.h"
#include "base/process_runner.h"
#include "base/text.h"
#include "base/worker_texts.h"
#include "pipeline/download_command.h"
#include "pipeline/ffmpeg_step.h"
#include "pipeline/interrupted_jobs.h"
#include "pipeline/job_files.h"
#include "pipeline/job_record.h"
#include "pipeline/output_reader.h"
#include "setup/component_builds.h"
#include "setup/setup_sequence.h"
#include "setup/tools_folder.h"

namespace tarnwick {
namespace {

// For a site's single unmerged file whose codecs the chosen container cannot hold by copy.
constexpr std::wstring_view unmergedTranscodeArgs =
    L"-c:v libx264 -preset veryfast -crf 20 -pix_fmt yuv420p -c:a aac -b:a 192k";

constexpr int outcomeSuccess = 0;
constexpr int outcomeFailure = 1;
constexpr int outcomeCancelled = 2;

int unlessCancelled(int outcome) {
  return cancelRequested.load() ? outcomeCancelled : outcome;
}

struct JobTools {
  std::wstring ytdlp;
  std::wstring ffmpeg;
  std::wstring deno;
};

// The tool's path, looked up under this platform's file name ("yt-dlp.exe" on Windows).
std::wstring findComponent(std::wstring_view tool) {
  return findTool(setup::executableFileName(tool));
}

// The job's own files, relative to its folder, among what yt-dlp reported.
struct OwnedFiles {
  std::vector<std::wstring> finished;
  std::vector<std::wstring> destinations;
  bool allFinishedOwned = true;
};

OwnedFiles ownedFilesOf(const JobFolder& folder, std::wstring_view marker,
                        const std::vector<std::wstring>& finishedPaths,
                        const std::vector<std::wstring>& destinationPaths) {
  OwnedFiles files;
  for (const std::wstring& path : finishedPaths) {
    if (std::optional<std::wstring> relative = ownedRelativePath(folder, path, marker)) {
      files.finished.push_back(std::move(*relative));
    } else {
      postText(WM_APP_LOG, L"Error: not a file of this download: " + path);
      files.allFinishedOwned = false;
    }
  }
  for (const std::wstring& path : destinationPaths)
    if (std::optional<std::wstring> relative = ownedRelativePath(folder, path, marker))
      files.destinations.push_back(std::move(*relative));
  return files;
}

bool hasExtension(std::wstring_view path, std::wstring_view extension) {
  return asciiLower(fromPath(toPath(path).extension())) == L"." + std::wstring(extension);
}

// Gives one finished file its final name: converts it when the chosen row needs ffmpeg or the file
// is not in the row's container, else moves it.
bool finishFile(const DownloadRequest& request, const JobTools& tools, std::wstring_view marker,
                const std::wstring& source, const std::wstring& target, std::size_t index,
                std::size_t count) {
  FfmpegConversion conversion;
  conversion.marker = marker;
  conversion.ffmpegPath = tools.ffmpeg;
  conversion.source = source;
  conversion.target = target;
  conversion.index = index;
  conversion.count = count;
  if (request.audioMode) {
    const AudioFormat& row = audioFormatTable[request.audioFormat];
    conversion.label = row.label;
    conversion.map = L"-map 0:a:0";
    if (row.ffmpegArgs) {
      conversion.secondArgs = row.ffmpegArgs;
      conversion.bitrate = bitrateTable[request.bitrate];
      return convertWithFfmpeg(conversion);
    }
    // yt-dlp's AAC extraction writes ".m4a", an MP4 container unless the source was AAC already;
    // a copy into the row's own container (ADTS for ".aac") is what the extension promises.
    if (!hasExtension(source, row.extension)) {
      conversion.firstArgs = L"-c copy";
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
    if (!hasExtension(source, row.extension)) {
      conversion.firstArgs = L"-c copy";
      conversion.secondArgs.emplace(unmergedTranscodeArgs);
      return convertWithFfmpeg(conversion);
    }
  }
  if (moveFileReplacing(source, target)) return true;
  postText(WM_APP_LOG, L"Error: could not rename " + source);
  return false;
}

// Converts or moves every finished file, in order, until a cancel. True when all succeeded.
bool finishAll(const DownloadRequest& request, const JobTools& tools, const JobFolder& folder,
               std::wstring_view marker, const std::vector<std::wstring>& finished,
               std::wstring_view extension) {
  bool allOk = true;
  for (std::size_t i = 0; i < finished.size(); ++i) {
    if (cancelRequested.load()) break;
    std::wstring source = pathInside(folder.path, finished[i]);
    std::wstring target = pathInside(folder.path, finalPathFor(finished[i], extension, marker));
    bool ok = finishFile(request, tools, marker, source, target, i, finished.size());
    if (ok) postText(WM_APP_OUTPUT_PATH, target);
    allOk = allOk && ok;
  }
  return allOk;
}

// Whatever of the job's own is still there once it ends: finished files not converted or moved
// (cancelled, failed), what yt-dlp left of each announced destination, and a playlist subfolder
// the job made and left empty. Results and what the folder held before the job stay.
void removeLeftovers(const JobFolder& folder, std::wstring_view marker, const OwnedFiles& files,
                     const std::set<std::wstring>& entriesBefore) {
  std::vector<std::wstring> destinations;
  for (const std::wstring& relative : files.destinations)
    destinations.push_back(pathInside(folder.path, relative));
  for (const std::wstring& relative : files.finished) removeFileQuietly(pathInside(folder.path, relative));
  removePartialFiles(destinations, marker);

  std::set<std::wstring> subfolders;
  for (const std::vector<std::wstring>* list : {&files.finished, &files.destinations})
    for (const std::wstring& relative : *list)
      if (std::filesystem::path steps = toPath(relative); steps.has_parent_path())
        subfolders.insert(fromPath(*steps.begin()));
  for (const std::wstring& subfolder : subfolders) {
    if (entriesBefore.contains(subfolder)) continue;
    std::error_code notEmpty;  // only an empty folder goes
    std::filesystem::remove(toPath(pathInside(folder.path, subfolder)), notEmpty);
  }
}

void runDownload(const DownloadRequest& request, const JobTools& tools) {
  postProgress(-1);
  postText(WM_APP_STATUS, workerText(WorkerText::analyzingVideo));
  const std::wstring label = request.audioMode ? audioFormatTable[request.audioFormat].label
                                               : videoFormatTable[request.videoFormat].label;
  const std::wstring extension = request.audioMode ? audioFormatTable[request.audioFormat].extension
                                                   : videoFormatTable[request.videoFormat].extension;
  const JobFolder folder = jobFolderOf(request.folder);
  const std::set<std::wstring> entriesBefore = entryNamesOf(folder.path);
  const std::wstring marker = newJobMarker();
  const JobRecord record = jobRecordOf(folder, marker, request.wholePlaylist, entriesBefore);
  if (!writeJobRecord(record))
    postText(WM_APP_LOG, L"Error: could not write " + fromPath(jobRecordPath(marker)));
  std::vector<std::wstring> finishedPaths;
  std::vector<std::wstring> destinationPaths;
  int exitCode = runProcess(
      buildDownloadCommand(request, tools.ytdlp, tools.ffmpeg, tools.deno, marker),
      [&](const std::wstring& line) { handleDownloadLine(line, finishedPaths, destinationPaths, label); },
      downloadProcessJob, true, folder.path);

  // yt-dlp has already logged why it failed. A playlist with some failed entries still delivers
  // the others, but the job has failed.
  OwnedFiles files = ownedFilesOf(folder, marker, finishedPaths, destinationPaths);
  bool allOk = exitCode == 0 && files.allFinishedOwned;
  if (!cancelRequested.load())
    allOk = finishAll(request, tools, folder, marker, files.finished, extension) && allOk;
  removeLeftovers(folder, marker, files, entriesBefore);
  removeJobRecord(marker);
  postJobDone(unlessCancelled(allOk ? outcomeSuccess : outcomeFailure), request.kind);
}

}  // namespace

bool componentsMissing() {
  return findComponent(L"yt-dlp").empty() || findComponent(L"ffmpeg").empty() ||
         findComponent(L"deno").empty();
}

std::wstring finalPathFor(std::wstring_view source, std::wstring_view extension, std::wstring_view marker) {
  std::wstring stem = splitName(fileNameOf(source)).stem;
  if (stem.size() > marker.size() &&
      asciiLower(stem.substr(stem.size() - marker.size())) == asciiLower(marker))
    stem.resize(stem.size() - marker.size());
  std::wstring name = stem + L"." + std::wstring(extension);
  std::wstring folder = folderPartOf(source);
  return folder.empty() ? name : joinPath(folder, name);
}

void removePartialFiles(const std::vector<std::wstring>& destinationPaths, std::wstring_view marker) {
  const std::wstring markerEnd = std::wstring(marker) + L".";
  for (const std::wstring& destination : destinationPaths) {
    std::filesystem::path path = toPath(destination);
    std::wstring name = fromPath(path.filename());
    if (name.find(marker) == std::wstring::npos) continue;
    // yt-dlp's companions start with the announced name (".part", "-Frag" parts, ".ytdl"); the
    // merge and audio steps write "<base><marker>.temp.<ext>" and "<base><marker>.<ext>" beside
    // it, the job's conversion "<base><marker>.conv.<ext>".
    std::wstring prefix = name;
    std::size_t at = name.rfind(markerEnd);
    if (at != std::wstring::npos) prefix.resize(at + markerEnd.size());
    std::filesystem::path folder = path.parent_path();
    // Listed first, deleted after: the listing never sees its own deletions.
    std::vector<std::wstring> doomed;
    for (const std::wstring& entry :
         entryNamesOf(fromPath(folder.empty() ? std::filesystem::path(".") : folder)))
      if (startsWith(entry, prefix)) doomed.push_back(fromPath(folder / toPath(entry)));
    for (const std::wstring& file : doomed) removeFileQuietly(file);
  }
}

void downloadJobMain(DownloadRequest request) {
  if (request.kind == 0) {
    sweepInterruptedJobs();
    bool ok = setupComponents(true);
    postJobDone(unlessCancelled(ok ? outcomeSuccess : outcomeFailure), request.kind);
    return;
  }
  if (componentsMissing() && !setupComponents(false)) {
    postJobDone(unlessCancelled(outcomeFailure), request.kind);
    return;
  }
  JobTools tools{findComponent(L"yt-dlp"), findComponent(L"ffmpeg"), findComponent(L"deno")};
  if (tools.ytdlp.empty() || tools.ffmpeg.empty()) {
    postText(WM_APP_LOG, L"Error: yt-dlp or ffmpeg not found.");
    postJobDone(unlessCancelled(outcomeFailure), request.kind);
    return;
  }
  runDownload(request, tools);
}

}  // namespace tarnwick
