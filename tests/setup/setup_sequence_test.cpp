#include "setup/setup_sequence.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <map>

#include "base/command_line.h"
#include "base/job_control.h"
#include "base/process_runner.h"
#include "base/text.h"
#include "base/worker_texts.h"
#include "loopback_server.h"
#include "sandbox.h"
#include "setup/setup_overrides.h"
#include "setup/tools_folder.h"
#include "setup_test_support.h"

namespace tarnwick {
namespace {
namespace fs = std::filesystem;
using test::ArchiveFormat;
using test::ChannelTap;
using test::fileEntry;
using test::folderEntry;
using test::Recorded;
using test::Sandbox;

// The standalone yt-dlp as the server hands it out: a current build that updates politely.
const std::string currentYtDlp =
    "#!/bin/sh\n"
    "case \"$1\" in\n"
    "  --version) echo 2026.11.23 ;;\n"
    "  -U) echo 'Latest version: stable@2026.11.23 from yt-dlp/yt-dlp'\n"
    "      echo 'yt-dlp is up to date (stable@2026.11.23 from yt-dlp/yt-dlp)' ;;\n"
    "esac\n";

// A yt-dlp on PATH that writes down how it was called, answers --version with `version` and
// refuses -U the way package-managed copies do.
std::string packagedYtDlp(const std::string& version, const fs::path& calls) {
  return "#!/bin/sh\n"
         "echo \"$*\" >> '" +
         calls.string() +
         "'\n"
         "case \"$1\" in\n"
         "  --version) echo " +
         version +
         " ;;\n"
         "  -U) echo 'ERROR: You installed yt-dlp with a package manager or setup.py; Use that to update'\n"
         "      exit 1 ;;\n"
         "esac\n";
}

// Each checksum list beside the release download it covers.
const std::map<std::string, std::string> checksumLists = {
    {"/SHA2-256SUMS", "/yt-dlp_linux"},
    {"/deno.zip.sha256sum", "/deno.zip"},
    {"/checksums.sha256", "/ffmpeg.tar.xz"},
};

class SetupSequence : public ::testing::Test {
 protected:
  void SetUp() override {
    cancelRequested = false;
    tools_ = toPath(toolsFolder());
    fs::remove_all(tools_);
    calls_ = Sandbox::current().root() / "calls.txt";

    fs::path realFfmpeg = Sandbox::realTool("ffmpeg");
    ASSERT_FALSE(realFfmpeg.empty()) << "ffmpeg must be installed for the setup tests";
    files_["/yt-dlp_linux"] = currentYtDlp;
    files_["/deno.zip"] =
        test::makeArchive(ArchiveFormat::zip, {fileEntry("deno", "#!/bin/sh\necho deno 2.5.0\n", 0755)});
    files_["/ffmpeg.tar.xz"] = test::makeArchive(
        ArchiveFormat::tarXz,
        {
            folderEntry("ffmpeg-master-latest-linux64-gpl/"),
            fileEntry("ffmpeg-master-latest-linux64-gpl/bin/ffmpeg", test::readFile(realFfmpeg), 0755),
            fileEntry("ffmpeg-master-latest-linux64-gpl/bin/ffplay", "player", 0755),
            fileEntry("ffmpeg-master-latest-linux64-gpl/doc/ffmpeg.html", "<html>"),
            fileEntry("ffmpeg-master-latest-linux64-gpl/LICENSE.txt", "GPL"),
        });
    for (const auto& [path, body] : files_) {
      server_.server().Get(path, [this, path = path](const httplib::Request&, httplib::Response& res) {
        ++requests_[path];
        if (path == missing_) {
          res.status = 404;
          return;
        }
        if (path == truncated_) {
          // Half the body, no length announced, then the connection closes: looks complete.
          res.set_content_provider("application/octet-stream",
                                   [this, path](std::size_t, httplib::DataSink& sink) {
                                     sink.write(files_[path].data(), files_[path].size() / 2);
                                     return false;
                                   });
          return;
        }
        res.set_content(files_[path], "application/octet-stream");
      });
    }
    for (const auto& [list, path] : checksumLists) {
      server_.server().Get(list, [this, list = list, path = path](const httplib::Request&,
                                                                  httplib::Response& res) {
        if (list == missing_) {
          res.status = 404;
          return;
        }
        auto replaced = replacedLists_.find(list);
        res.set_content(replaced != replacedLists_.end() ? replaced->second
                                                         : test::sha256sumLine(files_[path], path.substr(1)),
                        "text/plain");
      });
    }
    server_.start();
    setup::setComponentSourcesForTesting(
        {server_.wideUrl("/yt-dlp_linux"), server_.wideUrl("/deno.zip"), server_.wideUrl("/ffmpeg.tar.xz")});
  }
  void TearDown() override {
    server_.stop();
    cancelRequested = false;
    for (const char* tool : {"yt-dlp", "deno", "ffmpeg"}) fs::remove(Sandbox::current().bin() / tool);
    fs::remove(calls_);
    setup::setProgramFolderForTesting(std::nullopt);
  }

