// A job's process killed midway (as by a crash or SIGKILL) leaves the job's temporary files and
// its record; the next start's sweep removes exactly those files and never a user's.
#include <signal.h>

#include <fstream>

#include "child_process.h"
#include "download_fixture.h"
#include "pipeline/interrupted_jobs.h"
#include "pipeline/job_record.h"

namespace tarnwick {
namespace {

using test::jobRecordsLeft;
using test::MediaKind;
using test::namesIn;
namespace fs = std::filesystem;

const std::wstring aMarker = L".ctmp-0123456789ab";

TEST(JobRecord, ReadsBackWhatItWroteAndNothingDamaged) {
  const JobRecord record{L"/v/My 100% \"Videos\"\nLine 2", aMarker, true, {L"Mine", L"a%0Ab"}};
  const std::string bytes = serializeJobRecord(record);
  std::optional<JobRecord> read = parseJobRecord(bytes);
  ASSERT_TRUE(read);
  EXPECT_EQ(read->folder, record.folder);
  EXPECT_EQ(read->marker, record.marker);
  EXPECT_TRUE(read->playlist);
  EXPECT_EQ(read->subfoldersBefore, record.subfoldersBefore);

  // Cut anywhere, as by a crash while it was written without the atomic rename.
  for (std::size_t size = 0; size < bytes.size(); ++size)
    EXPECT_FALSE(parseJobRecord(std::string_view(bytes).substr(0, size))) << size;
  const std::string valid = serializeJobRecord({L"/v", aMarker, false, {}});
  auto replaced = [&](std::string_view from, std::string_view to) {
    std::string out = valid;
    out.replace(out.find(from), from.size(), to);
    return out;
  };
  const std::string damaged[] = {
      "garbage\n",
      std::string(4096, '\0'),
      replaced("folder /v", "folder v"),                     // relative
      replaced(".ctmp-0123456789ab", ".ctmp"),               // a marker every job shares
      replaced(".ctmp-0123456789ab", ".ctmp-0123456789AB"),  // not one newJobMarker makes
      replaced(".ctmp-0123456789ab", ".ctmp-0123456789a"),
      replaced("playlist 0", "playlist 2"),
      replaced("folder /v\n", "folder /v\nfolder /w\n"),  // said twice
      replaced("folder /v", "folder /v%2"),
      replaced("folder /v", "folder /v%zz"),
      replaced("folder /v", "folder /v\r"),
      replaced("end\n", "end\nmore\n"),
      replaced("end\n", "end"),
      replaced("playlist 0\n", ""),
      replaced("playlist 0\n", "playlist 0\nsize 3\n"),
  };
  for (const std::string& bytes : damaged) EXPECT_FALSE(parseJobRecord(bytes)) << bytes;
}

class SweepTest : public ::testing::Test {
 protected:
  void SetUp() override { folder = test::Sandbox::current().makeFolder("Saves"); }

  fs::path file(const std::string& relative, const std::string& content = "mine") {
    fs::create_directories((folder / relative).parent_path());
    test::writeFile(folder / relative, content);
    return folder / relative;
  }
  JobRecord recordOf(bool playlist, std::vector<std::wstring> subfoldersBefore = {}) {
    return {fromPath(fs::canonical(folder)), aMarker, playlist, std::move(subfoldersBefore)};
  }
  std::vector<std::wstring> logLines() { return recorder.texts(WM_APP_LOG); }

