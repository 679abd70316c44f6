// The setup on Windows: the components come from a loopback server through URLMon and are
// unpacked by tar.exe. Wine has no tar.exe, so a stand-in built beside this test plays its part
// (helpers/tar_stand_in_win32.cpp); the tools are a small Windows program of the same kind.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <map>

#include "base/job_control.h"
#include "base/text.h"
#include "loopback_server.h"
#include "sandbox.h"
#include "setup/archive_install.h"
#include "setup/file_download.h"
#include "setup/setup_overrides.h"
#include "setup/setup_sequence.h"
#include "setup/tools_folder.h"
#include "setup_test_common.h"
#include "stored_zip.h"

namespace tarnwick {
namespace {
namespace fs = std::filesystem;
using test::ChannelTap;
using test::Sandbox;
using test::zipFile;

fs::path testFolder() {
  wchar_t buffer[MAX_PATH];
  DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
  return fs::path(std::wstring(buffer, length)).parent_path();
}

const std::string ffmpegName = "ffmpeg-master-latest-win64-gpl";
const std::string ffmpegTop = ffmpegName + "/";

class SetupOnWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    cancelRequested = false;
    tools_ = toPath(toolsFolder());
    fs::remove_all(tools_);
    setup::setProgramFolderForTesting(Sandbox::current().makeFolder("program"));
    setup::setTarProgramForTesting(testFolder() / "setup_tar_stand_in.exe");
    tool_ = test::readFile(testFolder() / "setup_tool_stand_in.exe");
    ASSERT_FALSE(tool_.empty());
    files_["/yt-dlp.exe"] = tool_;
    files_["/deno-x86_64-pc-windows-msvc.zip"] = test::makeStoredZip({zipFile("deno.exe", tool_)});
    files_["/ffmpeg-master-latest-win64-gpl.zip"] = test::makeStoredZip({
        test::zipFolder(ffmpegTop),
        zipFile(ffmpegTop + "bin/ffmpeg.exe", tool_),
        zipFile(ffmpegTop + "bin/ffplay.exe", tool_),
        zipFile(ffmpegTop + "doc/ffmpeg.html", "<html>"),
        zipFile(ffmpegTop + "LICENSE.txt", "GPL"),
    });
    lists_["/SHA2-256SUMS"] = test::sha256sumLine(files_["/yt-dlp.exe"], "yt-dlp.exe");
    lists_["/deno-x86_64-pc-windows-msvc.zip.sha256sum"] =
        test::sha256sumLine(files_["/deno-x86_64-pc-windows-msvc.zip"], "deno-x86_64-pc-windows-msvc.zip");
    lists_["/checksums.sha256"] =
        test::sha256sumLine(files_["/ffmpeg-master-latest-win64-gpl.zip"], "ffmpeg-master-latest-win64-gpl.zip");
    for (const auto& [path, body] : files_)
      server_.server().Get(path, [this, path = path](const httplib::Request&, httplib::Response& res) {
        res.set_content(files_[path], "application/octet-stream");
      });
    for (const auto& [path, body] : lists_)
      server_.server().Get(path, [this, path = path](const httplib::Request&, httplib::Response& res) {
        res.set_content(lists_[path], "text/plain");
      });
    // Half the body, then the user's Cancel, then the rest: complete, yet cancelled.
    server_.server().Get("/cancelled", [this](const httplib::Request&, httplib::Response& res) {
      res.set_content_provider(tool_.size(), "application/octet-stream",
                               [this](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                                 std::size_t half = tool_.size() / 2;
                                 if (offset == 0) {
                                   sink.write(tool_.data(), half);
                                   cancelRequested = true;
                                   return true;
                                 }
                                 return sink.write(tool_.data() + half, tool_.size() - half);
                               });
    });
    // Half the body, then nothing until the test ends.
    server_.server().Get("/stalled", [this](const httplib::Request&, httplib::Response& res) {
      res.set_content_provider(tool_.size(), "application/octet-stream",
                               [this](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                                 if (offset == 0) return sink.write(tool_.data(), tool_.size() / 2);
                                 std::unique_lock guard(stallLock_);
                                 stallEnd_.wait(guard, [this] { return stallsReleased_; });
                                 return false;
                               });
    });
    // A length announced, half of it sent, then the connection closes.
    server_.server().Get("/truncated", [this](const httplib::Request&, httplib::Response& res) {
      res.set_content_provider(tool_.size(), "application/octet-stream",
                               [this](std::size_t, std::size_t, httplib::DataSink& sink) {
                                 sink.write(tool_.data(), tool_.size() / 2);
                                 return false;
                               });
    });
    server_.start();
    setup::setComponentSourcesForTesting({server_.wideUrl("/yt-dlp.exe"),
                                          server_.wideUrl("/deno-x86_64-pc-windows-msvc.zip"),
                                          server_.wideUrl("/ffmpeg-master-latest-win64-gpl.zip")});
  }
  void TearDown() override {
    {
      std::lock_guard guard(stallLock_);
      stallsReleased_ = true;
    }
    stallEnd_.notify_all();
    server_.stop();
    setup::setTransferLimitsForTesting({});
    cancelRequested = false;
    setup::setProgramFolderForTesting(std::nullopt);
    setup::setTarProgramForTesting(std::nullopt);
  }