  int requests(const std::string& path) const {
    auto it = requests_.find(path);
    return it == requests_.end() ? 0 : it->second.load();
  }
  std::string calls() const { return test::readFile(calls_); }
  void placeOnPath(const std::string& tool, const std::string& script) {
    Sandbox::current().writeScript(tool, script);
  }

  // The messages as one line each; a download's progress run (pairs of value and megabytes,
  // checked here) becomes one "progress" line.
  std::vector<std::string> transcript(ChannelTap& tap) {
    std::vector<Recorded> all = tap.messages();
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < all.size(); ++i) {
      const Recorded& r = all[i];
      if (r.id == WM_APP_PROGRESS && r.lParam == 0) {
        lines.push_back(progressRun(all, i));
        continue;
      }
      std::string kind = r.id == WM_APP_LOG ? "log " : r.id == WM_APP_STATUS ? "status " : "?";
      lines.push_back(r.id == WM_APP_PROGRESS ? "progress indeterminate" : kind + wideToUtf8(r.text));
    }
    return lines;
  }
  std::string progressRun(const std::vector<Recorded>& all, std::size_t& i) {
    const std::wstring prefix = L"Setting up: downloading ";
    std::wstring name;
    long last = -1;
    for (; i + 1 < all.size() && all[i].id == WM_APP_PROGRESS && all[i].lParam == 0; i += 2) {
      const std::wstring& status = all[i + 1].text;
      std::size_t dot = status.find(L"  \u00B7  ");
      EXPECT_EQ(all[i + 1].id, WM_APP_STATUS);
      EXPECT_TRUE(startsWith(status, prefix) && dot != std::wstring::npos) << wideToUtf8(status);
      if (dot == std::wstring::npos) break;
      name = status.substr(prefix.size(), dot - prefix.size());
      EXPECT_GT(static_cast<long>(all[i].wParam), last) << "each tenth of a percent once, rising";
      last = static_cast<long>(all[i].wParam);
      std::optional<double> done = parseDouble(status.substr(dot + 5));
      std::size_t slash = status.find(L" / ", dot);
      std::optional<double> total =
          slash == std::wstring::npos ? std::nullopt : parseDouble(status.substr(slash + 3));
      EXPECT_TRUE(done && total && *done <= *total && endsWith(status, L" MB")) << wideToUtf8(status);
    }
    --i;
    EXPECT_EQ(last, 1000) << "a download ends complete";
    return "progress of " + wideToUtf8(name);
  }

