#include "setup/tools_folder.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

#include "base/text.h"
#include "sandbox.h"

namespace tarnwick {
namespace {
namespace fs = std::filesystem;
using test::Sandbox;

class FindTool : public ::testing::Test {
 protected:
  void SetUp() override {
    tools_ = toPath(toolsFolder());
    fs::remove_all(tools_);
    // Unique per process: the program's folder (the test binaries' folder) is shared.
    name_ = "tw-tool-" + std::to_string(::getpid());
    beside_ = toPath(programFolder()) / name_;
  }
  void TearDown() override {
    fs::remove(beside_);
    fs::remove_all(tools_);
    fs::remove_all(Sandbox::current().bin() / name_);
    ::setenv("PATH", Sandbox::current().bin().c_str(), 1);
  }
  fs::path place(const fs::path& folder, bool executable = true) const {
    return placeFile(folder / name_, executable);
  }
  static fs::path placeFile(const fs::path& file, bool executable = true) {
    fs::create_directories(file.parent_path());
    test::writeFile(file, "#!/bin/sh\n");
    fs::permissions(file, executable ? fs::perms::owner_all : fs::perms::owner_read | fs::perms::owner_write);
    return file;
  }
  std::wstring find() const { return findTool(utf8ToWide(name_)); }
  static std::wstring wide(const fs::path& p) { return fromPath(p); }

