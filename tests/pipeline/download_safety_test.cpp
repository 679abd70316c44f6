// The job touches only what it can prove is its own, puts files exactly where the user said, and
// names them within the file system's limits, whatever the folder and the title hold.
#include "download_fixture.h"
#include "pipeline/job_files.h"

namespace tarnwick {
namespace {

using test::MediaKind;
namespace fs = std::filesystem;

// Every file below `root`, relative to it, sorted.
std::vector<std::string> filesBelow(const fs::path& root) {
  std::vector<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root))
    if (!entry.is_directory()) files.push_back(fs::relative(entry.path(), root).string());
  std::sort(files.begin(), files.end());
  return files;
}

std::wstring repeatedTo(std::wstring_view text, std::size_t characters) {
  std::wstring out;
  while (out.size() < characters) out += text;
  out.resize(characters);
  return out;
}

TEST(OwnedRelativePath, AcceptsOnlyMarkedFilesInsideTheFolder) {
  const JobFolder folder{L"/v/My Videos", L"/real/My Videos"};
  const JobFolder backslashFolder{L"/v/a\\", L"/v/a\\"};
  const JobFolder root{L"/", L"/"};
  struct Case {
    const JobFolder& folder;
    const wchar_t* reported;
    std::optional<std::wstring> owned;
  };
  const Case cases[] = {
      {folder, L"x [1].ctmp.mp4", L"x [1].ctmp.mp4"},
      {folder, L"List/001 - x.ctmp.f1.mp4", L"List/001 - x.ctmp.f1.mp4"},
      {folder, L"/real/My Videos/x.ctmp.mp4", L"x.ctmp.mp4"},  // as yt-dlp resolves its working folder
      {folder, L"/v/My Videos/List/x.ctmp.mp3", L"List/x.ctmp.mp3"},
      {folder, L"/v/a", std::nullopt},  // what a line break in the folder's name cut off
      {folder, L"/v/My Videos2/x.ctmp.mp4", std::nullopt},
      {folder, L"/elsewhere/x.ctmp.mp4", std::nullopt},
      {folder, L"../x.ctmp.mp4", std::nullopt},
      {folder, L"List/../../x.ctmp.mp4", std::nullopt},
      {folder, L"./x.ctmp.mp4", std::nullopt},
      {folder, L"x.mp4", std::nullopt},
      {folder, L"x.ctmp/y.mp4", std::nullopt},
      {folder, L"", std::nullopt},
      // On Linux a "\" is part of a name: the folder "a\" is not the folder "a".
      {backslashFolder, L"/v/a\\/x.ctmp.mp4", L"x.ctmp.mp4"},
      {backslashFolder, L"/v/a\\x.ctmp.mp4", std::nullopt},
      {root, L"/x.ctmp.mp4", L"x.ctmp.mp4"},
  };
  for (const Case& c : cases) EXPECT_EQ(ownedRelativePath(c.folder, c.reported), c.owned) << c.reported;
}

class SafeDownload : public test::DownloadJobTest {};

// yt-dlp once named the folder in its output, so a line break in the folder's name cut its lines
// short: the job read "<dir>/a" and deleted the user's "<dir>/a.mp4".
TEST_F(SafeDownload, FolderWithALineBreakKeepsTheJobInsideIt) {
  serveClip("clip.mp4", MediaKind::mp4H264Aac);
  test::writeFile(folder / "a.mp4", "mine");
  test::writeFile(folder / "a.ctmp.mp4", "also mine");
  const fs::path inner = folder / "a\nb";
  fs::create_directory(inner);
  for (int row : {0, 4}) {  // moved, converted
    recorder.clear();
    DownloadRequest request = videoRequest("/clip.mp4", row);
    request.folder = fromPath(inner);
    ASSERT_EQ(runJob(request), 0) << logText();
    const std::string name = "clip [clip]." + wideToUtf8(videoFormatTable[row].extension);
    EXPECT_EQ(texts(WM_APP_OUTPUT_PATH).back(), fromPath(inner / name));
    EXPECT_TRUE(test::probeMedia(inner / name)) << name;
  }
  EXPECT_EQ(savedFiles(), (std::vector<std::string>{"a\nb/clip [clip].avi", "a\nb/clip [clip].mp4",
                                                    "a.ctmp.mp4", "a.mp4"}));
  EXPECT_EQ(test::readFile(folder / "a.mp4"), "mine");
}

