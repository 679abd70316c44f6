#include "base/atomic_file.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "base/text.h"
#include "sandbox.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::Sandbox;
using namespace std::string_literals;

std::vector<std::wstring> namesIn(const fs::path& folder) {
  std::vector<std::wstring> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(fromPath(entry.path().filename()));
  std::sort(names.begin(), names.end());
  return names;
}

TEST(AtomicFile, WritesAndReplacesWholeFilesOfAnyName) {
  fs::path folder = Sandbox::current().makeFolder("atomic");
  const std::wstring names[] = {L"settings.ini", L"caf\u00e9 \u4e2d \U0001F600.txt"};
  for (const std::wstring& name : names) {
    fs::path target = folder / toPath(name);
    ASSERT_TRUE(writeFileAtomically(target, "one\r\n\0two"s));
    EXPECT_EQ(readFile(target), "one\r\n\0two"s);
    ASSERT_TRUE(writeFileAtomically(target, std::string(3u << 20, 'x')));
    EXPECT_EQ(readFile(target), std::string(3u << 20, 'x'));
    ASSERT_TRUE(writeFileAtomically(target, ""));
    EXPECT_EQ(readFile(target), "");
  }
  std::vector<std::wstring> expected{names[0], names[1]};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(namesIn(folder), expected);
}

TEST(AtomicFile, RemovesLeftoversOfAKilledWriteButNothingElse) {
  fs::path folder = Sandbox::current().makeFolder("leftovers");
  test::writeFile(folder / ".state.ini.Ab3xYz", "half");  // what a killed write leaves
  test::writeFile(folder / ".state.ini.old", "keep");     // another length: not ours
  test::writeFile(folder / ".other.ini.Ab3xYz", "keep");  // another file's
  ASSERT_TRUE(writeFileAtomically(folder / "state.ini", "new"));
  EXPECT_EQ(namesIn(folder),
            (std::vector<std::wstring>{L".other.ini.Ab3xYz", L".state.ini.old", L"state.ini"}));
}

TEST(AtomicFile, AFailedWriteLeavesTheTargetAndNoTemporaryFile) {
  fs::path folder = Sandbox::current().makeFolder("failing");
  // A folder where the file should go cannot be replaced by it.
  fs::create_directories(folder / "taken" / "inside");
  EXPECT_FALSE(writeFileAtomically(folder / "taken", "x"));
  EXPECT_TRUE(fs::is_directory(folder / "taken" / "inside"));
  EXPECT_EQ(namesIn(folder), std::vector<std::wstring>{L"taken"});
  EXPECT_FALSE(writeFileAtomically(folder / "missing" / "f", "x"));
  EXPECT_EQ(namesIn(folder), std::vector<std::wstring>{L"taken"});
}

}  // namespace
}  // namespace tarnwick
