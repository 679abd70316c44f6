// The test main: each test process (ctest runs one test per process) gets a fresh sandbox.
#include <gtest/gtest.h>

#include "sandbox.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  auto& sandbox = tarnwick::test::Sandbox::current();
  sandbox.create();
  int result = RUN_ALL_TESTS();
  sandbox.destroy();
  return result;
}
