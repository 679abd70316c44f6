#include "setup/archive_install.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/job_control.h"
#include "base/shared_library.h"
#include "base/text.h"
#include "loopback_server.h"
#include "sandbox.h"
#include "setup/archive_library_posix.h"
#include "setup/archive_unpack.h"
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
using test::hardlinkEntry;
using test::linkEntry;
using test::Recorded;
using test::Sandbox;
using test::treeOf;

bool isExecutable(const fs::path& p) {
  return (fs::status(p).permissions() & fs::perms::owner_exec) != fs::perms::none;
}

class ArchiveInstall : public ::testing::Test {
 protected:
  void SetUp() override {
    cancelRequested = false;
    tools_ = toPath(toolsFolder());
    staging_ = toPath(stagingRoot()) / "ffmpeg";
    fs::remove_all(tools_);
    fs::remove_all(staging_);
    fs::create_directories(tools_);
    server_.server().Get("/ffmpeg.tar.xz", [this](const httplib::Request&, httplib::Response& res) {
      res.set_content(served_, "application/octet-stream");
    });
    server_.server().Get("/checksums.sha256", [this](const httplib::Request&, httplib::Response& res) {
      res.set_content(test::sha256sumLine(served_, "ffmpeg.tar.xz"), "text/plain");
    });
    server_.server().Get("/yt-dlp_linux", [this](const httplib::Request&, httplib::Response& res) {
      res.set_content(servedYtDlp_, "application/octet-stream");
    });
    server_.server().Get("/SHA2-256SUMS", [this](const httplib::Request&, httplib::Response& res) {
      res.set_content(test::sha256sumLine(servedYtDlp_, "yt-dlp_linux"), "text/plain");
    });
    server_.start();
    setup::setComponentSourcesForTesting({server_.wideUrl("/yt-dlp_linux"), L"", L""});
  }
  void TearDown() override {
    server_.stop();
    cancelRequested = false;
    setup::setUnpackLimitsForTesting({});
  }

  // A previous installation that a failed one must leave alone.
  void installOld() {
    fs::create_directories(tools_ / "ffmpeg" / "old" / "bin");
    test::writeFile(tools_ / "ffmpeg" / "old" / "bin" / "ffmpeg", "#!/bin/sh\necho old\n");
    fs::permissions(tools_ / "ffmpeg" / "old" / "bin" / "ffmpeg", fs::perms::owner_all);
  }
  bool oldIsIntact() const {
    return treeOf(tools_ / "ffmpeg") == std::vector<std::string>{"old", "old/bin", "old/bin/ffmpeg"} &&
           test::readFile(tools_ / "ffmpeg" / "old" / "bin" / "ffmpeg") == "#!/bin/sh\necho old\n";
  }
  bool extract(ArchiveFormat format, const std::vector<test::ArchiveEntry>& entries) {
    fs::path archive = tools_ / "ffmpeg.archive";
    test::writeFile(archive, test::makeArchive(format, entries));
    return extractZip(fromPath(archive), fromPath(tools_ / "ffmpeg"), L"ffmpeg", L"ffmpeg");
  }
  bool install(ArchiveFormat format, const std::vector<test::ArchiveEntry>& entries) {
    served_ = test::makeArchive(format, entries);
    const std::wstring url = server_.wideUrl("/ffmpeg.tar.xz");
    return installFromZip(
        {url, checksumSourceFor(Component::ffmpeg, url), L"ffmpeg", L"ffmpeg", L"ffmpeg", L"-version"});
  }
  // Neither the archive nor anything in staging is left.
  bool noLeftovers() const {
    return !fs::exists(tools_ / "ffmpeg.tar.xz") && !fs::exists(tools_ / "ffmpeg.tar.xz.part") &&
           !fs::exists(tools_ / "ffmpeg.archive") && !fs::exists(staging_);
  }
  std::vector<std::wstring> logs(ChannelTap& tap) { return tap.texts(WM_APP_LOG); }

  fs::path tools_;
  fs::path staging_;
  std::string served_;
  std::string servedYtDlp_;
  test::LoopbackServer server_;
};