  fs::path tools_;
  fs::path calls_;
  std::map<std::string, std::string> files_;
  std::map<std::string, std::atomic<int>> requests_;
  std::string missing_;    // answered with 404
  std::string truncated_;  // cut short without a length
  std::map<std::string, std::string> replacedLists_;
  test::LoopbackServer server_;
};

TEST_F(SetupSequence, AFirstStartInstallsYtDlpDenoAndFfmpegInThatOrder) {
  ChannelTap tap;
  ASSERT_TRUE(setupComponents(true));
  EXPECT_EQ(transcript(tap), (std::vector<std::string>{
                                 "status Preparing components …",
                                 "progress indeterminate",
                                 "log Setting up: downloading yt-dlp …",
                                 "progress indeterminate",
                                 "status Setting up: downloading yt-dlp …",
                                 "progress of yt-dlp",
                                 "log Setting up: downloading Deno …",
                                 "progress indeterminate",
                                 "status Setting up: downloading Deno …",
                                 "progress of Deno",
                                 "progress indeterminate",
                                 "status Setting up: extracting Deno …",
                                 "log Setting up: downloading ffmpeg …",
                                 "progress indeterminate",
                                 "status Setting up: downloading ffmpeg …",
                                 "progress of ffmpeg",
                                 "progress indeterminate",
                                 "status Setting up: extracting ffmpeg …",
                             }));
  const fs::path ffmpeg = tools_ / "ffmpeg" / "ffmpeg-master-latest-linux64-gpl" / "bin" / "ffmpeg";
  EXPECT_EQ(findTool(L"yt-dlp"), fromPath(tools_ / "yt-dlp"));
  EXPECT_EQ(findTool(L"deno"), fromPath(tools_ / "deno" / "deno"));
  EXPECT_EQ(findTool(L"ffmpeg"), fromPath(ffmpeg));
  EXPECT_FALSE(fs::exists(ffmpeg.parent_path() / "ffplay"));
  EXPECT_FALSE(fs::exists(ffmpeg.parent_path().parent_path() / "doc"));
  EXPECT_FALSE(fs::exists(toPath(stagingRoot()) / "ffmpeg"));

  // The unpacked ffmpeg is the real one and runs.
  std::vector<std::wstring> output;
  int exitCode = runProcess(
      quoteArgument(fromPath(ffmpeg)) + L" -hide_banner -version",
      [&](const std::wstring& line) { output.push_back(line); }, downloadProcessJob, false);
  EXPECT_EQ(exitCode, 0);
  ASSERT_FALSE(output.empty());
  EXPECT_TRUE(startsWith(output[0], L"ffmpeg version")) << wideToUtf8(output[0]);

  // A second start updates the yt-dlp it finds and downloads nothing.
  tap.clear();
  ASSERT_TRUE(setupComponents(true));
  EXPECT_EQ(transcript(tap), (std::vector<std::string>{
                                 "status Preparing components …",
                                 "progress indeterminate",
                                 "status Updating yt-dlp …",
                                 "log Updating yt-dlp …",
                                 "log Latest version: stable@2026.11.23 from yt-dlp/yt-dlp",
                                 "log yt-dlp is up to date (stable@2026.11.23 from yt-dlp/yt-dlp)",
                             }));
  for (const auto& [path, body] : files_) EXPECT_EQ(requests(path), 1) << path;
}

TEST_F(SetupSequence, APackagedYtDlpTooOldToUpdateMakesWayForTheStandaloneBuild) {
  placeOnPath("yt-dlp", packagedYtDlp("2023.03.04", calls_));
  placeOnPath("deno", "#!/bin/sh\n");
  placeOnPath("ffmpeg", "#!/bin/sh\n");
  const std::wstring packaged = fromPath(Sandbox::current().bin() / "yt-dlp");
  ChannelTap tap;
  ASSERT_TRUE(setupComponents(true));
  EXPECT_EQ(calls(), "-U --no-colors\n--version\n");
  EXPECT_EQ(transcript(tap),
            (std::vector<std::string>{
                "status Preparing components …",
                "progress indeterminate",
                "status Updating yt-dlp …",
                "log Updating yt-dlp …",
                "log ERROR: You installed yt-dlp with a package manager or setup.py; Use that to update",
                "log The yt-dlp at " + wideToUtf8(packaged) + " is too old to use.",
                "log Setting up: downloading yt-dlp …",
                "progress indeterminate",
                "status Setting up: downloading yt-dlp …",
                "progress of yt-dlp",
            }));
  EXPECT_EQ(findTool(L"yt-dlp"), fromPath(tools_ / "yt-dlp")) << "the tools folder's copy wins over PATH";
  EXPECT_EQ(requests("/deno.zip") + requests("/ffmpeg.tar.xz"), 0);

  // From then on the standalone build is the one updated; the packaged one is left alone.
  fs::remove(calls_);
  tap.clear();
  ASSERT_TRUE(setupComponents(true));
  EXPECT_EQ(calls(), "");
  EXPECT_EQ(requests("/yt-dlp_linux"), 1);
}

TEST_F(SetupSequence, AnOutdatedYtDlpBesideTheProgramIsPassedOverByEveryLookup) {
  const fs::path programFolder = Sandbox::current().makeFolder("app");
  setup::setProgramFolderForTesting(programFolder);
  const fs::path beside =
      Sandbox::current().writeScript("yt-dlp", packagedYtDlp("2023.03.04", calls_), programFolder);
  placeOnPath("deno", "#!/bin/sh\n");
  placeOnPath("ffmpeg", "#!/bin/sh\n");
  const std::wstring installed = fromPath(tools_ / "yt-dlp");
  ChannelTap tap;
  ASSERT_TRUE(setupComponents(true));
  EXPECT_EQ(requests("/yt-dlp_linux"), 1);
  EXPECT_EQ(findTool(L"yt-dlp"), installed) << "jobs run the copy the version check let through";

  // As on the next start: the old copy is a file the check has not seen, so it is asked again,
  // set aside again, and the installed copy is updated and used; nothing is downloaded.
  fs::last_write_time(beside, fs::last_write_time(beside) + std::chrono::seconds(1));
  fs::remove(calls_);
  tap.clear();
  ASSERT_TRUE(setupComponents(true));
  EXPECT_EQ(calls(), "-U --no-colors\n--version\n");
  EXPECT_EQ(requests("/yt-dlp_linux"), 1) << "no new download on every start";
  EXPECT_EQ(findTool(L"yt-dlp"), installed);
  EXPECT_EQ(tap.texts(WM_APP_LOG).back(), L"yt-dlp is up to date (stable@2026.11.23 from yt-dlp/yt-dlp)");

  // A current copy put beside the program takes its place ahead of the tools folder again.
  Sandbox::current().writeScript("yt-dlp", currentYtDlp, programFolder);
  EXPECT_EQ(findTool(L"yt-dlp"), fromPath(beside));
}

// A data folder whose name holds a quote, a blank and backslashes: the installed tools run from it.
class SetupSequenceInAnOddDataFolder : public SetupSequence {
 protected:
  void SetUp() override {
    ::setenv("XDG_DATA_HOME", (Sandbox::current().root() / "my \"data\" \\ x\\").c_str(), 1);
    SetupSequence::SetUp();
  }
};

TEST_F(SetupSequenceInAnOddDataFolder, InstalledToolsStartFromIt) {
  ASSERT_NE(toolsFolder().find(L'"'), std::wstring::npos) << "run through ctest: one process per test";
  ASSERT_TRUE(setupComponents(true));
  ChannelTap tap;
  ASSERT_TRUE(setupComponents(true));
  EXPECT_EQ(tap.texts(WM_APP_LOG), (std::vector<std::wstring>{
                                       L"Updating yt-dlp …",
                                       L"Latest version: stable@2026.11.23 from yt-dlp/yt-dlp",
                                       L"yt-dlp is up to date (stable@2026.11.23 from yt-dlp/yt-dlp)",
                                   }));
  EXPECT_EQ(requests("/yt-dlp_linux"), 1);
}

TEST_F(SetupSequence, ACurrentYtDlpOnPathIsOnlyUpdated) {
  placeOnPath("yt-dlp", packagedYtDlp("2026.11.23", calls_));
  ChannelTap tap;
  ASSERT_TRUE(setupComponents(true));
  EXPECT_EQ(calls(), "-U --no-colors\n--version\n");
  EXPECT_EQ(requests("/yt-dlp_linux"), 0);
  EXPECT_EQ(findTool(L"yt-dlp"), fromPath(Sandbox::current().bin() / "yt-dlp"));
  EXPECT_TRUE(fs::exists(tools_ / "deno" / "deno"));
}

TEST_F(SetupSequence, ADownloadJobInstallsWhatIsMissingWithoutUpdating) {
  placeOnPath("yt-dlp", packagedYtDlp("2025.11.12", calls_));
  placeOnPath("ffmpeg", "#!/bin/sh\n");
  ChannelTap tap;
  ASSERT_TRUE(setupComponents(false));
  EXPECT_EQ(calls(), "--version\n");
  for (const std::wstring& status : tap.texts(WM_APP_STATUS)) EXPECT_NE(status, L"Updating yt-dlp \u2026");
  EXPECT_EQ(requests("/deno.zip"), 1);
  EXPECT_EQ(requests("/yt-dlp_linux") + requests("/ffmpeg.tar.xz"), 0);
}

TEST_F(SetupSequence, TheFirstFailureEndsTheSequence) {
  {
    missing_ = "/deno.zip";
    ChannelTap tap;
    EXPECT_FALSE(setupComponents(true));
    EXPECT_EQ(tap.errorLines(), std::vector<std::string>{"Error: download of Deno failed (HTTP 404)."});
    EXPECT_EQ(requests("/ffmpeg.tar.xz"), 0) << "no ffmpeg attempt after a failed deno";
    EXPECT_EQ(findTool(L"yt-dlp"), fromPath(tools_ / "yt-dlp"));
    EXPECT_FALSE(fs::exists(tools_ / "deno"));
  }
  {
    // The next start retries only what is missing.
    missing_ = "/ffmpeg.tar.xz";
    ChannelTap tap;
    EXPECT_FALSE(setupComponents(true));
    EXPECT_EQ(tap.errorLines(), std::vector<std::string>{"Error: download of ffmpeg failed (HTTP 404)."});
    EXPECT_EQ(requests("/yt-dlp_linux"), 1);
    EXPECT_EQ(requests("/deno.zip"), 2);
  }
  {
    missing_.clear();
    files_["/ffmpeg.tar.xz"] = test::makeArchive(ArchiveFormat::tarXz, {fileEntry("../ffmpeg", "x", 0755)});
    ChannelTap tap;
    EXPECT_FALSE(setupComponents(true));
    EXPECT_EQ(tap.errorLines(),
              (std::vector<std::string>{
                  "Error: ffmpeg.tar.xz: refused entry \"../ffmpeg\" (it would land outside the folder).",
                  "Error: could not extract ffmpeg.",
              }));
    EXPECT_FALSE(fs::exists(tools_ / "ffmpeg"));
    EXPECT_FALSE(fs::exists(tools_.parent_path() / "ffmpeg"));
  }
}

// Nothing is unpacked or made executable before it matches its publisher's checksum list; a
// failed check keeps the previous installation and leaves nothing of the download behind.
TEST_F(SetupSequence, AComponentIsInstalledOnlyWhenItMatchesItsPublishedChecksum) {
  enum Fault { wrongHash, listMissing, listNamesOtherFiles, listUnreadable, bodyCutShort };
  struct Case {
    std::string file, list;
    Fault fault;
    std::string error;
  };
  const std::string wrongLine = std::string(64, 'a') + "  ";
  const Case cases[] = {
      {"/yt-dlp_linux", "/SHA2-256SUMS", wrongHash,
       "Error: the download of yt-dlp does not match its published checksum."},
      {"/yt-dlp_linux", "/SHA2-256SUMS", listMissing,
       "Error: the checksum list of yt-dlp could not be downloaded (HTTP 404)."},
      {"/yt-dlp_linux", "/SHA2-256SUMS", listNamesOtherFiles,
       "Error: the checksum list of yt-dlp holds no checksum for yt-dlp_linux."},
      {"/yt-dlp_linux", "/SHA2-256SUMS", bodyCutShort,
       "Error: the download of yt-dlp does not match its published checksum."},
      {"/deno.zip", "/deno.zip.sha256sum", wrongHash,
       "Error: the download of Deno does not match its published checksum."},
      {"/deno.zip", "/deno.zip.sha256sum", listMissing,
       "Error: the checksum list of Deno could not be downloaded (HTTP 404)."},
      {"/deno.zip", "/deno.zip.sha256sum", listUnreadable,
       "Error: the checksum list of Deno holds no checksum for deno.zip."},
      {"/deno.zip", "/deno.zip.sha256sum", bodyCutShort,
       "Error: the download of Deno does not match its published checksum."},
      {"/ffmpeg.tar.xz", "/checksums.sha256", wrongHash,
       "Error: the download of ffmpeg does not match its published checksum."},
      {"/ffmpeg.tar.xz", "/checksums.sha256", listMissing,
       "Error: the checksum list of ffmpeg could not be downloaded (HTTP 404)."},
      {"/ffmpeg.tar.xz", "/checksums.sha256", listNamesOtherFiles,
       "Error: the checksum list of ffmpeg holds no checksum for ffmpeg.tar.xz."},
      {"/ffmpeg.tar.xz", "/checksums.sha256", bodyCutShort,
       "Error: the download of ffmpeg does not match its published checksum."},
  };
  // Earlier components are present, so each case reaches its own; the previous installations
  // are an outdated yt-dlp (set aside, so replaced) and folders that hold no tool.
  placeOnPath("yt-dlp", packagedYtDlp("2026.11.23", calls_));
  placeOnPath("deno", "#!/bin/sh\n");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.error);
    fs::remove_all(tools_);
    fs::create_directories(tools_ / "deno");
    fs::create_directories(tools_ / "ffmpeg");
    test::writeFile(tools_ / "deno" / "old", "old");
    test::writeFile(tools_ / "ffmpeg" / "old", "old");
    Sandbox::current().writeScript("yt-dlp", packagedYtDlp("2023.03.04", calls_), tools_);
    if (c.file == "/yt-dlp_linux") fs::remove(Sandbox::current().bin() / "yt-dlp");
    if (c.file == "/deno.zip") fs::remove(Sandbox::current().bin() / "deno");
    const std::vector<std::string> before = test::treeOf(tools_);
    const std::string oldYtDlp = test::readFile(tools_ / "yt-dlp");
    missing_ = c.fault == listMissing ? c.list : "";
    truncated_ = c.fault == bodyCutShort ? c.file : "";
    replacedLists_.clear();
    if (c.fault == wrongHash) replacedLists_[c.list] = wrongLine + c.file.substr(1) + "\n";
    if (c.fault == listNamesOtherFiles)
      replacedLists_[c.list] = test::sha256sumLine(files_[c.file], "other" + c.file.substr(1));
    if (c.fault == listUnreadable) replacedLists_[c.list] = "<html>Not Found</html>";

