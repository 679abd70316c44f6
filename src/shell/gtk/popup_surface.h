// One popup under the main window: an autohide GtkPopover (a click elsewhere closes it) holding
// a drawing area of a fixed size, with its pointer, wheel and key input handed to hooks.
#pragma once

#include <gtk/gtk.h>

#include <functional>

#include "shell/gtk/main_view.h"

namespace tarnwick {

struct PopupHooks {
  std::function<void(cairo_t* cr, double width, double height)> paint;
  std::function<void(double x, double y)> pointerMoved;  // logical pixels of the drawing area
  std::function<void()> pointerLeft;
  std::function<void(double x, double y)> released;              // primary button
  std::function<void(guint keyval, GdkModifierType state)> key;  // every key; the popup swallows all
  std::function<void(double notches)> wheel;                     // positive: away from the user (up)
  std::function<void()> closed;                                  // also after hide()
};

class PopupSurface {
 public:
  // The popover hangs off `parent`, whose size_allocate must call present().
  PopupSurface(GtkWidget* parent, PopupHooks hooks);
  ~PopupSurface();
  PopupSurface(const PopupSurface&) = delete;
  PopupSurface& operator=(const PopupSurface&) = delete;

  // Shows the popup `gap` pixels below `anchor` (parent coordinates), its left edge on the
  // anchor's left edge (alignEnd false) or its right edge on the anchor's right edge.
  void show(const LogicalRect& anchor, bool alignEnd, int width, int height, int gap);
  void hide();
  [[nodiscard]] bool visible() const;
  void refresh();
  void present();
  [[nodiscard]] GtkWidget* popover() const { return popover_; }
  // Lays a layer of accessible proxies over the drawing, once (shell/accessible_proxies.h).
  void addAccessibleLayer(GtkWidget* layer);
  // Gives the keyboard focus to `widget` inside the popup, or to the drawing when null.
  void focusWithin(GtkWidget* widget);

 private:
  static void onClosed(GtkPopover*, gpointer self);

  GtkWidget* popover_ = nullptr;
  GtkWidget* area_ = nullptr;
  GtkWidget* overlay_ = nullptr;
  PopupHooks hooks_;
};

// GDK's answer for a wheel event in notches, whichever unit the device reports.
[[nodiscard]] double wheelNotches(GtkEventControllerScroll* controller, double dy);

}  // namespace tarnwick