const std::vector<test::ArchiveEntry> ffmpegBuild = {
    folderEntry("ffmpeg-master/"),
    folderEntry("ffmpeg-master/bin/"),
    fileEntry("ffmpeg-master/bin/ffmpeg", "#!/bin/sh\necho new\n", 0755),
    fileEntry("ffmpeg-master/bin/ffprobe", "probe", 0755),
    fileEntry("ffmpeg-master/bin/ffplay", "player", 0755),
    folderEntry("ffmpeg-master/doc/"),
    fileEntry("ffmpeg-master/doc/ffmpeg.html", "<html>"),
    folderEntry("ffmpeg-master/man/DOC/"),
    fileEntry("ffmpeg-master/man/DOC/page", "page"),
    fileEntry("ffmpeg-master/man/doc", "a file called doc"),
    fileEntry("ffmpeg-master/LICENSE.txt", "GPL"),
};

TEST_F(ArchiveInstall, UnpacksIntoTheComponentFolderWithoutPlayerOrDocs) {
  for (ArchiveFormat format : {ArchiveFormat::zip, ArchiveFormat::tarXz}) {
    installOld();
    ChannelTap tap;
    ASSERT_TRUE(install(format, ffmpegBuild));
    EXPECT_EQ(treeOf(tools_ / "ffmpeg"),
              (std::vector<std::string>{"ffmpeg-master", "ffmpeg-master/LICENSE.txt", "ffmpeg-master/bin",
                                        "ffmpeg-master/bin/ffmpeg", "ffmpeg-master/bin/ffprobe",
                                        "ffmpeg-master/man", "ffmpeg-master/man/doc"}));
    const fs::path exe = tools_ / "ffmpeg" / "ffmpeg-master" / "bin" / "ffmpeg";
    EXPECT_TRUE(isExecutable(exe));
    EXPECT_FALSE(isExecutable(tools_ / "ffmpeg" / "ffmpeg-master" / "LICENSE.txt"));
    EXPECT_EQ(findTool(L"ffmpeg"), fromPath(exe));
    EXPECT_TRUE(noLeftovers());
    EXPECT_TRUE(fs::is_directory(toPath(stagingRoot()))) << "the staging parent stays";
    std::vector<Recorded> all = tap.messages();
    ASSERT_GE(all.size(), 2u);
    EXPECT_EQ(all[all.size() - 2].id, WM_APP_PROGRESS);
    EXPECT_EQ(all[all.size() - 2].lParam, 1);
    EXPECT_EQ(all.back().text, L"Setting up: extracting ffmpeg \u2026");
    EXPECT_EQ(logs(tap), std::vector<std::wstring>{L"Setting up: downloading ffmpeg \u2026"});
    fs::remove_all(tools_ / "ffmpeg");
  }
}

