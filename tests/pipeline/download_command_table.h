// Requests and the exact yt-dlp command line each must give, shared by the Linux and Windows
// builds: download_command_test checks buildDownloadCommand against it on both, and under Wine
// download_stand_in_win32_test checks what the stand-in yt-dlp.exe received through the runner.
// The tools' paths differ by platform, so the expected text names them by placeholders.
#pragma once

#include <string>
#include <vector>

#include "base/command_line.h"
#include "pipeline/download_command.h"
#include "pipeline/format_tables.h"
#include "pipeline/job_files.h"

namespace tarnwick::test {

struct CommandCase {
  DownloadRequest request;
  std::wstring command;
};

// `command` with the quoted tool paths as "<yt-dlp>", "<ffmpeg-folder>" and "deno:<deno>".
inline std::wstring withToolPlaceholders(std::wstring command, std::wstring_view ytdlp,
                                         std::wstring_view ffmpeg, std::wstring_view deno) {
  const std::pair<std::wstring, std::wstring> replacements[] = {
      {quoteArgument(ytdlp), L"\"<yt-dlp>\""},
      {quoteArgument(ffmpegLocation(ffmpeg)), L"\"<ffmpeg-folder>\""},
      {quoteArgument(L"deno:" + std::wstring(deno)), L"\"deno:<deno>\""},
  };
  // Quoted whole, a path cannot match inside another: its closing quote must match too.
  for (const auto& [from, to] : replacements)
    if (std::size_t at = command.find(from); at != std::wstring::npos) command.replace(at, from.size(), to);
  return command;
}

// `text` with every job's own marker (".ctmp-" and 12 hex digits) written as the plain ".ctmp", so
// that a test can name the temporary files of a job whose token it cannot know.
inline std::wstring withPlainMarker(std::wstring text) {
  for (std::size_t at = text.find(L".ctmp-"); at != std::wstring::npos; at = text.find(L".ctmp-", at + 1))
    if (isJobMarker(std::wstring_view(text).substr(at, 18))) text.erase(at + 5, 13);
  return text;
}

// What every download command holds between the program and "-o": progress lines, the "[F]"
// line and the sanitized name fields the template uses.
inline const std::wstring commandProgressPart =
    L" --newline --no-colors --encoding utf-8 --no-mtime --no-quiet --progress-template "
    L"\"download:[P]%(progress._percent_str)s|%(progress._speed_str)s|%(progress._eta_str)s\" --print "
    L"\"after_move:[F]%(filepath)j\" --parse-metadata \"%(title)S:%(file_title)s\" --parse-metadata "
    L"\"%(id)S:%(file_id)s\"";
inline const std::wstring singleItemTemplate = L"%(file_title).128B [%(file_id).40B].ctmp.%(ext)s";
inline const std::wstring playlistTemplate =
    L"%(playlist_title|Playlist).80B/%(playlist_index)03d - " + singleItemTemplate;

inline std::vector<CommandCase> downloadCommandTable() {
  auto request = [](bool audio, int format, int qualityOrBitrate, bool playlist, std::wstring url) {
    DownloadRequest r;
    r.kind = 1;
    r.url = std::move(url);
    r.audioMode = audio;
    (audio ? r.audioFormat : r.videoFormat) = format;
    (audio ? r.bitrate : r.quality) = qualityOrBitrate;
    r.wholePlaylist = playlist;
    return r;
  };
  const std::wstring head = L"\"<yt-dlp>\"" + commandProgressPart + L" -o ";
  const std::wstring single = L"\"" + singleItemTemplate + L"\" --no-playlist";
  const std::wstring playlist = L"\"" + playlistTemplate + L"\" --yes-playlist";
  const std::wstring tools = L" --ffmpeg-location \"<ffmpeg-folder>\" --js-runtimes \"deno:<deno>\"";
  return {
      {request(false, 0, 4, false, L"https://www.youtube.com/watch?v=aBc_12-xyz"),
       head + single + tools +
           L" -f \"bv*+ba/b\" -S \"res:1080,vcodec:h264,ext:mp4:m4a\" --merge-output-format mp4 "
           L"--embed-metadata -- \"https://www.youtube.com/watch?v=aBc_12-xyz\""},
      {request(false, 1, 0, true, L"https://example.test/list?a=1&b=2"),
       head + playlist + tools +
           L" -f \"bv*+ba/b\" -S \"res\" --merge-output-format mkv --embed-metadata -- "
           L"\"https://example.test/list?a=1&b=2\""},
      {request(false, 2, 5, false, L"https://example.test/Vidéo_\U0001F3AC"),
       head + single + tools +
           L" -f \"bv*+ba/b\" -S \"res:720,ext:webm:webm\" --merge-output-format mkv --embed-metadata -- "
           L"\"https://example.test/Vidéo_\U0001F3AC\""},
      {request(true, 0, 0, false, L"https://example.test/a"),
       head + single + tools +
           L" -f \"ba/b\" -x --audio-format mp3 --audio-quality 320K --embed-metadata -- "
           L"\"https://example.test/a\""},
      {request(true, 3, 5, true, L"https://example.test/b"),
       head + playlist + tools +
           L" -f \"ba/b\" -x --audio-format flac --embed-metadata -- \"https://example.test/b\""},
      // Quotes, blanks, a leading dash and a trailing backslash all arrive as one argument.
      {request(true, 7, 2, false, L"-https://x/?a=\"b\" c\\"),
       head + single + tools + L" -f \"ba/b\" -- \"-https://x/?a=\\\"b\\\" c\\\\\""},
  };
}

}  // namespace tarnwick::test
