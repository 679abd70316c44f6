// Every container and audio format ends as a file ffprobe reads as that format with the row's
// codecs, through as many ffmpeg runs as the row needs.
#include "download_fixture.h"

namespace tarnwick {
namespace {

using test::MediaKind;
namespace fs = std::filesystem;

struct FormatCase {
  const char* name;
  bool audio;
  int row;
  MediaKind source;
  const char* formatName;      // ffprobe's format_name
  const char* brandOrDocType;  // ISO major brand or Matroska doctype; empty when not checked
  const char* videoCodec;      // empty: no video stream
  const char* audioCodec;
  std::size_t ffmpegRuns;  // of the job's own conversion step
};

void PrintTo(const FormatCase& c, std::ostream* out) {
  *out << c.name;
}

constexpr const char* isoMedia = "mov,mp4,m4a,3gp,3g2,mj2";
constexpr const char* matroska = "matroska,webm";

const FormatCase formatCases[] = {
    {"Mp4", false, 0, MediaKind::mp4H264Aac, isoMedia, "", "h264", "aac", 0},
    {"Mkv", false, 1, MediaKind::mp4H264Aac, matroska, "matroska", "h264", "aac", 1},
    {"WebmByCopy", false, 2, MediaKind::webmVp9Opus, matroska, "webm", "vp9", "opus", 1},
    {"Mov", false, 3, MediaKind::mp4H264Aac, isoMedia, "qt  ", "h264", "aac", 1},
    {"Avi", false, 4, MediaKind::mp4H264Aac, "avi", "", "mpeg4", "mp3", 1},
    {"Flv", false, 5, MediaKind::mp4H264Aac, "flv", "", "h264", "aac", 1},
    {"ThreeGp", false, 6, MediaKind::mp4H264Aac, isoMedia, "3gp", "h264", "aac", 1},
    {"Mpeg", false, 7, MediaKind::mp4H264Aac, "mpeg", "", "mpeg2video", "mp2", 1},
    {"Ogv", false, 8, MediaKind::mp4H264Aac, "ogg", "", "theora", "vorbis", 1},
    {"Wmv", false, 9, MediaKind::mp4H264Aac, "asf", "", "wmv2", "wmav2", 1},
    // A stream copy that cannot work falls back to the transcode.
    {"WebmFromH264", false, 2, MediaKind::mp4H264Aac, matroska, "webm", "vp9", "opus", 2},
    {"MovFromVp9", false, 3, MediaKind::webmVp9Opus, isoMedia, "qt  ", "h264", "aac", 2},
    // A single combined WebM is not merged by yt-dlp: MP4 and MKV remux it instead of renaming.
    {"Mp4FromUnmergedWebm", false, 0, MediaKind::webmVp9Opus, isoMedia, "isom", "vp9", "opus", 1},
    {"Mp3", true, 0, MediaKind::mp4H264Aac, "mp3", "", "", "mp3", 0},
    {"M4a", true, 1, MediaKind::mp4H264Aac, isoMedia, "M4A ", "", "aac", 0},
    // yt-dlp's AAC extraction writes ".m4a"; the job's copy makes it ADTS, whatever the source.
    {"Aac", true, 2, MediaKind::mp4H264Aac, "aac", "", "", "aac", 1},
    {"Flac", true, 3, MediaKind::mp4H264Aac, "flac", "", "", "flac", 0},
    {"Ogg", true, 4, MediaKind::mp4H264Aac, "ogg", "", "", "vorbis", 0},
    {"Opus", true, 5, MediaKind::webmVp9Opus, "ogg", "", "", "opus", 0},
    {"Wav", true, 6, MediaKind::mp4H264Aac, "wav", "", "", "pcm_s16le", 0},
    {"Wma", true, 7, MediaKind::mp4H264Aac, "asf", "", "", "wmav2", 1},
    // From an Opus or Vorbis source yt-dlp's AAC is an MP4 container under ".m4a" until the job
    // copies it into ADTS; the other rows are checked from Opus as well.
    {"AacFromOpus", true, 2, MediaKind::webmVp9Opus, "aac", "", "", "aac", 1},
    {"AacFromVorbis", true, 2, MediaKind::webmVp8Vorbis, "aac", "", "", "aac", 1},
    {"Mp3FromOpus", true, 0, MediaKind::webmVp9Opus, "mp3", "", "", "mp3", 0},
    {"M4aFromOpus", true, 1, MediaKind::webmVp9Opus, isoMedia, "M4A ", "", "aac", 0},
    {"FlacFromOpus", true, 3, MediaKind::webmVp9Opus, "flac", "", "", "flac", 0},
    {"OggFromOpus", true, 4, MediaKind::webmVp9Opus, "ogg", "", "", "vorbis", 0},
    {"WavFromOpus", true, 6, MediaKind::webmVp9Opus, "wav", "", "", "pcm_s16le", 0},
    {"WmaFromOpus", true, 7, MediaKind::webmVp9Opus, "asf", "", "", "wmav2", 1},
    // A site with nothing but VP8 and Vorbis: MP4 cannot hold them by copy, so the remux of the
    // unmerged file falls back to the transcode; MKV holds them as they are.
    {"Mp4FromVp8Vorbis", false, 0, MediaKind::webmVp8Vorbis, isoMedia, "isom", "h264", "aac", 2},
    {"MkvFromVp8Vorbis", false, 1, MediaKind::webmVp8Vorbis, matroska, "matroska", "vp8", "vorbis", 1},
};

class EveryFormat : public test::DownloadJobTest, public ::testing::WithParamInterface<FormatCase> {};

// Matroska's EBML header names its doctype near the start: "webm" or "matroska".
bool hasDocType(const std::string& bytes, const std::string& docType) {
  std::string head = bytes.substr(0, 64);
  return head.find(docType) != std::string::npos;
}

TEST_P(EveryFormat, EndsAsThatFormatWithItsCodecs) {
  const FormatCase& c = GetParam();
  const bool webm = c.source == MediaKind::webmVp9Opus || c.source == MediaKind::webmVp8Vorbis;
  const std::string clip = webm ? "clip.webm" : "clip.mp4";
  serveClip(clip, c.source);
  DownloadRequest request = c.audio ? audioRequest("/" + clip, c.row) : videoRequest("/" + clip, c.row);
  ASSERT_EQ(runJob(request), 0) << logText();

  const std::wstring label = c.audio ? audioFormatTable[c.row].label : videoFormatTable[c.row].label;
  const std::wstring extension =
      c.audio ? audioFormatTable[c.row].extension : videoFormatTable[c.row].extension;
  const std::string name = "clip [clip]." + wideToUtf8(extension);
  EXPECT_EQ(savedFiles(), std::vector<std::string>{name}) << logText();
  EXPECT_EQ(texts(WM_APP_OUTPUT_PATH).back(), fromPath(folder / name));

  auto probe = test::probeMedia(folder / name);
  ASSERT_TRUE(probe) << name;
  EXPECT_EQ(probe->formatName, c.formatName);
  std::string brand = c.brandOrDocType;
  if (std::string(c.formatName) == matroska) {
    EXPECT_TRUE(hasDocType(test::readFile(folder / name), brand)) << "doctype " << brand;
  } else if (!brand.empty()) {
    EXPECT_TRUE(startsWith(utf8ToWide(probe->majorBrand), utf8ToWide(brand))) << probe->majorBrand;
  }
  std::vector<std::string> video;
  if (*c.videoCodec) video.push_back(c.videoCodec);
  EXPECT_EQ(probe->videoCodecs, video);
  EXPECT_EQ(probe->audioCodecs, std::vector<std::string>{c.audioCodec});

  // The job's ffmpeg runs each post the conversion status once; yt-dlp's extraction posts it
  // too, so audio rows count only from the job's own "[ffmpeg]" log line on.
  std::vector<test::Posted> all = test::snapshot(recorder);
  const std::wstring status = L"Converting to " + label + L" \u2026";
  std::size_t runs = 0;
  bool converting = false;
  for (const test::Posted& m : all) {
    if (m.id == WM_APP_LOG && m.text == L"[ffmpeg] " + status) converting = true;
    if (converting && m.id == WM_APP_STATUS && m.text == status) ++runs;
  }
  EXPECT_EQ(runs, c.ffmpegRuns);
}

INSTANTIATE_TEST_SUITE_P(Download, EveryFormat, ::testing::ValuesIn(formatCases),
                         [](const ::testing::TestParamInfo<FormatCase>& info) { return info.param.name; });

}  // namespace
}  // namespace tarnwick
