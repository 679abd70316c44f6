#include "shell/gtk/main_window.h"

#include <gdk/x11/gdkx.h>

#include <algorithm>

#include "app/lifecycle.h"
#include "app/messages.h"
#include "app/window_input.h"
#include "base/text.h"
#include "render/cairo_canvas.h"
#include "render/frame_state_from_app.h"
#include "render/painters.h"
#include "render/palette.h"
#include "shell/gtk/channel_pump.h"
#include "shell/gtk/log_view.h"
#include "shell/gtk/theme_css.h"
#include "shell/gtk/window_geometry.h"

namespace tarnwick {
namespace {

ShellColors shellColors() {
  ShellColors c;
  c.windowBackground = palette::windowBackground;
  c.windowBorder = palette::windowBorder;
  c.cardFill = palette::cardFill;
  c.fieldFill = palette::fieldFill;
  c.logFill = palette::logFill;
  c.textPrimary = palette::textPrimary;
  c.textMuted = palette::textMuted;
  c.logText = palette::logText;
  c.accent = palette::accent;
  return c;
}

// The preferred family, then the one the painters fall back to, then the generic one: the CSS
// picks what the painters pick without asking fontconfig first.
std::string cssFamilies(const std::string& preferred, const std::string& fallback, const char* generic) {
  return "\"" + preferred + "\", \"" + fallback + "\", " + generic;
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

}  // namespace

LogicalRect logicalOf(const RectF& r) {
  return {r.left, r.top, r.right, r.bottom};
}

double MainWindow::workAreaHeight() const {
  return window_ ? workAreaFor(GTK_WIDGET(window_)).height : 0;
}

void installShellStyle() {
  const FontFamilies preferred = preferredFontFamilies(), fallback;
  ShellFonts fonts{cssFamilies(preferred.ui, fallback.ui, "sans-serif"),
                   cssFamilies(preferred.mono, fallback.mono, "monospace")};
  std::string css = buildShellCss(shellColors(), fonts);
  GtkCssProvider* provider = gtk_css_provider_new();
  gtk_css_provider_load_from_data(provider, css.c_str(), static_cast<gssize>(css.size()));
  gtk_style_context_add_provider_for_display(gdk_display_get_default(), GTK_STYLE_PROVIDER(provider),
                                             GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  g_object_unref(provider);
}

MainWindow::MainWindow() = default;

MainWindow::~MainWindow() {
  // Quitting without a close (the session ends) must not wait for a job to run to its end.
  jobGate_.open();
  stopAllWork(state_);
  alive_.reset();
  state_.log.setObserver(nullptr);
  animation_.stop();
  linkCheck_.stop();
  logScroll_.stop();
  languagePopup_.reset();
  resultsPopup_.reset();
  if (window_) {
    g_signal_handlers_disconnect_by_data(window_, this);
    gtk_window_destroy(window_);
  }
}

bool MainWindow::create(GtkApplication* app) {
  GtkWidget* window = gtk_application_window_new(app);
  if (!window) return false;
  window_ = GTK_WINDOW(window);
  // The same families the painters choose, so the entry and the log match the drawn text.
  installShellStyle();
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
  width_ = size.width - decoration.width;
  height_ = size.height - decoration.height;

  parts_ = createMainView(this, minimum.width, minimum.height);
  gtk_window_set_child(window_, parts_.page);
  g_signal_connect(window, "destroy", G_CALLBACK(onDestroy), this);
  installInput();

  state_.dpi = static_cast<std::uint32_t>(96 * gtk_widget_get_scale_factor(window));
  g_signal_connect(window, "notify::scale-factor", G_CALLBACK(onScaleChanged), this);

  state_.workers.job = jobGate_.holding(std::move(state_.workers.job));
  state_.log.setObserver(this);
  startChannelPump([this](Message& message) { handleMessage(state_, *this, message); });
  startApp(state_, *this);
  // A window that is never drawn (a hidden start) still gets its log and its setup.
  afterFirstFrame_.start(1000, false, [this] { onFirstFrame(); });
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
  me->animation_.stop();
  me->linkCheck_.stop();
  me->state_.log.setObserver(nullptr);
  me->languagePopup_.reset();
  me->resultsPopup_.reset();
  me->window_ = nullptr;
  me->parts_ = {};
}

// GTK reallocates and redraws at the new scale by itself; the state keeps the DPI it implies.
void MainWindow::onScaleChanged(GObject* window, GParamSpec*, gpointer self) {
  static_cast<MainWindow*>(self)->state_.dpi =
      static_cast<std::uint32_t>(96 * gtk_widget_get_scale_factor(GTK_WIDGET(window)));
}

std::uint64_t MainWindow::clockMs() const {
  return static_cast<std::uint64_t>(g_get_monotonic_time() / 1000);
}

void MainWindow::runLayout() {
  FrameState frame = frameStateFrom(state_, mainWindowHasFocus(), clockMs());
  layout_ = layoutMainWindow(frame, static_cast<float>(width_), static_cast<float>(height_), text_);
  state_.formatButtonCount = layout_.formatChipCount;
  state_.qualityButtonCount = layout_.qualityChipCount;
  mirrorAccessibility(false);
}

// Some thirty proxy widgets: built after the first frame, as the log view is, since no one can
// reach them before the window is on screen.
void MainWindow::addAccessibility() {
  proxies_ = std::make_unique<AccessibleProxies>([this](const AccessibleElement& element) {
    activateElement(state_, *this, element.id);
    repaint();
  });
  addAccessibleLayer(parts_, proxies_->layer());
  watchProxyFocus();
  mirrorAccessibility(true);
  // Tabbed onto a drawn element already: its proxy takes over the focus.
  if (window_ && gtk_root_get_focus(GTK_ROOT(window_)) == parts_.canvas) focusMainWindow();
}

void MainWindow::mirrorAccessibility(bool placeNow) {
  if (!proxies_ || !parts_.view) return;
  FrameState frame = frameStateFrom(state_, mainWindowHasFocus(), clockMs());
  std::vector<AccessibleElement> elements = accessibleElements(frame, layout_);
  liveThrottle_.apply(elements, frame.statusId, frame.clockMs);
  if (proxies_->mirror(elements) && placeNow) gtk_widget_queue_allocate(proxies_->layer());
}

// The link box is named by its cue text, the log by its own name, in the current language.
void MainWindow::labelNativeControls() {
  if (parts_.linkEntry) {
    gtk_accessible_update_property(GTK_ACCESSIBLE(parts_.linkEntry), GTK_ACCESSIBLE_PROPERTY_LABEL,
                                   wideToUtf8(uiField(fieldLinkCue)).c_str(), -1);
  }
  if (parts_.logView) {
    gtk_accessible_update_property(GTK_ACCESSIBLE(parts_.logView), GTK_ACCESSIBLE_PROPERTY_LABEL,
                                   wideToUtf8(uiField(fieldLogName)).c_str(), -1);
  }
}

void MainWindow::layout(double width, double height, ViewLayout& out) {
  width_ = width;
  height_ = height;
  runLayout();
  out.linkEntry = logicalOf(layout_.linkEditRect);
  out.logView = logicalOf(layout_.logEditRect);
  FrameState frame = frameStateFrom(state_, mainWindowHasFocus(), clockMs());
  for (int area = 0; area < animatedAreaCount; ++area)
    out.animated[area] = logicalOf(animatedAreaRect(layout_, frame, static_cast<AnimatedArea>(area)));
  // Resizing or a language change shows the newest lines. Scrolling moves the log's scroll bar,
  // so it waits until this layout pass is over: a widget that changes while the window is being
  // laid out is drawn before it has its new place.
  if (parts_.logView && !logScroll_.running()) {
    logScroll_.start(0, false, [this] {
      if (parts_.logView) scrollLogToEnd(parts_.logView);
    });
  }
}

double MainWindow::minimumHeight(double width) {
  FrameState frame = frameStateFrom(state_, mainWindowHasFocus(), clockMs());
  return minimumMainHeight(frame, static_cast<float>(width), text_);
}

void MainWindow::paint(cairo_t* cr, int area) {
  if (!firstPaintSeen_) {
    firstPaintSeen_ = true;
    afterFirstFrame_.start(0, false, [this] { onFirstFrame(); });
  }
  FrameState frame = frameStateFrom(state_, mainWindowHasFocus(), clockMs());
  CairoCanvas canvas(cr, text_, gtk_widget_get_scale_factor(parts_.canvas), frame.clockMs);
  if (area < 0) {
    paintMainWindow(canvas, frame, layout_, mainCache_);
    return;
  }
  paintAnimatedArea(canvas, frame, layout_, mainCache_, static_cast<AnimatedArea>(area));
}

// What the window leaves until its first frame is out, so that it appears sooner.
void MainWindow::onFirstFrame() {
  if (firstFrameShown_) return;
  firstFrameShown_ = true;
  jobGate_.open();
  if (!parts_.view) return;
  addLogView(parts_);
  addAccessibility();
  labelNativeControls();
  appendToLogView(parts_.logView, state_.log.text());
}

void MainWindow::presentPopovers() {
  if (languagePopup_) languagePopup_->present();
  if (resultsPopup_) resultsPopup_->present();
}

void MainWindow::logAppended(std::wstring_view text) {
  if (parts_.logView) appendToLogView(parts_.logView, text);
}

void MainWindow::logTrimmed(std::size_t count) {
  if (parts_.logView) trimLogView(parts_.logView, count);
}

void MainWindow::logCleared() {
  if (parts_.logView) clearLogView(parts_.logView);
}

}  // namespace tarnwick
