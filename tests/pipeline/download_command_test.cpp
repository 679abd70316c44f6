#include "pipeline/download_command.h"

#include <gtest/gtest.h>

#include "base/command_line.h"
#include "download_command_table.h"

namespace tarnwick {
namespace {

// Where the command departs from the plain "-P <folder> -o <title> [<id>]" form, and why:
// - No "-P": yt-dlp expands "$VAR" and "~" in it and takes a trailing "\" for a separator, so the
//   file could land elsewhere. yt-dlp runs inside the save folder instead (the runner's working
//   folder) and gets a relative template.
// - "[F]" prints the path as JSON ("%(filepath)j"): a folder name holding a line break would
//   otherwise cut the line, and the job would read a different, shorter path.
// - The title and id are sanitized into fields of their own ("--parse-metadata %(title)S:...") and
//   cut by bytes ("%(file_title).128B"): Linux allows 255 bytes a name, and the sanitizer widens
//   "/", "?" and the like to three bytes, so the cut must count the widened text. The budget is
//   explained beside downloadOutputTemplate.
const std::wstring& progressPart = test::commandProgressPart;
const std::wstring& singleTemplate = test::singleItemTemplate;
const std::wstring& playlistTemplate = test::playlistTemplate;

DownloadRequest videoRequest(int format, int quality) {
  DownloadRequest r;
  r.kind = 1;
  r.url = L"U";
  r.folder = L"/home/u/Videos";
  r.videoFormat = format;
  r.quality = quality;
  return r;
}

DownloadRequest audioRequest(int format, int bitrate) {
  DownloadRequest r = videoRequest(0, 0);
  r.audioMode = true;
  r.audioFormat = format;
  r.bitrate = bitrate;
  return r;
}

// The whole command for the Linux tools in /opt/T with a given mode part.
std::wstring linuxCommand(const std::wstring& modePart) {
  return L"\"/opt/T/yt-dlp\"" + progressPart + L" -o \"" + singleTemplate +
         L"\" --no-playlist"
         L" --ffmpeg-location \"/opt/T\" --js-runtimes \"deno:/opt/T/deno\"" +
         modePart + L" -- \"U\"";
}

std::wstring buildLinux(const DownloadRequest& r) {
  return buildDownloadCommand(r, L"/opt/T/yt-dlp", L"/opt/T/ffmpeg", L"/opt/T/deno");
}

TEST(BuildDownloadCommand, WindowsPathsGiveTheDocumentedCommandByteForByte) {
  DownloadRequest r = videoRequest(0, 4);
  r.folder = L"D:\\Videos";
  std::wstring command =
      buildDownloadCommand(r, L"D:\\T\\yt-dlp.exe", L"D:\\T\\ffmpeg.exe", L"D:\\T\\deno.exe");
  EXPECT_EQ(
      command,
      L"\"D:\\T\\yt-dlp.exe\" --newline --no-colors --encoding utf-8 --no-mtime --no-quiet "
      L"--progress-template "
      L"\"download:[P]%(progress._percent_str)s|%(progress._speed_str)s|%(progress._eta_str)s\" --print "
      L"\"after_move:[F]%(filepath)j\" --parse-metadata \"%(title)S:%(file_title)s\" --parse-metadata "
      L"\"%(id)S:%(file_id)s\" -o \"%(file_title).128B [%(file_id).40B].ctmp.%(ext)s\" "
      L"--no-playlist --ffmpeg-location \"D:\\T\" --js-runtimes \"deno:D:\\T\\deno.exe\" -f \"bv*+ba/b\" -S "
      L"\"res:1080,vcodec:h264,ext:mp4:m4a\" --merge-output-format mp4 --embed-metadata -- \"U\"");
}

TEST(BuildDownloadCommand, ModePartsMatchTheTableExamples) {
  struct Case {
    DownloadRequest request;
    std::wstring modePart;
  };
  const Case cases[] = {
      {videoRequest(0, 4),
       L" -f \"bv*+ba/b\" -S \"res:1080,vcodec:h264,ext:mp4:m4a\" --merge-output-format mp4 "
       L"--embed-metadata"},
      {videoRequest(1, 0), L" -f \"bv*+ba/b\" -S \"res\" --merge-output-format mkv --embed-metadata"},
      {videoRequest(2, 5),
       L" -f \"bv*+ba/b\" -S \"res:720,ext:webm:webm\" --merge-output-format mkv --embed-metadata"},
      {videoRequest(0, 0),
       L" -f \"bv*+ba/b\" -S \"res,vcodec:h264,ext:mp4:m4a\" --merge-output-format mp4 --embed-metadata"},
      {videoRequest(5, 9),
       L" -f \"bv*+ba/b\" -S \"res:144,vcodec:h264,acodec:aac\" --merge-output-format mp4 --embed-metadata"},
      {audioRequest(0, 0), L" -f \"ba/b\" -x --audio-format mp3 --audio-quality 320K --embed-metadata"},
      {audioRequest(4, 3), L" -f \"ba/b\" -x --audio-format vorbis --audio-quality 128K --embed-metadata"},
      {audioRequest(3, 0), L" -f \"ba/b\" -x --audio-format flac --embed-metadata"},
      {audioRequest(3, 5), L" -f \"ba/b\" -x --audio-format flac --embed-metadata"},
      {audioRequest(2, 1), L" -f \"ba/b\" -x --audio-format aac --audio-quality 256K"},
      {audioRequest(6, 2), L" -f \"ba/b\" -x --audio-format wav"},
      {audioRequest(7, 2), L" -f \"ba/b\""},
  };
  for (const Case& c : cases) EXPECT_EQ(buildLinux(c.request), linuxCommand(c.modePart));
}

TEST(BuildDownloadCommand, EmptyDenoPathDropsOnlyTheRuntimeSwitch) {
  for (DownloadRequest r : {videoRequest(3, 2), audioRequest(1, 4)}) {
    std::wstring with = buildLinux(r);
    std::wstring without = buildDownloadCommand(r, L"/opt/T/yt-dlp", L"/opt/T/ffmpeg", L"");
    const std::wstring runtime = L" --js-runtimes \"deno:/opt/T/deno\"";
    std::size_t at = with.find(runtime);
    ASSERT_NE(at, std::wstring::npos);
    EXPECT_EQ(without, with.erase(at, runtime.size()));
  }
}

TEST(BuildDownloadCommand, WholePlaylistGetsASubfolderTemplateAndYesPlaylist) {
  DownloadRequest r = videoRequest(1, 0);
  r.wholePlaylist = true;
  std::wstring command = buildLinux(r);
  EXPECT_NE(command.find(L" -o \"" + playlistTemplate + L"\" --yes-playlist --ffmpeg-location"),
            std::wstring::npos)
      << command;
  EXPECT_EQ(command.find(L"--no-playlist"), std::wstring::npos);
}

TEST(FfmpegLocation, CutsAtTheLastSeparatorAndKeepsRoots) {
  EXPECT_EQ(ffmpegLocation(L"/usr/bin/ffmpeg"), L"/usr/bin");
  EXPECT_EQ(ffmpegLocation(L"/opt//tools//ffmpeg"), L"/opt//tools");
  EXPECT_EQ(ffmpegLocation(L"/ffmpeg"), L"/");
  EXPECT_EQ(ffmpegLocation(L"//ffmpeg"), L"/");
  EXPECT_EQ(ffmpegLocation(L"D:\\T\\ffmpeg.exe"), L"D:\\T");
  EXPECT_EQ(ffmpegLocation(L"D:\\T/ffmpeg.exe"), L"D:\\T");
  EXPECT_EQ(ffmpegLocation(L"C:\\ffmpeg.exe"), L"C:\\");
  EXPECT_EQ(ffmpegLocation(L"C:\\\\ffmpeg.exe"), L"C:\\");
  EXPECT_EQ(ffmpegLocation(L"ffmpeg"), L".");
  // Quoted, a drive root's backslash is doubled before the closing quote.
  DownloadRequest r = videoRequest(0, 0);
  std::wstring command = buildDownloadCommand(r, L"C:\\yt-dlp.exe", L"C:\\ffmpeg.exe", L"");
  EXPECT_NE(command.find(L" --ffmpeg-location \"C:\\\\\" -f "), std::wstring::npos) << command;
}

TEST(BuildDownloadCommand, SplitsBackIntoTheArgumentsYtDlpShouldReceive) {
  DownloadRequest r = audioRequest(0, 2);
  r.wholePlaylist = true;
  r.folder = L"/media/My \"Best\" Songs\\";
  r.url = L"-https://x/?a=\"b\" c";
  std::vector<std::wstring> args = splitCommandLine(
      buildDownloadCommand(r, L"/opt/my tools/yt-dlp", L"/opt/my tools/ffmpeg", L"/d e/deno"));
  const std::vector<std::wstring> expected = {
      L"/opt/my tools/yt-dlp",
      L"--newline",
      L"--no-colors",
      L"--encoding",
      L"utf-8",
      L"--no-mtime",
      L"--no-quiet",
      L"--progress-template",
      L"download:[P]%(progress._percent_str)s|%(progress._speed_str)s|%(progress._eta_str)s",
      L"--print",
      L"after_move:[F]%(filepath)j",
      L"--parse-metadata",
      L"%(title)S:%(file_title)s",
      L"--parse-metadata",
      L"%(id)S:%(file_id)s",
      L"-o",
      playlistTemplate,
      L"--yes-playlist",
      L"--ffmpeg-location",
      L"/opt/my tools",
      L"--js-runtimes",
      L"deno:/d e/deno",
      L"-f",
      L"ba/b",
      L"-x",
      L"--audio-format",
      L"mp3",
      L"--audio-quality",
      L"192K",
      L"--embed-metadata",
      L"--",
      L"-https://x/?a=\"b\" c",
  };
  EXPECT_EQ(args, expected);
}

// The table that the Windows build also checks, on what yt-dlp.exe receives (under Wine).
TEST(BuildDownloadCommand, GivesTheSharedTableOfCommands) {
  for (const test::CommandCase& c : test::downloadCommandTable()) {
    std::wstring command =
        buildDownloadCommand(c.request, L"/tools a/yt-dlp", L"/tools b/ffmpeg", L"/tools c/deno");
    EXPECT_EQ(test::withToolPlaceholders(command, L"/tools a/yt-dlp", L"/tools b/ffmpeg", L"/tools c/deno"),
              c.command);
  }
}

TEST(FormatTables, KeepAbsentApartFromEmpty) {
  EXPECT_EQ(videoFormatTable[1].sortSuffix, L"");
  EXPECT_FALSE(videoFormatTable[1].remuxArgs.has_value());
  EXPECT_FALSE(videoFormatTable[0].transcodeArgs.has_value());
  EXPECT_EQ(videoFormatTable[2].remuxArgs, L"-c copy");
  EXPECT_EQ(
      videoFormatTable[6].transcodeArgs,
      L"-vf \"scale=-2:'min(480,ih)'\" -c:v libx264 -profile:v baseline -level 3.0 -preset veryfast -crf 24 "
      L"-pix_fmt yuv420p -c:a aac -b:a 96k -ac 2 -ar 44100");
  EXPECT_FALSE(qualityTable[0].label.has_value());
  EXPECT_EQ(qualityTable[0].maxHeight, 0);
  EXPECT_FALSE(audioFormatTable[7].extractFormat.has_value());
  EXPECT_EQ(audioFormatTable[4].extractFormat, L"vorbis");
  EXPECT_EQ(audioFormatTable[4].extension, L"ogg");
  // Only the rows that need ffmpeg after the download say so.
  int converted = 0;
  for (const VideoFormat& row : videoFormatTable) converted += row.remuxArgs || row.transcodeArgs;
  EXPECT_EQ(converted, 8);
  for (std::size_t i = 0; i < audioFormatTable.size(); ++i)
    EXPECT_EQ(audioFormatTable[i].ffmpegArgs.has_value(), i == 7) << i;
}

}  // namespace
}  // namespace tarnwick