  fs::path tools_;
  std::string tool_;
  std::map<std::string, std::string> files_, lists_;
  std::mutex stallLock_;
  std::condition_variable stallEnd_;
  bool stallsReleased_ = false;
  test::LoopbackServer server_;
};

TEST_F(SetupOnWindows, AFirstStartInstallsTheThreeComponentsIntoTheToolsFolder) {
  ChannelTap tap;
  ASSERT_TRUE(setupComponents(false)) << testing::PrintToString(tap.errorLines());
  EXPECT_EQ(tools_, Sandbox::current().root() / "data" / "Tarnwick" / "tools");
  const fs::path ffmpegBin = tools_ / "ffmpeg" / ffmpegName / "bin";
  EXPECT_EQ(findTool(L"yt-dlp.exe"), fromPath(tools_ / "yt-dlp.exe"));
  EXPECT_EQ(findTool(L"deno.exe"), fromPath(tools_ / "deno" / "deno.exe"));
  EXPECT_EQ(findTool(L"ffmpeg.exe"), fromPath(ffmpegBin / "ffmpeg.exe"));
  for (const fs::path& tool : {tools_ / "yt-dlp.exe", tools_ / "deno" / "deno.exe", ffmpegBin / "ffmpeg.exe"})
    EXPECT_TRUE(test::readFile(tool) == tool_) << tool;
  // The player and the documents go; the archives and the staging folder leave nothing behind.
  EXPECT_EQ(test::treeOf(tools_), (std::vector<std::string>{
                                      "deno",
                                      "deno\\deno.exe",
                                      "ffmpeg",
                                      "ffmpeg\\ffmpeg-master-latest-win64-gpl",
                                      "ffmpeg\\ffmpeg-master-latest-win64-gpl\\LICENSE.txt",
                                      "ffmpeg\\ffmpeg-master-latest-win64-gpl\\bin",
                                      "ffmpeg\\ffmpeg-master-latest-win64-gpl\\bin\\ffmpeg.exe",
                                      "yt-dlp.exe",
                                  }));
  EXPECT_FALSE(fs::exists(toPath(stagingRoot()) / "deno"));
  EXPECT_EQ(tap.errorLines(), std::vector<std::string>{});
  // Each download's progress ends complete.
  int completed = 0;
  for (const test::Recorded& r : tap.messages()) completed += r.id == WM_APP_PROGRESS && r.lParam == 0 && r.wParam == 1000;
  EXPECT_EQ(completed, 3);
}

