// Writes the Cairo side of the Direct2D comparison: the reference frame as cairo-idle.png and its
// layout rectangles as cairo-idle-layout.txt, into the folder given (the Windows build's
// screenshots folder). scripts/test-windows.sh runs it before the Windows tests.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "../frame_reference.h"
#include "render/offscreen.h"

int main(int argc, char** argv) {
  using namespace tarnwick;
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
    return 2;
  }
  const std::filesystem::path folder = argv[1];
  std::filesystem::create_directories(folder);
  OffscreenRenderer renderer;
  MainLayout layout;
  const Image image = renderer.renderMainWindow(test::referenceState(), test::kReferenceWidth,
                                                test::kReferenceHeight, 1, &layout);
  std::ofstream rects(folder / "cairo-idle-layout.txt");
  rects << test::formatRects(test::namedRects(layout));
  rects.close();
  if (!rects || !image.writePng(folder / "cairo-idle.png")) {
    std::fprintf(stderr, "cannot write the reference into %s\n", folder.c_str());
    return 1;
  }
  return 0;
}
