// The renderer: Cairo where GL could only be the software rasteriser, the user's choice kept.
#include "shell/gtk/renderer_choice.h"

#include <gtest/gtest.h>

#include <fstream>

#include "sandbox.h"

namespace tarnwick {
namespace {

TEST(RendererChoice, CairoWithoutARenderNodeOrWithSoftwareGlAndTheUsersChoiceKept) {
  namespace fs = std::filesystem;
  const fs::path withGpu = test::Sandbox::current().root() / "dri-gpu";
  const fs::path withoutGpu = test::Sandbox::current().root() / "dri-card-only";
  fs::create_directories(withGpu);
  fs::create_directories(withoutGpu);
  std::ofstream(withGpu / "renderD128").put('x');
  std::ofstream(withoutGpu / "card0").put('x');  // a display controller alone renders nothing
  const fs::path missing = test::Sandbox::current().root() / "no-dri";

  struct Case {
    RendererEnvironment environment;
    fs::path dri;
    bool useCairo, skipGl;
  };
  const Case cases[] = {
      {{}, withGpu, false, false},
      {{}, withoutGpu, true, true},
      {{}, missing, true, true},
      {{nullptr, nullptr, "1"}, withGpu, true, true},
      {{nullptr, nullptr, "0"}, withGpu, false, false},
      {{nullptr, "interactive", nullptr}, missing, true, false},  // the user's debug flags stay
      {{"gl", nullptr, nullptr}, missing, false, false},
      {{"cairo", nullptr, nullptr}, withGpu, false, true},
      {{"", nullptr, nullptr}, missing, true, true},  // empty counts as unset
  };
  for (const Case& c : cases) {
    RendererChoice choice = chooseRenderer(c.environment, c.dri);
    SCOPED_TRACE(c.dri.filename().string() + " " + (c.environment.gskRenderer ? c.environment.gskRenderer : "-"));
    EXPECT_EQ(choice.useCairo, c.useCairo);
    EXPECT_EQ(choice.skipGl, c.skipGl);
  }
}

}  // namespace
}  // namespace tarnwick
