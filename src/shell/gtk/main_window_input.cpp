// Pointer, keyboard and focus of the main window, handed to the app's window behaviour.
#include "app/actions.h"
#include "app/lifecycle.h"
#include "app/link_box.h"
#include "app/window_input.h"
#include "render/frame_state_from_app.h"
#include "shell/gtk/key_map.h"
#include "shell/gtk/main_window.h"

namespace tarnwick {
namespace {

MainWindow& self(gpointer data) {
  return *static_cast<MainWindow*>(data);
}

bool contains(GtkWidget* ancestor, GtkWidget* widget) {
  return ancestor && widget && (widget == ancestor || gtk_widget_is_ancestor(widget, ancestor));
}

}  // namespace

void MainWindow::installInput() {
  // The drawn elements take the keyboard focus only when the behaviour gives it to them.
  gtk_widget_set_focusable(parts_.canvas, TRUE);
  gtk_widget_set_focus_on_click(parts_.canvas, FALSE);

  GtkEventController* motion = gtk_event_controller_motion_new();
  g_signal_connect(motion, "motion", G_CALLBACK(onMotion), this);
  g_signal_connect(motion, "leave", G_CALLBACK(onLeave), this);
  gtk_widget_add_controller(parts_.canvas, motion);

  // A press grabs the pointer implicitly: the release comes here even outside the window.
  GtkGesture* click = gtk_gesture_click_new();
  gtk_gesture_single_set_button(GTK_GESTURE_SINGLE(click), GDK_BUTTON_PRIMARY);
  g_signal_connect(click, "pressed", G_CALLBACK(onPressed), this);
  g_signal_connect(click, "released", G_CALLBACK(onReleased), this);
  gtk_widget_add_controller(parts_.canvas, GTK_EVENT_CONTROLLER(click));

  GtkEventController* canvasFocus = gtk_event_controller_focus_new();
  g_signal_connect(canvasFocus, "enter", G_CALLBACK(onCanvasFocusIn), this);
  g_signal_connect(canvasFocus, "leave", G_CALLBACK(onCanvasFocusOut), this);
  gtk_widget_add_controller(parts_.canvas, canvasFocus);

  GtkEventController* entryFocus = gtk_event_controller_focus_new();
  g_signal_connect(entryFocus, "enter", G_CALLBACK(onEntryFocusIn), this);
  g_signal_connect(entryFocus, "leave", G_CALLBACK(onEntryFocusOut), this);
  gtk_widget_add_controller(parts_.linkEntry, entryFocus);
  g_signal_connect(parts_.linkEntry, "changed", G_CALLBACK(onEntryChanged), this);

  // Capture phase on the window: Tab never reaches GTK's own focus chain, and the entry's keys
  // are seen before the entry acts on them.
  GtkEventController* keys = gtk_event_controller_key_new();
  gtk_event_controller_set_propagation_phase(keys, GTK_PHASE_CAPTURE);
  g_signal_connect(keys, "key-pressed", G_CALLBACK(onKey), this);
  gtk_widget_add_controller(GTK_WIDGET(window_), keys);

  g_signal_connect(window_, "notify::is-active", G_CALLBACK(onActiveChanged), this);
  g_signal_connect(window_, "close-request", G_CALLBACK(onCloseRequest), this);
}

// The proxies hold the focus for the drawn elements too (moving between them stays inside).
void MainWindow::watchProxyFocus() {
  GtkEventController* proxyFocus = gtk_event_controller_focus_new();
  g_signal_connect(proxyFocus, "enter", G_CALLBACK(onCanvasFocusIn), this);
  g_signal_connect(proxyFocus, "leave", G_CALLBACK(onCanvasFocusOut), this);
  gtk_widget_add_controller(proxies_->layer(), proxyFocus);
}

ElementId MainWindow::hitAt(double x, double y) {
  FrameState frame = frameStateFrom(state_, mainWindowHasFocus(), clockMs());
  return hitTestMain(layout_, frame, static_cast<float>(x), static_cast<float>(y));
}

void MainWindow::updateCursor() {
  if (parts_.canvas) {
    gtk_widget_set_cursor_from_name(parts_.canvas, state_.hoverId != ElementId::none ? "pointer" : nullptr);
  }
}

gboolean MainWindow::onKey(GtkEventControllerKey*, guint keyval, guint, GdkModifierType mods, gpointer data) {
  MainWindow& me = self(data);
  const Key key = keyOf(keyval);
  const bool shift = (mods & GDK_SHIFT_MASK) != 0;
  GtkWidget* focus = gtk_root_get_focus(GTK_ROOT(me.window_));
  if (contains(me.parts_.linkEntry, focus)) {
    // Ctrl+A and editing keys stay the entry's own.
    if (key == Key::other || (mods & (GDK_CONTROL_MASK | GDK_ALT_MASK))) return FALSE;
    return linkBoxKey(me.state_, me, key, shift) ? TRUE : FALSE;
  }
  if (focus == me.parts_.canvas || (me.proxies_ && me.proxies_->holds(focus))) {
    (void)mainWindowKey(me.state_, me, key, shift);
    return TRUE;  // the drawn elements swallow every key
  }
  // The log view keeps its own keys (selecting, copying, scrolling); Tab still walks on, and Esc
  // cancels as it does everywhere else in the window.
  if (key == Key::tab) {
    moveFocus(me.state_, me, shift ? -1 : +1);
    return TRUE;
  }
  if (key == Key::escape) {
    cancelOrDropPending(me.state_, me);
    return TRUE;
  }
  return FALSE;
}

void MainWindow::onMotion(GtkEventControllerMotion*, double x, double y, gpointer data) {
  MainWindow& me = self(data);
  pointerMoved(me.state_, me, me.hitAt(x, y));
  me.updateCursor();
}

void MainWindow::onLeave(GtkEventControllerMotion*, gpointer data) {
  MainWindow& me = self(data);
  pointerLeft(me.state_, me);
  me.updateCursor();
}

void MainWindow::onPressed(GtkGestureClick*, int, double x, double y, gpointer data) {
  MainWindow& me = self(data);
  pointerPressed(me.state_, me, me.hitAt(x, y));
}

void MainWindow::onReleased(GtkGestureClick*, int, double x, double y, gpointer data) {
  MainWindow& me = self(data);
  pointerReleased(me.state_, me, me.hitAt(x, y));
  me.updateCursor();
}

void MainWindow::onCanvasFocusIn(GtkEventControllerFocus*, gpointer data) {
  MainWindow& me = self(data);
  mainWindowFocusChanged(me.state_, me, true);
}

void MainWindow::onCanvasFocusOut(GtkEventControllerFocus*, gpointer data) {
  MainWindow& me = self(data);
  mainWindowFocusChanged(me.state_, me, false);
}

void MainWindow::onEntryFocusIn(GtkEventControllerFocus*, gpointer data) {
  MainWindow& me = self(data);
  linkBoxFocusChanged(me.state_, me, true);
}

void MainWindow::onEntryFocusOut(GtkEventControllerFocus*, gpointer data) {
  MainWindow& me = self(data);
  linkBoxFocusChanged(me.state_, me, false);
}

void MainWindow::onEntryChanged(GtkEditable*, gpointer data) {
  MainWindow& me = self(data);
  linkTextChanged(me.state_, me);
}

// Activation decides whether the focus ring shows.
void MainWindow::onActiveChanged(GObject*, GParamSpec*, gpointer data) {
  self(data).repaint();
}

// The app decides: it may ask first, and closes the window itself through closeWindow.
gboolean MainWindow::onCloseRequest(GtkWindow*, gpointer data) {
  MainWindow& me = self(data);
  me.jobGate_.open();  // a close joins the job thread, which must not wait for a frame then
  requestClose(me.state_, me);
  return TRUE;
}

}  // namespace tarnwick
