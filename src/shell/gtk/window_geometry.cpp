#include "shell/gtk/window_geometry.h"

#include <algorithm>

namespace tarnwick {

PixelSize initialWindowSize(PixelSize workArea, PixelSize decoration) {
  PixelSize size{preferredContentSize.width + std::max(0, decoration.width),
                 preferredContentSize.height + std::max(0, decoration.height)};
  if (workArea.width > 0) size.width = std::min(size.width, workArea.width * 96 / 100);
  if (workArea.height > 0) size.height = std::min(size.height, workArea.height * 96 / 100);
  return size;
}

PixelSize minimumContentFor(PixelSize initialWindow, PixelSize decoration) {
  return {std::clamp(initialWindow.width - std::max(0, decoration.width), 1, minimumContentSize.width),
          std::clamp(initialWindow.height - std::max(0, decoration.height), 1, minimumContentSize.height)};
}

}  // namespace tarnwick
