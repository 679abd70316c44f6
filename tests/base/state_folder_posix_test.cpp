#include "base/state_folder.h"

#include <stdlib.h>

#include <gtest/gtest.h>

#include "sandbox.h"

namespace tarnwick {
namespace {

using test::Sandbox;

TEST(StateFolder, FollowsXdgStateHomeThenTheHomeFolder) {
  EXPECT_EQ(stateFolder(), Sandbox::current().root() / "state" / "Tarnwick");
  ::setenv("XDG_STATE_HOME", "relative/state", 1);  // ignored, as the base-directory rules say
  EXPECT_EQ(stateFolder(), Sandbox::current().home() / ".local" / "state" / "Tarnwick");
  ::unsetenv("XDG_STATE_HOME");
  EXPECT_EQ(stateFolder(), Sandbox::current().home() / ".local" / "state" / "Tarnwick");
  ::unsetenv("HOME");
  EXPECT_EQ(stateFolder(), std::filesystem::path());
}

}  // namespace
}  // namespace tarnwick