    ChannelTap tap;
    EXPECT_FALSE(setupComponents(false));
    EXPECT_EQ(tap.errorLines(), std::vector<std::string>{c.error});
    EXPECT_EQ(test::treeOf(tools_), before);
    EXPECT_EQ(test::readFile(tools_ / "yt-dlp"), oldYtDlp);
    EXPECT_EQ(test::treeOf(toPath(stagingRoot())), std::vector<std::string>{});
    placeOnPath("yt-dlp", packagedYtDlp("2026.11.23", calls_));
    placeOnPath("deno", "#!/bin/sh\n");
  }
}

TEST_F(SetupSequence, AnUnreachableServerFailsAtYtDlp) {
  test::RefusingPort refusing;
  const std::wstring base = utf8ToWide("http://127.0.0.1:" + std::to_string(refusing.port()));
  setup::setComponentSourcesForTesting(
      {base + L"/yt-dlp_linux", base + L"/deno.zip", base + L"/ffmpeg.tar.xz"});
  ChannelTap tap;
  EXPECT_FALSE(setupComponents(true));
  EXPECT_EQ(tap.errorLines(),
            std::vector<std::string>{"Error: the checksum list of yt-dlp could not be downloaded "
                                     "(curl error 7: Couldn't connect to server)."});
  for (const std::wstring& line : tap.texts(WM_APP_LOG)) EXPECT_EQ(line.find(L"Deno"), std::wstring::npos);
}

