#include "shell/win32/key_map.h"

namespace tarnwick::win32 {

Key keyOf(WPARAM virtualKey) {
  switch (virtualKey) {
    case VK_TAB:
      return Key::tab;
    case VK_RETURN:
      return Key::enter;
    case VK_ESCAPE:
      return Key::escape;
    case VK_SPACE:
      return Key::space;
    case VK_LEFT:
      return Key::left;
    case VK_RIGHT:
      return Key::right;
    case VK_UP:
      return Key::up;
    case VK_DOWN:
      return Key::down;
    default:
      return Key::other;
  }
}

bool shiftHeld() {
  return GetKeyState(VK_SHIFT) < 0;
}

bool controlHeld() {
  return GetKeyState(VK_CONTROL) < 0;
}

}  // namespace tarnwick::win32
