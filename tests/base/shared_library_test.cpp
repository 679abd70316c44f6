#include "base/shared_library.h"

#include <gtest/gtest.h>

namespace tarnwick {
namespace {

using Cosine = double(double);

// Stands in a pointer before bind, to see bind clear it.
double unbound(double) {
  return -1.0;
}

TEST(SharedLibrary, BindsFunctionsThatCanBeCalled) {
  SharedLibrary libm("libm", "libm.so.6");
  Cosine* cosine = nullptr;
  libm.bind(cosine, "cos");
  EXPECT_EQ(libm.error(), "");
  ASSERT_NE(cosine, nullptr);
  EXPECT_EQ(cosine(0.0), 1.0);
}

TEST(SharedLibrary, AMissingLibraryOrFunctionIsAnErrorThatNamesIt) {
  SharedLibrary absent("libabsent", "libtarnwick-absent.so.0");
  Cosine* cosine = &unbound;
  absent.bind(cosine, "cos");
  EXPECT_EQ(cosine, nullptr);
  EXPECT_EQ(absent.error().rfind("libabsent could not be loaded: libtarnwick-absent.so.0: ", 0), 0u)
      << absent.error();

  SharedLibrary libm("libm", "libm.so.6");
  Cosine* missing = &unbound;
  libm.bind(missing, "tarnwick_no_such_function");
  Cosine* cosine2 = nullptr;
  libm.bind(cosine2, "cos");
  EXPECT_EQ(missing, nullptr);
  EXPECT_NE(cosine2, nullptr);
  // The first missing function stays the reason.
  EXPECT_EQ(libm.error().rfind("libm lacks tarnwick_no_such_function: ", 0), 0u) << libm.error();
}

TEST(SharedLibrary, TestsCanPutAnotherFileInALibrarysPlace) {
  replaceSharedLibraryForTesting("libm.so.6", "libtarnwick-absent.so.0");
  replaceSharedLibraryForTesting("libtarnwick-stand-in.so.0", "libm.so.6");
  EXPECT_NE(SharedLibrary("libm", "libm.so.6").error(), "");
  SharedLibrary standIn("stand-in", "libtarnwick-stand-in.so.0");
  Cosine* cosine = nullptr;
  standIn.bind(cosine, "cos");
  EXPECT_EQ(standIn.error(), "");
  ASSERT_NE(cosine, nullptr);
  EXPECT_EQ(cosine(0.0), 1.0);
}

}  // namespace
}  // namespace tarnwick