TEST_F(SetupSequence, ACancelDuringTheDenoDownloadStopsEverythingQuietly) {
  files_["/deno.zip"] += std::string(4 * 1048576, '\0');  // long enough to be caught midway
  ChannelTap tap([](const Recorded& r) {
    if (r.id == WM_APP_STATUS && startsWith(r.text, L"Setting up: downloading Deno  \u00B7"))
      cancelRequested = true;
  });
  EXPECT_FALSE(setupComponents(true));
  EXPECT_TRUE(tap.errorLines().empty());
  EXPECT_EQ(requests("/ffmpeg.tar.xz"), 0);
  EXPECT_FALSE(fs::exists(tools_ / "deno.zip.part"));
  EXPECT_FALSE(fs::exists(tools_ / "deno.zip"));
  EXPECT_FALSE(fs::exists(tools_ / "deno"));
}

TEST_F(SetupSequence, ACancelBeforeTheUpdateKeepsYtDlpFromRunning) {
  placeOnPath("yt-dlp", packagedYtDlp("2026.11.23", calls_));
  ChannelTap tap([](const Recorded& r) {
    if (r.id == WM_APP_LOG && r.text == L"Updating yt-dlp \u2026") cancelRequested = true;
  });
  EXPECT_FALSE(setupComponents(true));
  EXPECT_EQ(calls(), "") << "the runner stops a child before it runs once a cancel is set";
  EXPECT_EQ(requests("/yt-dlp_linux") + requests("/deno.zip"), 0);
}

