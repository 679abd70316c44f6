#include "shell/gtk/renderer_choice.h"

#include <cstdlib>
#include <string_view>
#include <system_error>

namespace tarnwick {
namespace {

bool isSet(const char* value) { return value && *value; }

bool saysYes(const char* value) {
  if (!isSet(value)) return false;
  std::string_view text(value);
  return text != "0" && text != "false" && text != "no";
}

bool hasRenderNode(const std::filesystem::path& driFolder) {
  std::error_code error;
  for (std::filesystem::directory_iterator it(driFolder, error), end; !error && it != end; it.increment(error))
    if (it->path().filename().string().starts_with("renderD")) return true;
  return false;
}

}  // namespace

// Without a render node GL can only be Mesa's software rasteriser, which spends several times the
// CPU of Cairo on every animated frame. GTK also probes GL while it opens the display, loading
// the rasteriser's compiler; with Cairo that start-up time buys nothing.
RendererChoice chooseRenderer(const RendererEnvironment& environment, const std::filesystem::path& driFolder) {
  RendererChoice choice;
  if (isSet(environment.gskRenderer)) {
    choice.skipGl = std::string_view(environment.gskRenderer) == "cairo" && !isSet(environment.gdkDebug);
    return choice;
  }
  choice.useCairo = saysYes(environment.glAlwaysSoftware) || !hasRenderNode(driFolder);
  choice.skipGl = choice.useCairo && !isSet(environment.gdkDebug);
  return choice;
}

void applyRendererChoice() {
  RendererEnvironment environment{std::getenv("GSK_RENDERER"), std::getenv("GDK_DEBUG"),
                                  std::getenv("LIBGL_ALWAYS_SOFTWARE")};
  RendererChoice choice = chooseRenderer(environment, "/dev/dri");
  if (choice.useCairo) setenv("GSK_RENDERER", "cairo", 1);
  if (choice.skipGl) setenv("GDK_DEBUG", "gl-disable", 1);
}

}  // namespace tarnwick