  test::ChannelRecorder recorder;
  fs::path folder;
};

// Marked regular files go, in the folder and a playlist's subfolders; a subfolder goes only when
// the job made it and emptied it. No link is followed or removed, no folder, no unmarked name.
TEST_F(SweepTest, RemovesOnlyTheJobsMarkedFilesAndNeverFollowsLinks) {
  const fs::path outside = test::Sandbox::current().makeFolder("Outside");
  test::writeFile(outside / ("x" + wideToUtf8(aMarker) + ".mp4"), "elsewhere");
  const std::string m = wideToUtf8(aMarker);
  for (const std::string& doomed : {"a [1]" + m + ".f1.mp4.part", "a [1]" + m + ".temp.mp4",
                                    "List/001 - a [1]" + m + ".mp4.part", "Mine/002 - b [2]" + m + ".mp4"})
    file(doomed, "the job's");
  const std::vector<std::string> kept = {"a [1].mp4", "a [1].ctmp.mp4", "a [1].ctmp-0123456789ac.mp4",
                                         "Mine/001 - a [1].mp4", "notes.txt"};
  for (const std::string& name : kept) file(name);
  fs::create_directory(folder / ("folder" + m));
  fs::create_symlink(outside / ("x" + m + ".mp4"), folder / ("link" + m + ".mp4"));
  fs::create_directory_symlink(outside, folder / "Linked");

  EXPECT_EQ(removeFilesOf(recordOf(false)).size(), 2u);
  std::vector<std::wstring> removed = removeFilesOf(recordOf(true, {L"Mine"}));
  std::sort(removed.begin(), removed.end());
  EXPECT_EQ(removed, (std::vector<std::wstring>{utf8ToWide("List/001 - a [1]" + m + ".mp4.part"),
                                                utf8ToWide("Mine/002 - b [2]" + m + ".mp4")}));
  for (const std::string& name : kept) EXPECT_EQ(test::readFile(folder / name), "mine") << name;
  EXPECT_EQ(namesIn(folder),
            (std::vector<std::string>{"Linked", "Mine", "a [1].ctmp-0123456789ac.mp4", "a [1].ctmp.mp4",
                                      "a [1].mp4", "folder" + m, "link" + m + ".mp4", "notes.txt"}));
  EXPECT_EQ(namesIn(outside), std::vector<std::string>{"x" + m + ".mp4"});

  // A recorded folder that a link has replaced since is not the job's folder.
  file("a [1]" + m + ".mp4", "the job's");
  const fs::path moved = test::Sandbox::current().root() / "Saves moved";
  fs::rename(folder, moved);
  fs::create_directory_symlink(moved, folder);
  EXPECT_TRUE(removeFilesOf({fromPath(folder), aMarker, true, {}}).empty());
  EXPECT_TRUE(fs::exists(moved / ("a [1]" + m + ".mp4")));
}

// The setup job at start sweeps: one line for what a record's job left, one for a damaged record
// (whose folder is never touched), every record dropped.
TEST_F(SweepTest, SetupJobDropsEveryRecordAndLogsOneLineEach) {
  ASSERT_FALSE(test::Sandbox::current().exposeTool("yt-dlp").empty());
  const std::string m = wideToUtf8(aMarker);
  file("a [1]" + m + ".mp4.part", "the job's");
  file("b" + m + ".mp4", "another record's");
  ASSERT_TRUE(writeJobRecord(recordOf(false)));
  const JobRecord damaged{fromPath(fs::canonical(folder)), L".ctmp-ffffffffffff", false, {}};
  std::string cut = serializeJobRecord(damaged);
  cut.resize(cut.size() - 4);
  test::writeFile(jobRecordPath(damaged.marker), cut);
  file("c.ctmp-ffffffffffff.mp4", "the damaged record's");
  test::writeFile(jobRecordsFolder() / "elsewhere.job", serializeJobRecord(recordOf(false)));  // not its name

  DownloadRequest setup;
  setup.kind = 0;
  downloadJobMain(setup);
  EXPECT_TRUE(jobRecordsLeft().empty());
  EXPECT_EQ(namesIn(folder), std::vector<std::string>{"c.ctmp-ffffffffffff.mp4"});
  std::vector<std::wstring> sweepLines;
  for (const std::wstring& line : logLines())
    if (startsWith(line, L"Removed what") || startsWith(line, L"Dropped")) sweepLines.push_back(line);
  const std::wstring records = fromPath(jobRecordsFolder());
  EXPECT_EQ(sweepLines,
            (std::vector<std::wstring>{
                L"Removed what an interrupted download left in " + fromPath(fs::canonical(folder)) +
                    L": a [1]" + aMarker + L".mp4.part, b" + aMarker + L".mp4",
                L"Dropped a damaged record of an interrupted download: " + records + L"/elsewhere.job",
                L"Dropped a damaged record of an interrupted download: " + records + L"/ffffffffffff.job",
            }));
}

// The real job in a process of its own, killed with SIGKILL at one stage.
class InterruptedDownload : public test::DownloadJobTest {
 protected:
  void TearDown() override { killSurvivors(); }

  // Files a user might have beside the job's: its final name, the plain marker, another job's.
  void placeUserFiles(const std::string& title) {
    for (const std::string& name : userFiles(title)) test::writeFile(folder / name, "mine");
    fs::create_directory(folder / "Mine");
    test::writeFile(folder / "Mine" / (title + ".ctmp-00000000000a.mp4"), "mine");
  }
  static std::vector<std::string> userFiles(const std::string& title) {
    return {title + ".mp4", title + ".ctmp.mp4", title + ".ctmp-000000000000.mp4", title + ".ctmp-.mp4",
            "notes.txt"};
  }

  void startHost(const DownloadRequest& request) {
    output = test::Sandbox::current().makeFolder("host") / "output.txt";
    ASSERT_TRUE(host.start({TARNWICK_JOB_HOST, wideToUtf8(request.url), wideToUtf8(request.folder),
                            std::to_string(request.videoFormat), request.wholePlaylist ? "1" : "0"},
                           output));
  }