// Linux allows 255 bytes a name: long titles in scripts of two to three bytes a character are cut
// on a character boundary, temporary names included, and the file is saved.
TEST_F(SafeDownload, LongTitlesAreCutToFitAndSaved) {
  struct Title {
    const char* script;
    std::wstring text;
    std::wstring named;  // what each step of the saved path holds
    bool playlist;
    int row;
  };
  const std::wstring cjk = repeatedTo(L"日本語の長い動画タイトル", 100);
  const std::wstring thai = repeatedTo(L"ภาษาไทยยาวมาก", 120);
  const std::wstring devanagari = repeatedTo(L"हिन्दी शीर्षक ", 120);
  const std::wstring cyrillic = repeatedTo(L"Очень длинное название ", 200);
  const std::wstring playlistTitle = repeatedTo(L"再生リストの名前", 100);
  const Title titles[] = {
      {"CJK", cjk, cjk.substr(0, 40), false, 0},
      {"Thai", thai, thai.substr(0, 40), false, 0},
      {"Devanagari", devanagari, devanagari.substr(0, 40), false, 0},
      {"Cyrillic", cyrillic, cyrillic.substr(0, 60), false, 0},
      // yt-dlp writes "/", "?", ":" and "|" as three-byte characters: the cut counts those.
      {"Widened ASCII", repeatedTo(L"a/b?c:|", 400), L"a\u29f8b\uff1fc\uff1a\uff5c", false, 0},
      // As the playlist's folder and in the names the job's own conversion writes.
      {"CJK playlist", playlistTitle, playlistTitle.substr(0, 20), true, 4},
  };
  serveClip("clip.mp4", MediaKind::mp4H264Aac);
  for (const Title& title : titles) {
    SCOPED_TRACE(title.script);
    recorder.clear();
    fs::remove_all(folder);
    fs::create_directory(folder);
    std::vector<std::string> clips = {"clip.mp4"};
    if (title.playlist) clips.push_back("clip.mp4");
    servePlaylistPage("/page.html", wideToUtf8(title.text), clips);
    DownloadRequest request = videoRequest("/page.html", title.row);
    request.wholePlaylist = title.playlist;
    ASSERT_EQ(runJob(request), 0) << logText();
    std::vector<std::string> files = savedFiles();
    ASSERT_EQ(files.size(), clips.size());
    for (const std::string& file : files) {
      for (const fs::path& step : fs::path(file)) {
        EXPECT_LE(step.string().size(), 255u) << step;
        EXPECT_NE(utf8ToWide(step.string()).find(title.named), std::wstring::npos) << step;
      }
      EXPECT_TRUE(endsWith(utf8ToWide(file), L"]." + videoFormatTable[title.row].extension)) << file;
      auto probe = test::probeMedia(folder / file);
      ASSERT_TRUE(probe) << file;
      EXPECT_EQ(probe->videoCodecs.size(), 1u);
    }
  }
}

// yt-dlp reads a folder on its command line with "$VAR" and "~" expanded, its ends trimmed and a
// trailing "\" taken for a separator; the file must land in exactly the folder the user chose.
TEST_F(SafeDownload, FolderIsNeverInterpreted) {
  serveClip("clip.mp4", MediaKind::mp4H264Aac);
  const fs::path root = test::Sandbox::current().root();
  for (const char* name : {"$HOME x", "${PATH}", "~", "Videos\\", " spaced ", "100%(id)s"}) {
    SCOPED_TRACE(name);
    recorder.clear();
    const fs::path chosen = folder / name;
    fs::create_directory(chosen);
    DownloadRequest request = videoRequest("/clip.mp4", 0);
    request.folder = fromPath(chosen);
    ASSERT_EQ(runJob(request), 0) << logText();
    EXPECT_EQ(filesBelow(chosen), std::vector<std::string>{"clip [clip].mp4"});
    std::size_t saved = 0;
    for (const std::string& file : filesBelow(root)) saved += file.find("clip [clip]") != std::string::npos;
    EXPECT_EQ(saved, 1u);
    fs::remove_all(chosen);
  }
}

// A post-processing step of yt-dlp that fails (320 kbit/s is beyond Opus and Vorbis for one
// channel) leaves none of the job's files, and what the user had stays.
TEST_F(SafeDownload, FailedExtractionLeavesOnlyWhatWasThere) {
  serveClip("mono.m4a", MediaKind::monoM4a);
  test::writeFile(folder / "mono [mono].opus", "mine");
  test::writeFile(folder / "keep.txt", "mine");
  for (int row : {4, 5}) {  // OGG, Opus
    recorder.clear();
    EXPECT_EQ(runJob(audioRequest("/mono.m4a", row, 0)), 1) << logText();
    EXPECT_NE(logText().find("ERROR:"), std::string::npos);
    EXPECT_EQ(savedFiles(), (std::vector<std::string>{"keep.txt", "mono [mono].opus"}));
  }
  EXPECT_EQ(test::readFile(folder / "mono [mono].opus"), "mine");
}

}  // namespace
}  // namespace tarnwick
