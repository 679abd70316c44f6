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

std::wstring downloadOutputTemplate(bool wholePlaylist, std::wstring_view marker) {
  // Relative to yt-dlp's working folder, the save folder: "/" separates the playlist subfolder
  // on every platform. Fields are cut by bytes on a character boundary (yt-dlp's "B"), so that
  // every name yt-dlp writes fits a file system's 255: the name up to the end of a job's marker
  // takes at most 8 + 128 + 2 + 40 + 1 + 18 = 197 bytes, which leaves 58 for what yt-dlp and the
  // job add behind it (".f<format>.<ext>.part-Frag<n>.part", ".temp.<ext>", ".conv.<ext>"). The
  // playlist folder's 80 bytes stay within 255 even if the sanitizer triples every character.
  std::wstring name = L"%(file_title).128B [%(file_id).40B]" + std::wstring(marker) + L".%(ext)s";
  return wholePlaylist ? L"%(playlist_title|Playlist).80B/%(playlist_index)03d - " + name : name;
}

std::wstring ffmpegLocation(std::wstring_view ffmpegPath) {
  std::wstring folder = folderPartOf(ffmpegPath);
  return folder.empty() ? std::wstring(L".") : folder;
}

std::wstring buildDownloadCommand(const DownloadRequest& request, std::wstring_view ytdlpPath,
                                  std::wstring_view ffmpegPath, std::wstring_view denoPath,
                                  std::wstring_view marker) {
  std::wstring command = quoteArgument(ytdlpPath);
  command += L" --newline --no-colors --encoding utf-8 --no-mtime --no-quiet";
  command += L" --progress-template ";
  command +=
      quoteArgument(L"download:[P]%(progress._percent_str)s|%(progress._speed_str)s|%(progress._eta_str)s");
  command += L" --print ";
  // As JSON: a path is one line whatever its characters.
  command += quoteArgument(L"after_move:[F]%(filepath)j");
  // yt-dlp widens characters such as "/" or "?" to three bytes when it makes a name, after the
  // template's cut. Sanitized first ("S") into fields of their own, title and id are cut as they
  // will be written.
  command += L" --parse-metadata ";
  command += quoteArgument(L"%(title)S:%(file_title)s");
  command += L" --parse-metadata ";
  command += quoteArgument(L"%(id)S:%(file_id)s");
  command += L" -o ";
  command += quoteArgument(downloadOutputTemplate(request.wholePlaylist, marker));
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