// The new tool is the one where the lookup will take it from, and it must run before it
// replaces the old installation.
TEST_F(ArchiveInstall, TheNewToolIsTakenFromItsExpectedPlaceAndMustRun) {
  const std::string runs = "#!/bin/sh\necho new\n";
  const std::string fails = "#!/bin/sh\necho 'missing libraries' >&2\nexit 1\n";
  struct Case {
    const char* what;
    std::vector<test::ArchiveEntry> entries;
    std::vector<std::wstring> errors;  // empty: installed
  };
  const Case cases[] = {
      {"a second copy elsewhere in the tree",
       {fileEntry("top/tests/ffmpeg", fails, 0755), fileEntry("top/bin/ffmpeg", runs, 0755)},
       {}},
      {"only a copy elsewhere",
       {fileEntry("top/tests/ffmpeg", runs, 0755)},
       {L"Error: the ffmpeg archive holds no ffmpeg.", L"Error: could not extract ffmpeg."}},
      {"exits with 1",
       {fileEntry("top/bin/ffmpeg", fails, 0755)},
       {L"missing libraries", L"Error: the new ffmpeg does not run (\"-version\" ended with exit code 1).",
        L"Error: could not extract ffmpeg."}},
      {"cannot start",
       {fileEntry("top/bin/ffmpeg", "a build for another system", 0755)},
       {L"Error: could not start process (code 8).",
        L"Error: the new ffmpeg does not run (\"-version\" ended with exit code -1).",
        L"Error: could not extract ffmpeg."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(tools_ / "ffmpeg");
    installOld();
    ChannelTap tap;
    EXPECT_EQ(install(ArchiveFormat::tarXz, c.entries), c.errors.empty());
    std::vector<std::wstring> lines = logs(tap);
    lines.erase(lines.begin());  // the download's start
    EXPECT_EQ(lines, c.errors);
    EXPECT_TRUE(noLeftovers());
    if (c.errors.empty())
      EXPECT_EQ(findTool(L"ffmpeg"), fromPath(tools_ / "ffmpeg" / "top" / "bin" / "ffmpeg"));
    else
      EXPECT_TRUE(oldIsIntact());
  }
}

TEST_F(ArchiveInstall, WipesALeftoverStagingFolderAndKeepsLinksAndHardLinksInside) {
  fs::create_directories(staging_ / "half-done");
  test::writeFile(staging_ / "half-done" / "ffmpeg", "stale");
  ChannelTap tap;
  ASSERT_TRUE(extract(ArchiveFormat::tarXz, {
                                                fileEntry("./pkg/lib/libav.so.61", "library", 0755),
                                                linkEntry("pkg/lib/libav.so", "libav.so.61"),
                                                linkEntry("pkg/current", "lib/../lib"),
                                                fileEntry("pkg/bin/ffmpeg", "tool", 0755),
                                                hardlinkEntry("pkg/bin/ffmpeg-copy", "pkg/bin/ffmpeg"),
                                            }));
  EXPECT_EQ(
      treeOf(tools_ / "ffmpeg"),
      (std::vector<std::string>{"pkg", "pkg/bin", "pkg/bin/ffmpeg", "pkg/bin/ffmpeg-copy", "pkg/current@",
                                "pkg/lib", "pkg/lib/libav.so.61", "pkg/lib/libav.so@"}));
  EXPECT_EQ(fs::hard_link_count(tools_ / "ffmpeg" / "pkg" / "bin" / "ffmpeg"), 2u);
  EXPECT_EQ(test::readFile(tools_ / "ffmpeg" / "pkg" / "lib" / "libav.so"), "library");
  EXPECT_TRUE(noLeftovers());
}

TEST_F(ArchiveInstall, AZipWithoutUnixModesStillGivesARunnableTool) {
  ASSERT_TRUE(
      extract(ArchiveFormat::zip, {fileEntry("ffmpeg", "tool", 0644), fileEntry("README", "text", 0644)}));
  EXPECT_TRUE(isExecutable(tools_ / "ffmpeg" / "ffmpeg"));
  EXPECT_FALSE(isExecutable(tools_ / "ffmpeg" / "README"));
}

// Each of these must be refused whole: nothing outside staging, the old installation untouched.
TEST_F(ArchiveInstall, RefusesEntriesAndLinksThatLeaveTheFolder) {
  const fs::path outside = Sandbox::current().root() / "outside";
  fs::create_directories(outside);
  test::writeFile(outside / "victim", "precious");
  const std::string abs = (outside / "planted").string();
  const std::vector<std::pair<std::string, std::vector<test::ArchiveEntry>>> hostile = {
      {"../ climbing", {fileEntry("ffmpeg", "x", 0755), fileEntry("../../../outside/planted", "x")}},
      {"climbing midway", {fileEntry("ffmpeg", "x", 0755), fileEntry("top/../../planted", "x")}},
      {"backslash climbing", {fileEntry("ffmpeg", "x", 0755), fileEntry("..\\..\\planted", "x")}},
      {"absolute", {fileEntry("ffmpeg", "x", 0755), fileEntry(abs, "x")}},
      {"absolute link", {fileEntry("ffmpeg", "x", 0755), linkEntry("top", outside.string())}},
      {"climbing link", {fileEntry("ffmpeg", "x", 0755), linkEntry("top/up", "../../../../outside")}},
      {"writing through a link",
       {linkEntry("top", "."), fileEntry("top/ffmpeg", "x", 0755), fileEntry("ffmpeg", "x", 0755)}},
      {"link chain",
       {folderEntry("sub"), linkEntry("a", "sub/.."), linkEntry("b", "a/.."),
        fileEntry("ffmpeg", "x", 0755)}},
      {"hard link out", {fileEntry("ffmpeg", "x", 0755), hardlinkEntry("victim", "../../../outside/victim")}},
      {"hard link to absolute",
       {fileEntry("ffmpeg", "x", 0755), hardlinkEntry("victim", (outside / "victim").string())}},
  };
  for (const auto& [label, entries] : hostile) {
    for (ArchiveFormat format : {ArchiveFormat::tarXz, ArchiveFormat::zip}) {
      if (format == ArchiveFormat::zip && label.find("hard") != std::string::npos) continue;  // zip has none
      SCOPED_TRACE(label + (format == ArchiveFormat::zip ? " (zip)" : " (tar.xz)"));
      installOld();
      ChannelTap tap;
      EXPECT_FALSE(install(format, entries));
      EXPECT_TRUE(oldIsIntact());
      EXPECT_TRUE(noLeftovers());
      EXPECT_EQ(treeOf(outside), std::vector<std::string>{"victim"});
      EXPECT_EQ(test::readFile(outside / "victim"), "precious");
      EXPECT_EQ(fs::hard_link_count(outside / "victim"), 1u);
      std::vector<std::wstring> lines = logs(tap);
      ASSERT_EQ(lines.size(), 3u);
      EXPECT_TRUE(startsWith(lines[1], L"Error: ffmpeg.tar.xz: refused ")) << wideToUtf8(lines[1]);
      EXPECT_EQ(lines[2], L"Error: could not extract ffmpeg.");
    }
  }
}

TEST_F(ArchiveInstall, ADamagedOrEmptyArchiveLeavesTheOldInstallation) {
  installOld();
  std::string archive = test::makeArchive(ArchiveFormat::tarXz, ffmpegBuild);
  fs::path file = tools_ / "ffmpeg.archive";
  ChannelTap tap;
  test::writeFile(file, archive.substr(0, archive.size() / 2));
  EXPECT_FALSE(extractZip(fromPath(file), fromPath(tools_ / "ffmpeg"), L"ffmpeg", L"ffmpeg"));
  EXPECT_TRUE(oldIsIntact());
  EXPECT_TRUE(noLeftovers());
  ASSERT_EQ(logs(tap).size(), 1u);
  EXPECT_TRUE(startsWith(logs(tap)[0], L"Error: ffmpeg.archive: ")) << wideToUtf8(logs(tap)[0]);

  tap.clear();
  EXPECT_FALSE(extract(ArchiveFormat::zip, {fileEntry("top/README", "no tool in here")}));
  EXPECT_TRUE(oldIsIntact());
  EXPECT_TRUE(noLeftovers());
  EXPECT_EQ(logs(tap), std::vector<std::wstring>{L"Error: the ffmpeg archive holds no ffmpeg."});
}

TEST_F(ArchiveInstall, AnArchiveOverTheUnpackLimitsLeavesTheOldInstallation) {
  // ffmpegBuild: 11 entries, 60 bytes of file content.
  struct Case {
    setup::UnpackLimits limits;
    bool ok;
    const wchar_t* error;
  };
  const Case cases[] = {
      {{59, 100}, false, L"Error: ffmpeg.archive: unpacks to more than 0 MB."},
      {{1000, 10}, false, L"Error: ffmpeg.archive: more than 10 entries."},
      {{60, 11}, true, nullptr},
  };
  for (const Case& c : cases) {
    setup::setUnpackLimitsForTesting(c.limits);
    fs::remove_all(tools_ / "ffmpeg");
    installOld();
    ChannelTap tap;
    EXPECT_EQ(extract(ArchiveFormat::tarXz, ffmpegBuild), c.ok);
    EXPECT_EQ(oldIsIntact(), !c.ok);
    EXPECT_TRUE(noLeftovers());
    std::vector<std::wstring> expected;
    if (c.error) expected.push_back(c.error);
    EXPECT_EQ(logs(tap), expected);
  }
}

TEST_F(ArchiveInstall, ACancelDuringExtractionLeavesNeitherArchiveNorStaging) {
  installOld();
  ChannelTap tap([](const Recorded& r) {
    if (r.id == WM_APP_STATUS && startsWith(r.text, L"Setting up: extracting")) cancelRequested = true;
  });
  EXPECT_FALSE(install(ArchiveFormat::tarXz, ffmpegBuild));
  EXPECT_TRUE(oldIsIntact());
  EXPECT_TRUE(noLeftovers());
  for (const std::wstring& line : logs(tap)) EXPECT_FALSE(startsWith(line, L"Error")) << wideToUtf8(line);
}

TEST_F(ArchiveInstall, YtDlpArrivesAsOneExecutableFile) {
  servedYtDlp_ = "#!/bin/sh\necho 2026.11.23\n";
  fs::remove_all(tools_);
  ChannelTap tap;
  ASSERT_TRUE(installYtDlp());
  EXPECT_EQ(findTool(L"yt-dlp"), fromPath(tools_ / "yt-dlp"));
  EXPECT_TRUE(isExecutable(tools_ / "yt-dlp"));
  EXPECT_EQ(treeOf(tools_), std::vector<std::string>{"yt-dlp"});
}

TEST_F(ArchiveInstall, AYtDlpThatDoesNotRunLeavesTheOldOneInPlace) {
  servedYtDlp_ = "#!/bin/sh\nexit 1\n";
  test::writeFile(tools_ / "yt-dlp", "old");
  ChannelTap tap;
  EXPECT_FALSE(installYtDlp());
  EXPECT_EQ(logs(tap), (std::vector<std::wstring>{
                           L"Setting up: downloading yt-dlp \u2026",
                           L"Error: the new yt-dlp does not run (\"--version\" ended with exit code 1).",
                       }));
  EXPECT_EQ(test::readFile(tools_ / "yt-dlp"), "old");
  EXPECT_EQ(treeOf(tools_), std::vector<std::string>{"yt-dlp"});
  EXPECT_FALSE(fs::exists(toPath(stagingRoot()) / "yt-dlp"));
}

TEST_F(ArchiveInstall, WithoutLibarchiveTheInstallFailsWithTheReasonAndKeepsTheOldOne) {
  replaceSharedLibraryForTesting(setup::archiveFileName, "libtarnwick-absent.so.0");
  installOld();
  ChannelTap tap;
  EXPECT_FALSE(install(ArchiveFormat::tarXz, ffmpegBuild));
  EXPECT_TRUE(oldIsIntact());
  EXPECT_TRUE(noLeftovers());
  std::vector<std::wstring> lines = logs(tap);
  ASSERT_EQ(lines.size(), 3u);  // the download's start, then the two errors
  EXPECT_TRUE(startsWith(lines[1],
                         L"Error: ffmpeg.tar.xz: libarchive could not be loaded: "
                         L"libtarnwick-absent.so.0: "))
      << wideToUtf8(lines[1]);
  EXPECT_EQ(lines[2], L"Error: could not extract ffmpeg.");
}

TEST(EntryPaths, AreCleanedOrRefused) {
  using setup::safeEntryPath;
  EXPECT_EQ(safeEntryPath("a/b/c"), "a/b/c");
  EXPECT_EQ(safeEntryPath("./a//b/./c/"), "a/b/c");
  EXPECT_EQ(safeEntryPath("a\\b"), "a/b");
  EXPECT_EQ(safeEntryPath("a..b/..c"), "a..b/..c");
  for (const char* bad :
       {"", ".", "./", "/", "/etc/passwd", "\\x", "..", "../x", "a/../../x", "a/..", "a\\..\\..\\x"})
    EXPECT_EQ(safeEntryPath(bad), std::nullopt) << bad;
}

TEST(EntryPaths, LinksMayPointAnywhereInsideOnly) {
  using setup::linkStaysInside;
  EXPECT_TRUE(linkStaysInside("a/b/link", "../c"));
  EXPECT_TRUE(linkStaysInside("a/b/link", "../../c"));
  EXPECT_TRUE(linkStaysInside("link", "."));
  EXPECT_TRUE(linkStaysInside("a/link", "x/../../y"));
  EXPECT_FALSE(linkStaysInside("a/b/link", "../../../c"));
  EXPECT_FALSE(linkStaysInside("link", ".."));
  EXPECT_FALSE(linkStaysInside("link", "x/../../y"));
  EXPECT_FALSE(linkStaysInside("link", "/usr/bin/ffmpeg"));
  EXPECT_FALSE(linkStaysInside("link", ""));
}

}  // namespace
}  // namespace tarnwick
