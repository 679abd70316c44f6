#include "shell/gtk/key_map.h"

namespace tarnwick {

Key keyOf(guint keyval) {
  switch (keyval) {
    case GDK_KEY_Tab:
    case GDK_KEY_ISO_Left_Tab:  // Shift+Tab on X11
    case GDK_KEY_KP_Tab:
      return Key::tab;
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter:
      return Key::enter;
    case GDK_KEY_Escape:
      return Key::escape;
    case GDK_KEY_space:
    case GDK_KEY_KP_Space:
      return Key::space;
    case GDK_KEY_Left:
    case GDK_KEY_KP_Left:
      return Key::left;
    case GDK_KEY_Right:
    case GDK_KEY_KP_Right:
      return Key::right;
    case GDK_KEY_Up:
    case GDK_KEY_KP_Up:
      return Key::up;
    case GDK_KEY_Down:
    case GDK_KEY_KP_Down:
      return Key::down;
    default:
      return Key::other;
  }
}

PopupKey popupKeyOf(guint keyval) {
  switch (keyval) {
    case GDK_KEY_Escape:
      return PopupKey::escape;
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter:
      return PopupKey::enter;
    case GDK_KEY_space:
    case GDK_KEY_KP_Space:
      return PopupKey::space;
    case GDK_KEY_Up:
    case GDK_KEY_KP_Up:
      return PopupKey::up;
    case GDK_KEY_Down:
    case GDK_KEY_KP_Down:
      return PopupKey::down;
    case GDK_KEY_Left:
    case GDK_KEY_KP_Left:
      return PopupKey::left;
    case GDK_KEY_Right:
    case GDK_KEY_KP_Right:
      return PopupKey::right;
    case GDK_KEY_Page_Up:
    case GDK_KEY_KP_Page_Up:
      return PopupKey::pageUp;
    case GDK_KEY_Page_Down:
    case GDK_KEY_KP_Page_Down:
      return PopupKey::pageDown;
    case GDK_KEY_Home:
    case GDK_KEY_KP_Home:
      return PopupKey::home;
    case GDK_KEY_End:
    case GDK_KEY_KP_End:
      return PopupKey::end;
    default:
      return PopupKey::other;
  }
}

}  // namespace tarnwick
