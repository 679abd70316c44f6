#include "base/state_folder.h"

#include <windows.h>

#include <shlobj.h>

#include <cstdlib>

#include <gtest/gtest.h>

#include "sandbox.h"

namespace tarnwick {
namespace {

using test::Sandbox;

std::filesystem::path knownLocalAppData() {
  wchar_t* known = nullptr;
  std::filesystem::path folder;
  if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_DEFAULT, nullptr, &known)))
    folder = known;
  CoTaskMemFree(known);
  return folder;
}

TEST(StateFolder, FollowsLocalAppDataThenTheKnownFolder) {
  EXPECT_EQ(stateFolder(), Sandbox::current().root() / "data" / "Tarnwick" / "state");
  ASSERT_EQ(_wputenv_s(L"LOCALAPPDATA", L"relative\\data"), 0);  // ignored
  std::filesystem::path known = knownLocalAppData();
  ASSERT_FALSE(known.empty());
  EXPECT_EQ(stateFolder(), known / "Tarnwick" / "state");
  ASSERT_EQ(_wputenv_s(L"LOCALAPPDATA", L""), 0);  // removes it
  EXPECT_EQ(stateFolder(), known / "Tarnwick" / "state");
}

}  // namespace
}  // namespace tarnwick