  fs::path tools_;
  fs::path beside_;
  std::string name_;
};

TEST(ToolsFolder, LivesInTheUserDataFolderWithStagingBeside) {
  const fs::path data = Sandbox::current().root() / "data";
  EXPECT_EQ(toolsFolder(), fromPath(data / "Tarnwick" / "tools"));
  EXPECT_EQ(stagingRoot(), fromPath(data / "Tarnwick" / "staging"));
  EXPECT_FALSE(fs::exists(data / "Tarnwick")) << "looking the folder up must not create it";
  EXPECT_EQ(toPath(programFolder()), fs::canonical("/proc/self/exe").parent_path());
}

TEST_F(FindTool, LooksBesideTheProgramThenInTheToolsFolderThenInItsComponentFolderThenOnPath) {
  EXPECT_EQ(find(), L"");
  fs::path onPath = place(Sandbox::current().bin());
  EXPECT_EQ(find(), wide(onPath));
  fs::path nested = place(tools_ / name_ / "top" / "bin");
  EXPECT_EQ(find(), wide(nested));
  place(programFolder());
  EXPECT_EQ(find(), wide(beside_));

  // Each place drops out in turn; nothing is remembered between calls.
  fs::remove(beside_);
  EXPECT_EQ(find(), wide(nested));
  // A single-file tool (yt-dlp) sits directly in the tools folder, where an archive's folder would be.
  fs::remove_all(tools_ / name_);
  fs::path direct = place(tools_);
  EXPECT_EQ(find(), wide(direct));
  fs::remove_all(tools_);
  EXPECT_EQ(find(), wide(onPath)) << "a missing tools folder goes straight to PATH";
}

TEST_F(FindTool, TakesAComponentsToolOnlyFromItsExpectedPlaceInItsOwnFolder) {
  struct Case {
    const char* what;
    std::vector<std::string> files;  // below the tools folder
    std::string found;
  };
  const Case cases[] = {
      {"a second copy deeper in the tree",
       {"ffmpeg/ffmpeg-master/tests/ffmpeg", "ffmpeg/ffmpeg-master/bin/ffmpeg",
        "ffmpeg/ffmpeg-master/a/b/ffmpeg"},
       "ffmpeg/ffmpeg-master/bin/ffmpeg"},
      {"only a stray copy",
       {"ffmpeg/ffmpeg-master/tests/ffmpeg", "ffmpeg/ffmpeg-master/doc/bin/x/ffmpeg"},
       ""},
      {"in another component's tree", {"deno/ffmpeg", "deno/bin/ffmpeg", "yt-dlp-extra/ffmpeg"}, ""},
      {"at the top", {"ffmpeg/ffmpeg", "ffmpeg/bin/ffmpeg"}, "ffmpeg/ffmpeg"},
      {"in bin before a top folder", {"ffmpeg/bin/ffmpeg", "ffmpeg/a/ffmpeg"}, "ffmpeg/bin/ffmpeg"},
      {"two top folders: always the same one",
       {"ffmpeg/b/bin/ffmpeg", "ffmpeg/a/bin/ffmpeg"},
       "ffmpeg/a/bin/ffmpeg"},
  };
  for (const Case& c : cases) {
    fs::remove_all(tools_);
    for (const std::string& file : c.files) placeFile(tools_ / file);
    EXPECT_EQ(findTool(L"ffmpeg"), c.found.empty() ? L"" : wide(tools_ / c.found)) << c.what;
  }
}

TEST_F(FindTool, AProgramFolderOnPathIsOnlySearchedAsPartOfPath) {
  // An installed /usr/bin/tarnwick must prefer its own tools over the distribution's /usr/bin ones.
  ::setenv("PATH", (Sandbox::current().bin().string() + ":" + beside_.parent_path().string()).c_str(), 1);
  place(programFolder());
  EXPECT_EQ(find(), wide(beside_)) << "still found, through PATH";
  fs::path direct = place(tools_);
  EXPECT_EQ(find(), wide(direct));
  fs::remove(direct);
  fs::path first = place(Sandbox::current().bin());
  EXPECT_EQ(find(), wide(first)) << "PATH keeps its own order";

  // The same folder reached through a link counts as the same folder.
  fs::path alias = Sandbox::current().root() / "alias";
  fs::create_directory_symlink(beside_.parent_path(), alias);
  fs::remove(first);
  ::setenv("PATH", alias.c_str(), 1);
  EXPECT_EQ(find(), wide(alias / name_));
}

TEST_F(FindTool, TheComponentFolderMatchesFilesOfAnyCaseButNeverFolders) {
  fs::create_directories(tools_ / name_ / "a" / name_);  // a folder of that name
  EXPECT_EQ(find(), L"");
  std::string upper = name_;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  fs::path shouting = tools_ / name_ / "b" / upper;
  fs::create_directories(shouting.parent_path());
  test::writeFile(shouting, "#!/bin/sh\n");
  fs::permissions(shouting, fs::perms::owner_all);
  EXPECT_EQ(find(), wide(shouting));
}

TEST_F(FindTool, LinksToFoldersAreNotEnteredButLinksToFilesCount) {
  fs::path elsewhere = place(Sandbox::current().root() / "elsewhere");
  fs::create_directories(tools_ / name_);
  fs::create_directory_symlink(elsewhere.parent_path(), tools_ / name_ / "linked");
  EXPECT_EQ(find(), L"");
  fs::create_directories(tools_ / name_ / "real");
  fs::create_symlink(elsewhere, tools_ / name_ / "real" / name_);
  EXPECT_EQ(find(), wide(tools_ / name_ / "real" / name_));
}

TEST_F(FindTool, OnlyExecutableRegularFilesCount) {
  fs::path direct = place(tools_, false);
  EXPECT_EQ(find(), L"") << "a file that cannot run is no tool";
  fs::remove(direct);
  place(tools_ / name_ / "bin", false);
  EXPECT_EQ(find(), L"");
  fs::create_directories(Sandbox::current().bin() / name_);
  EXPECT_EQ(find(), L"") << "nor is a folder on PATH";

  // Empty and relative PATH entries (the working folder) are not searched.
  fs::path cwdTool = place(Sandbox::current().root() / "cwd");
  fs::current_path(cwdTool.parent_path());
  ::setenv("PATH", (std::string(":.:cwd:") + Sandbox::current().bin().string()).c_str(), 1);
  EXPECT_EQ(find(), L"");
  fs::current_path(Sandbox::current().root());
}

}  // namespace
}  // namespace tarnwick