TEST_F(SetupOnWindows, AFailedOrCancelledDownloadLeavesNoFileUnderTheFinalName) {
  struct Case {
    const char* path;
    std::string sha256;        // expected
    const char* error;         // the log line's part; empty: none
    bool cancelOnProgress;     // the user cancels once the first data has arrived
  };
  const std::string rightHash = test::sha256sumLine(tool_, "x").substr(0, 64);
  const Case cases[] = {
      {"/missing", "", "failed (HTTP 404).", false},
      {"/truncated", "", "failed (cut short after ", false},
      {"/yt-dlp.exe", std::string(64, '0'), "does not match its published checksum.", false},
      {"/cancelled", rightHash, "", false},
      {"/stalled", "", "failed (timed out: no data for 1 s).", false},
      // Cancel must end a silent transfer at once, long before the silence limit would.
      {"/stalled", "", "", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    for (bool olderCopy : {false, true}) {
      cancelRequested = false;
      setup::TransferLimits limits;
      limits.silence = std::chrono::seconds(c.cancelOnProgress ? 60 : 1);
      setup::setTransferLimitsForTesting(limits);
      const fs::path target = Sandbox::current().makeFolder("downloads") / "yt-dlp.exe";
      if (olderCopy) test::writeFile(target, "older");
      ChannelTap tap([&](const test::Recorded& r) {
        if (c.cancelOnProgress && r.id == WM_APP_PROGRESS && r.lParam == 0) cancelRequested = true;
      });
      const auto start = std::chrono::steady_clock::now();
      EXPECT_FALSE(downloadFile(server_.wideUrl(c.path), fromPath(target), L"yt-dlp", true, c.sha256));
      EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
      EXPECT_TRUE(test::readFile(target) == (olderCopy ? "older" : ""));
      EXPECT_EQ(fs::exists(target), olderCopy);
      EXPECT_FALSE(fs::exists(fs::path(target) += ".part"));
      std::vector<std::string> errors = tap.errorLines();
      if (*c.error == '\0') {
        EXPECT_EQ(errors, std::vector<std::string>{});
      } else {
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_NE(errors[0].find(c.error), std::string::npos) << errors[0];
      }
    }
  }
  cancelRequested = false;
  // The same server and file, neither cut short nor cancelled: the download works.
  const fs::path target = Sandbox::current().makeFolder("downloads") / "yt-dlp.exe";
  EXPECT_TRUE(downloadFile(server_.wideUrl("/yt-dlp.exe"), fromPath(target), L"yt-dlp", true, rightHash));
  EXPECT_TRUE(test::readFile(target) == tool_);
}

TEST_F(SetupOnWindows, AnArchiveEntryThatWouldLandOutsideTheFolderIsRefused) {
  struct Case {
    test::ZipEntry entry;
    const char* why;
  };
  const Case cases[] = {
      {zipFile("../evil.exe", "x"), "it would land outside the folder"},
      {zipFile("bin/../../evil.exe", "x"), "it would land outside the folder"},
      {zipFile("..\\evil.exe", "x"), "it would land outside the folder"},
      {zipFile("/evil.exe", "x"), "it would land outside the folder"},
      {zipFile("\\evil.exe", "x"), "it would land outside the folder"},
      {zipFile("C:/evil.exe", "x"), "it would land outside the folder"},
      {zipFile("C:evil.exe", "x"), "it would land outside the folder"},
      {test::zipLink("bin", "../.."), "it is a link"},
      {test::zipLink("evil.exe", "C:/Windows/evil.exe"), "it is a link"},
  };
  const fs::path component = tools_ / "deno";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.entry.name);
    fs::create_directories(tools_);
    const fs::path archive = tools_ / "deno.zip";
    test::writeFile(archive, test::makeStoredZip({zipFile("deno.exe", tool_), c.entry, zipFile("after.txt", "x")}));
    ChannelTap tap;
    EXPECT_FALSE(extractZip(fromPath(archive), fromPath(component), L"Deno", L"deno.exe"));
    EXPECT_EQ(tap.errorLines(), (std::vector<std::string>{
                                   "Error: deno.zip: refused entry \"" + c.entry.name + "\" (" + c.why + ").",
                               }));
    EXPECT_FALSE(fs::exists(component));
    EXPECT_FALSE(fs::exists(archive));
    EXPECT_FALSE(fs::exists(toPath(stagingRoot()) / "deno"));
    for (const auto& entry : fs::recursive_directory_iterator(Sandbox::current().root()))
      EXPECT_NE(entry.path().filename(), "evil.exe") << entry.path();
  }
  // Without the hostile entry the archive installs, and a later one replaces that installation whole.
  const fs::path archive = tools_ / "deno.zip";
  for (const char* extra : {"after.txt", "added.txt"}) {
    test::writeFile(archive, test::makeStoredZip({zipFile("deno.exe", tool_), zipFile(extra, "x")}));
    EXPECT_TRUE(extractZip(fromPath(archive), fromPath(component), L"Deno", L"deno.exe", L"--version"));
    EXPECT_EQ(test::treeOf(component), (std::vector<std::string>{extra, "deno.exe"}));
  }
  EXPECT_FALSE(fs::exists(toPath(stagingRoot()) / "deno"));
}

TEST_F(SetupOnWindows, TarsComplaintsAndAMissingTarBecomeLogLines) {
  struct Case {
    const char* what;
    std::string archive;
    fs::path tar;  // empty: the stand-in
    std::vector<std::string> errors;
  };
  const fs::path missingTar = Sandbox::current().root() / "System32" / "tar.exe";
  const Case cases[] = {
      {"not an archive", "plain text", {},
       {"Error: deno.zip: tar: Error opening archive: Unrecognized archive format",
        "Error: deno.zip: tar.exe ended with exit code 1."}},
      {"no tar.exe", test::makeStoredZip({zipFile("deno.exe", tool_)}), missingTar,
       {"Error: deno.zip: Windows' tar.exe is missing (" + wideToUtf8(fromPath(missingTar)) + ")."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (!c.tar.empty()) setup::setTarProgramForTesting(c.tar);
    fs::create_directories(tools_);
    test::writeFile(tools_ / "deno.zip", c.archive);
    ChannelTap tap;
    EXPECT_FALSE(extractZip(fromPath(tools_ / "deno.zip"), fromPath(tools_ / "deno"), L"Deno", L"deno.exe"));
    EXPECT_EQ(tap.errorLines(), c.errors);
    EXPECT_FALSE(fs::exists(tools_ / "deno"));
    EXPECT_FALSE(fs::exists(tools_ / "deno.zip"));
  }
}

}  // namespace
}  // namespace tarnwick
