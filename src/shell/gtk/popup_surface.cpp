#include "shell/gtk/popup_surface.h"

#include <cmath>

namespace tarnwick {
namespace {

PopupHooks& hooksOf(gpointer self) {
  return *static_cast<PopupHooks*>(self);
}

void drawPopup(GtkDrawingArea*, cairo_t* cr, int width, int height, gpointer data) {
  if (hooksOf(data).paint) hooksOf(data).paint(cr, width, height);
}

void onMotion(GtkEventControllerMotion*, double x, double y, gpointer data) {
  if (hooksOf(data).pointerMoved) hooksOf(data).pointerMoved(x, y);
}

void onLeave(GtkEventControllerMotion*, gpointer data) {
  if (hooksOf(data).pointerLeft) hooksOf(data).pointerLeft();
}

void onRelease(GtkGestureClick*, int, double x, double y, gpointer data) {
  if (hooksOf(data).released) hooksOf(data).released(x, y);
}

gboolean onKey(GtkEventControllerKey*, guint keyval, guint, GdkModifierType state, gpointer data) {
  if (hooksOf(data).key) hooksOf(data).key(keyval, state);
  return TRUE;
}

gboolean onScroll(GtkEventControllerScroll* controller, double, double dy, gpointer data) {
  if (hooksOf(data).wheel) hooksOf(data).wheel(wheelNotches(controller, dy));
  return TRUE;
}

}  // namespace

double wheelNotches(GtkEventControllerScroll* controller, double dy) {
  // Touchpads report pixels; one notch scrolls one 80-pixel row, so pixels pass through 1:1.
  if (gtk_event_controller_scroll_get_unit(controller) == GDK_SCROLL_UNIT_SURFACE) return -dy / 80.0;
  return -dy;
}

PopupSurface::PopupSurface(GtkWidget* parent, PopupHooks hooks) : hooks_(std::move(hooks)) {
  // Our own reference: the view drops its children when it is disposed, maybe before us.
  popover_ = GTK_WIDGET(g_object_ref_sink(gtk_popover_new()));
  gtk_widget_add_css_class(popover_, "tarnwick-popup");
  if (!gdk_display_is_composited(gtk_widget_get_display(parent))) gtk_widget_add_css_class(popover_, "solid");
  gtk_popover_set_has_arrow(GTK_POPOVER(popover_), FALSE);
  gtk_popover_set_autohide(GTK_POPOVER(popover_), TRUE);
  gtk_popover_set_position(GTK_POPOVER(popover_), GTK_POS_BOTTOM);
  // The drawing means nothing to a screen reader; the proxies laid over it say what it shows.
  area_ = GTK_WIDGET(
      g_object_new(GTK_TYPE_DRAWING_AREA, "accessible-role", GTK_ACCESSIBLE_ROLE_PRESENTATION, nullptr));
  gtk_widget_set_focusable(area_, TRUE);
  gtk_drawing_area_set_draw_func(GTK_DRAWING_AREA(area_), drawPopup, &hooks_, nullptr);
  overlay_ = gtk_overlay_new();
  gtk_overlay_set_child(GTK_OVERLAY(overlay_), area_);
  gtk_popover_set_child(GTK_POPOVER(popover_), overlay_);

  GtkEventController* motion = gtk_event_controller_motion_new();
  g_signal_connect(motion, "motion", G_CALLBACK(onMotion), &hooks_);
  g_signal_connect(motion, "leave", G_CALLBACK(onLeave), &hooks_);
  gtk_widget_add_controller(area_, motion);
  GtkGesture* click = gtk_gesture_click_new();
  gtk_gesture_single_set_button(GTK_GESTURE_SINGLE(click), GDK_BUTTON_PRIMARY);
  g_signal_connect(click, "released", G_CALLBACK(onRelease), &hooks_);
  gtk_widget_add_controller(area_, GTK_EVENT_CONTROLLER(click));
  GtkEventController* scroll = gtk_event_controller_scroll_new(GTK_EVENT_CONTROLLER_SCROLL_VERTICAL);
  g_signal_connect(scroll, "scroll", G_CALLBACK(onScroll), &hooks_);
  gtk_widget_add_controller(area_, scroll);
  // Capture phase: the popover's own Esc binding must not run before the hook sees the key.
  GtkEventController* keys = gtk_event_controller_key_new();
  gtk_event_controller_set_propagation_phase(keys, GTK_PHASE_CAPTURE);
  g_signal_connect(keys, "key-pressed", G_CALLBACK(onKey), &hooks_);
  gtk_widget_add_controller(popover_, keys);

  g_signal_connect(popover_, "closed", G_CALLBACK(onClosed), this);
  gtk_widget_set_parent(popover_, parent);
}

PopupSurface::~PopupSurface() {
  g_signal_handlers_disconnect_by_data(popover_, this);
  if (gtk_widget_get_parent(popover_)) gtk_widget_unparent(popover_);
  g_object_unref(popover_);
}

void PopupSurface::show(const LogicalRect& anchor, bool alignEnd, int width, int height, int gap) {
  GdkRectangle rect{static_cast<int>(std::lround(anchor.left)), static_cast<int>(std::lround(anchor.top)),
                    static_cast<int>(std::lround(anchor.right - anchor.left)),
                    static_cast<int>(std::lround(anchor.bottom - anchor.top))};
  gtk_popover_set_pointing_to(GTK_POPOVER(popover_), &rect);
  gtk_widget_set_halign(popover_, alignEnd ? GTK_ALIGN_END : GTK_ALIGN_START);
  gtk_popover_set_offset(GTK_POPOVER(popover_), 0, gap);
  gtk_widget_set_size_request(area_, width, height);
  gtk_popover_popup(GTK_POPOVER(popover_));
  gtk_widget_grab_focus(area_);
}

void PopupSurface::addAccessibleLayer(GtkWidget* layer) {
  gtk_overlay_add_overlay(GTK_OVERLAY(overlay_), layer);
}

void PopupSurface::focusWithin(GtkWidget* widget) {
  if (!gtk_widget_get_visible(popover_)) return;
  if (!widget || !gtk_widget_grab_focus(widget)) gtk_widget_grab_focus(area_);
}

void PopupSurface::hide() {
  gtk_popover_popdown(GTK_POPOVER(popover_));
}

bool PopupSurface::visible() const {
  return gtk_widget_get_visible(popover_);
}

void PopupSurface::refresh() {
  gtk_widget_queue_draw(area_);
}

void PopupSurface::present() {
  if (gtk_widget_get_visible(popover_)) gtk_popover_present(GTK_POPOVER(popover_));
}

void PopupSurface::onClosed(GtkPopover*, gpointer self) {
  auto* me = static_cast<PopupSurface*>(self);
  if (me->hooks_.closed) me->hooks_.closed();
}

}  // namespace tarnwick
