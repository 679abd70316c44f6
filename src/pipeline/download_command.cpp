#include "pipeline/download_command.h"

#include "base/command_line.h"
#include "pipeline/job_files.h"

namespace tarnwick {
namespace {

void appendAudioMode(std::wstring& command, const DownloadRequest& request) {
  const AudioFormat& row = audioFormatTable[request.audioFormat];
  command += L" -f \"ba/b\"";
  // Without an extract format (WMA) yt-dlp keeps the best audio as it is and ffmpeg converts it.
  if (!row.extractFormat) return;
  command += L" -x --audio-format ";
  command += *row.extractFormat;
  if (!row.lossless) {
    command += L" --audio-quality ";
    command += std::to_wstring(bitrateTable[request.bitrate]);
    command += L"K";
  }
  if (row.embedMetadata) command += L" --embed-metadata";
}

void appendVideoMode(std::wstring& command, const DownloadRequest& request) {
  const VideoFormat& row = videoFormatTable[request.videoFormat];
  const std::int32_t height = qualityTable[request.quality].maxHeight;
  // "Best" is simply the row without a positive cap.
  std::wstring sort = height >= 1 ? L"res:" + std::to_wstring(height) : std::wstring(L"res");
  sort += row.sortSuffix;
  command += L" -f \"bv*+ba/b\" -S ";
  command += quoteArgument(sort);
  command += L" --merge-output-format ";
  command += row.mergeContainer;
  command += L" --embed-metadata";
}

}  // namespace

std::wstring downloadOutputTemplate(bool wholePlaylist) {
  // "/" separates the playlist subfolder: yt-dlp on every platform accepts it.
  std::wstring base = wholePlaylist ? L"%(playlist_title|Playlist)s/%(playlist_index)03d - %(title)s [%(id)s]"
                                    : L"%(title)s [%(id)s]";
  return base + L".ctmp.%(ext)s";
}

std::wstring ffmpegLocation(std::wstring_view ffmpegPath) {
  std::wstring folder = folderPartOf(ffmpegPath);
  return folder.empty() ? std::wstring(L".") : folder;
}

std::wstring buildDownloadCommand(const DownloadRequest& request, std::wstring_view ytdlpPath,
                                  std::wstring_view ffmpegPath, std::wstring_view denoPath) {
  std::wstring command = quoteArgument(ytdlpPath);
  command += L" --newline --no-colors --encoding utf-8 --no-mtime --no-quiet";
  command += L" --progress-template ";
  command +=
      quoteArgument(L"download:[P]%(progress._percent_str)s|%(progress._speed_str)s|%(progress._eta_str)s");
  command += L" --print ";
  command += quoteArgument(L"after_move:[F]%(filepath)s");
  command += L" -P ";
  command += quoteArgument(request.folder);
  command += L" -o ";
  command += quoteArgument(downloadOutputTemplate(request.wholePlaylist));
  command += request.wholePlaylist ? L" --yes-playlist" : L" --no-playlist";
  command += L" --ffmpeg-location ";
  command += quoteArgument(ffmpegLocation(ffmpegPath));
  if (!denoPath.empty()) {
    command += L" --js-runtimes ";
    command += quoteArgument(L"deno:" + std::wstring(denoPath));
  }
  if (request.audioMode) {
    appendAudioMode(command, request);
  } else {
    appendVideoMode(command, request);
  }
  command += L" -- ";
  command += quoteArgument(request.url);
  return command;
}

}  // namespace tarnwick