TEST_F(SetupSequence, StatusTextsComeFromTheInstalledLanguage) {
  placeOnPath("yt-dlp", packagedYtDlp("2026.11.23", calls_));
  placeOnPath("deno", "#!/bin/sh\n");
  placeOnPath("ffmpeg", "#!/bin/sh\n");
  installWorkerTextLookup([](int field, std::wstring_view) { return L"field " + std::to_wstring(field); });
  ChannelTap tap;
  bool ok = setupComponents(true);
  installWorkerTextLookup(nullptr);
  EXPECT_TRUE(ok);
  EXPECT_EQ(tap.texts(WM_APP_STATUS), (std::vector<std::wstring>{L"field 22", L"field 25"}));
}

TEST(YtDlpVersion, IsReadFromTheVersionLine) {
  EXPECT_EQ(parseYtDlpVersion(L"2023.03.04"), (YtDlpVersion{2023, 3, 4}));
  EXPECT_EQ(parseYtDlpVersion(L" 2025.11.12.232717\r"), (YtDlpVersion{2025, 11, 12}));
  EXPECT_LT(*parseYtDlpVersion(L"2025.11.11"), oldestUsableYtDlp);
  EXPECT_GE(*parseYtDlpVersion(L"2025.11.12"), oldestUsableYtDlp);
  EXPECT_GE(*parseYtDlpVersion(L"2026.01.02"), oldestUsableYtDlp);
  for (const wchar_t* bad :
       {L"", L"yt-dlp", L"2025", L"2025.11", L"2025.11.x", L"v2025.11.12", L"2025.11.12x"})
    EXPECT_EQ(parseYtDlpVersion(bad), std::nullopt) << wideToUtf8(bad);
}

}  // namespace
}  // namespace tarnwick
