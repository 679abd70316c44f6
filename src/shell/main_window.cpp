#include "shell/main_window.h"

#include <gdk/x11/gdkx.h>

#include <algorithm>

#include "shell/theme_css.h"
#include "shell/window_geometry.h"

namespace tarnwick {
namespace {

ShellColors shellColors() {
  ShellColors c;
  c.windowBackground = 0x0B0D17;
  c.windowBorder = 0x2A2D44;
  c.cardFill = 0x141727;
  c.fieldFill = 0x202332;
  c.logFill = 0x0F1220;
  c.textPrimary = 0xEEF0F7;
  c.textMuted = 0x9AA1BD;
  c.logText = 0xB4BAD2;
  c.accent = 0x7C5CFF;
  return c;
}

ShellFonts shellFonts() {
  return {"\"Inter\", sans-serif", "\"JetBrains Mono\", \"DejaVu Sans Mono\", monospace"};
}

// The work area of the monitor the window will open on; the whole monitor where the display
// does not publish a work area (Wayland).
PixelSize workAreaFor(GtkWidget* window) {
  GdkDisplay* display = gtk_widget_get_display(window);
  GdkMonitor* monitor = nullptr;
  if (GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(window))) {
    monitor = gdk_display_get_monitor_at_surface(display, surface);
  }
  GListModel* monitors = gdk_display_get_monitors(display);
  if (!monitor && g_list_model_get_n_items(monitors) > 0) {
    monitor = GDK_MONITOR(g_list_model_get_item(monitors, 0));
    g_object_unref(monitor);  // the list keeps it alive
  }
  if (!monitor) return {};
  GdkRectangle area{};
  if (GDK_IS_X11_MONITOR(monitor)) {
    gdk_x11_monitor_get_workarea(monitor, &area);
  } else {
    gdk_monitor_get_geometry(monitor, &area);
  }
  return {area.width, area.height};
}

// Border plus padding of the window's own frame, both sides added up.
PixelSize frameExtents(GtkWidget* window) {
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  GtkStyleContext* style = gtk_widget_get_style_context(window);
  GtkBorder border{}, padding{};
  gtk_style_context_get_border(style, &border);
  gtk_style_context_get_padding(style, &padding);
  G_GNUC_END_IGNORE_DEPRECATIONS
  return {border.left + border.right + padding.left + padding.right,
          border.top + border.bottom + padding.top + padding.bottom};
}

void fillRgb(cairo_t* cr, std::uint32_t rgb) {
  cairo_set_source_rgb(cr, ((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0);
  cairo_paint(cr);
}

}  // namespace

void installShellStyle() {
  std::string css = buildShellCss(shellColors(), shellFonts());
  GtkCssProvider* provider = gtk_css_provider_new();
  gtk_css_provider_load_from_data(provider, css.c_str(), static_cast<gssize>(css.size()));
  gtk_style_context_add_provider_for_display(gdk_display_get_default(), GTK_STYLE_PROVIDER(provider),
                                             GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(provider);
}

MainWindow::~MainWindow() {
  if (window_) {
    g_signal_handlers_disconnect_by_data(window_, this);
    gtk_window_destroy(window_);
  }
}

bool MainWindow::create(GtkApplication* app) {
  GtkWidget* window = gtk_application_window_new(app);
  if (!window) return false;
  window_ = GTK_WINDOW(window);
  gtk_widget_add_css_class(window, "tarnwick-main");
  gtk_window_set_title(window_, "Tarnwick App");
  gtk_window_set_icon_name(window_, "app.tarnwick.Tarnwick");

  // Our own header bar: the window decorates itself the same way under every window manager.
  GtkWidget* header = gtk_header_bar_new();
  gtk_window_set_titlebar(window_, header);

  gtk_widget_realize(window);
  int headerHeight = 0;
  gtk_widget_measure(header, GTK_ORIENTATION_VERTICAL, -1, nullptr, &headerHeight, nullptr, nullptr);
  // The frame GTK draws around the content when no compositor draws shadows for it counts
  // like the header bar: the content itself gets the preferred size.
  PixelSize frame = frameExtents(window);
  PixelSize decoration{frame.width, frame.height + headerHeight};
  PixelSize size = initialWindowSize(workAreaFor(window), decoration);
  PixelSize minimum = minimumContentFor(size, decoration);
  gtk_window_set_default_size(window_, size.width, size.height);

  parts_ = createMainView(this, minimum.width, minimum.height);
  gtk_window_set_child(window_, parts_.view);
  g_signal_connect(window, "destroy", G_CALLBACK(onDestroy), this);
  gtk_widget_grab_focus(parts_.linkEntry);
  return true;
}

void MainWindow::present() {
  if (!window_) return;
  gtk_window_unminimize(window_);
  gtk_window_present(window_);
}

void MainWindow::onDestroy(GtkWidget*, gpointer self) {
  auto* me = static_cast<MainWindow*>(self);
  me->window_ = nullptr;
  me->parts_ = {};
}

void MainWindow::layout(double width, double height, LogicalRect& linkEntry, LogicalRect& logView) {
  (void)width;
  (void)height;
  linkEntry = {};
  logView = {};
}

void MainWindow::paint(cairo_t* cr, double, double) {
  fillRgb(cr, 0x0B0D17);
}

}  // namespace tarnwick
