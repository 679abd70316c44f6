// Which of GTK's renderers the window uses, decided before GTK reads its environment.
#pragma once

#include <filesystem>

namespace tarnwick {

// What the user's environment already says; null where a variable is not set.
struct RendererEnvironment {
  const char* gskRenderer = nullptr;
  const char* gdkDebug = nullptr;
  const char* glAlwaysSoftware = nullptr;
};

struct RendererChoice {
  bool useCairo = false;  // set GSK_RENDERER=cairo
  bool skipGl = false;    // set GDK_DEBUG=gl-disable: nothing will draw with GL
};

// driFolder is where the kernel lists GPU render nodes (/dev/dri).
RendererChoice chooseRenderer(const RendererEnvironment& environment, const std::filesystem::path& driFolder);

// Applies the choice for this machine to the process environment. Call before any thread starts.
void applyRendererChoice();

}  // namespace tarnwick
