#include "base/shared_library.h"

#include <gtest/gtest.h>

namespace tarnwick {
namespace {

using Cosine = double(double);

// A system library that exports cos.
#ifdef _WIN32
constexpr const char* mathLibrary = "msvcrt.dll";
#else
constexpr const char* mathLibrary = "libm.so.6";
#endif

// Stands in a pointer before bind, to see bind clear it.
double unbound(double) {
  return -1.0;
}

TEST(SharedLibrary, BindsFunctionsThatCanBeCalled) {
  SharedLibrary libm("libm", mathLibrary);
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

  SharedLibrary libm("libm", mathLibrary);
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
  replaceSharedLibraryForTesting(mathLibrary, "libtarnwick-absent.so.0");
  replaceSharedLibraryForTesting("libtarnwick-stand-in.so.0", mathLibrary);
  EXPECT_NE(SharedLibrary("libm", mathLibrary).error(), "");
  SharedLibrary standIn("stand-in", "libtarnwick-stand-in.so.0");
  Cosine* cosine = nullptr;
  standIn.bind(cosine, "cos");
  EXPECT_EQ(standIn.error(), "");
  ASSERT_NE(cosine, nullptr);
  EXPECT_EQ(cosine(0.0), 1.0);
}

}  // namespace
}  // namespace tarnwick