  // Polls the save folder and the host's output until `ready` holds, or a minute has passed.
  bool waitFor(
      const std::function<bool(const std::vector<std::string>& files, const std::string& output)>& ready) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (std::chrono::steady_clock::now() < deadline) {
      if (ready(savedFiles(), test::readFile(output))) return true;
      if (!host.running()) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));  // the file system has no event to wait on
    }
    return false;
  }
  static bool anyNamed(const std::vector<std::string>& files, std::string_view part) {
    return std::any_of(files.begin(), files.end(),
                       [&](const std::string& file) { return file.find(part) != std::string::npos; });
  }

  // The tools the job had started and that outlived its host (there must be none), killed so
  // that nothing writes into the folder after the sweep.
  std::vector<std::string> killSurvivors() {
    std::vector<std::string> survivors = leftoverProcesses();
    for (const std::string& survivor : survivors) ::kill(std::stoi(survivor), SIGKILL);
    if (!survivors.empty()) {
      EXPECT_TRUE(leftoverProcesses().empty());
    }
    return survivors;
  }

  // Kills the host, then runs the next start's sweep and checks that only the user's files, each
  // whole, are left: those of placeUserFiles and `moreOfTheUser`.
  void killAndSweep(const std::string& title, const std::vector<std::string>& moreOfTheUser = {}) {
    host.signal(SIGKILL);
    ASSERT_TRUE(host.wait(std::chrono::seconds(10)));
    EXPECT_EQ(killSurvivors(), std::vector<std::string>{}) << "tools outlived the killed job";
    ASSERT_EQ(jobRecordsLeft().size(), 1u);
    ASSERT_TRUE(anyNamed(savedFiles(), ".ctmp-")) << "nothing of the job's to sweep";

    sweepInterruptedJobs();
    std::vector<std::string> expected = moreOfTheUser;
    for (const std::string& name : userFiles(title)) expected.push_back(name);
    expected.push_back("Mine/" + title + ".ctmp-00000000000a.mp4");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(savedFiles(), expected);
    for (const std::string& name : expected) EXPECT_EQ(test::readFile(folder / name), "mine") << name;
    EXPECT_TRUE(jobRecordsLeft().empty());
    std::vector<std::wstring> log = recorder.texts(WM_APP_LOG);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_TRUE(
        startsWith(log[0], L"Removed what an interrupted download left in " + fromPath(folder) + L": "))
        << wideToUtf8(log[0]);
  }

  test::ChildProcess host;
  fs::path output;
};

TEST_F(InterruptedDownload, DuringAPlaylistDownload) {
  std::string bytes = serveClip("a.mp4", MediaKind::mp4H264Aac);
  serveClip("b.mp4", MediaKind::mp4H264Aac);
  servePlaylistPage("/list.html", "Two Clips", {"a.mp4", "b.mp4"});
  placeUserFiles("Two Clips (1) [list-1]");
  server.throttle(2048, std::chrono::milliseconds(5));
  server.holdAfter("/a.mp4", bytes.size() / 2);
  DownloadRequest request = videoRequest("/list.html", 4);
  request.wholePlaylist = true;
  startHost(request);
  ASSERT_TRUE(server.waitUntilHeld());
  ASSERT_TRUE(waitFor([](const auto& files, const auto&) { return anyNamed(files, ".part"); }));
  // The subfolder the job made goes with its files; "Mine" was there before.
  killAndSweep("Two Clips (1) [list-1]");
  EXPECT_FALSE(fs::exists(folder / "Two Clips"));
}

TEST_F(InterruptedDownload, DuringYtDlpsMerge) {
  paceFfmpegRunsMatching("*\"-i \"*\"-i \"*.temp.*");  // two inputs into yt-dlp's temporary name
  serveDashManifest("/manifest.mpd");
  placeUserFiles("manifest [manifest]");
  startHost(videoRequest("/manifest.mpd", 0));
  ASSERT_TRUE(waitFor([](const auto& files, const std::string& output) {
    return output.find("[Merger]") != std::string::npos && anyNamed(files, ".temp.mp4");
  })) << test::readFile(output);
  killAndSweep("manifest [manifest]");
}

TEST_F(InterruptedDownload, DuringTheConversionKeepingAnOlderResult) {
  paceFfmpegRunsMatching(jobConversionArguments);
  serveClip("clip.mp4", MediaKind::mp4H264Aac, 6.0);
  placeUserFiles("clip [clip]");
  test::writeFile(folder / "clip [clip].avi", "mine");  // an older download under the final name
  startHost(videoRequest("/clip.mp4", 4));
  ASSERT_TRUE(waitFor([](const auto& files, const std::string& output) {
    return output.find("Converting to AVI") != std::string::npos && anyNamed(files, ".conv.avi");
  })) << test::readFile(output);
  killAndSweep("clip [clip]", {"clip [clip].avi"});
}

}  // namespace
}  // namespace tarnwick
