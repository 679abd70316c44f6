// The main window: a GtkApplicationWindow with the palette's header bar and the main view. It
// owns the AppState, implements the host the app layer drives, mirrors the log model into the
// log view and turns GTK's input into the app's window behaviour. UI thread only.
#pragma once

#include <gtk/gtk.h>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include "app/app_state.h"
#include "app/host.h"
#include "app/job_gate.h"
#include "app/log_model.h"
#include "render/accessible_elements.h"
#include "render/main_layout.h"
#include "render/render_cache.h"
#include "render/text_engine.h"
#include "shell/gtk/accessible_proxies.h"
#include "shell/gtk/glib_timer.h"
#include "shell/gtk/main_view.h"
#include "shell/gtk/popup_surface.h"

namespace tarnwick {

// Loads the shell's style sheet for the default display (once, at start-up).
void installShellStyle();

[[nodiscard]] LogicalRect logicalOf(const RectF& rect);

class MainWindow final : public MainViewDelegate, public Host, public LogObserver {
 public:
  MainWindow();
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Builds the window and starts the app (settings, start-up paste, setup job); false when the
  // window cannot be made.
  [[nodiscard]] bool create(GtkApplication* app);
  // Shows the window, restoring it when minimised, and brings it forward.
  void present();

  // MainViewDelegate
  void layout(double width, double height, ViewLayout& out) override;
  double minimumHeight(double width) override;
  void paint(cairo_t* cr, int area) override;
  void presentPopovers() override;

  // Host
  std::wstring linkText() override;
  void setLinkText(const std::wstring& text) override;
  void setLinkReadOnly(bool readOnly) override;
  void focusLinkBox(LinkSelection selection) override;
  void focusMainWindow() override;
  bool mainWindowHasFocus() override;
  void setLinkCueText(const std::wstring& text) override;
  void readClipboardText(std::function<void(std::optional<std::wstring> text)> done) override;
  void startAnimationTimer() override;
  void stopAnimationTimer() override;
  void armLinkCheckTimer() override;
  void stopLinkCheckTimer() override;
  void repaint() override;
  void repaintStatus() override;
  void relayout() override;
  void beep(Beep kind) override;
  void requestAttention(const std::wstring& message) override;
  bool showLanguagePopup() override;
  void closeLanguagePopup() override;
  float resultsPopupSpace() override;
  bool showResultsPopup(float heightDips) override;
  void closeResultsPopup() override;
  void refreshLanguagePopup() override;
  void refreshResultsPopup() override;
  void chooseFolder(const std::wstring& startFolder,
                    std::function<void(const std::wstring& folder)> chosen) override;
  void askYesNo(const std::wstring& question, std::function<void(bool yes)> answered) override;
  void openFolder(const std::wstring& folder) override;
  void openUrl(const std::wstring& url) override;
  void showInFileManager(const std::wstring& file) override;
  void closeWindow() override;

  // LogObserver
  void logAppended(std::wstring_view text) override;
  void logTrimmed(std::size_t count) override;
  void logCleared() override;

 private:
  // main_window_input.cpp
  void installInput();
  void watchProxyFocus();
  [[nodiscard]] ElementId hitAt(double x, double y);
  void updateCursor();
  static gboolean onKey(GtkEventControllerKey*, guint keyval, guint, GdkModifierType mods, gpointer self);
  static void onMotion(GtkEventControllerMotion*, double x, double y, gpointer self);
  static void onLeave(GtkEventControllerMotion*, gpointer self);
  static void onPressed(GtkGestureClick*, int, double x, double y, gpointer self);
  static void onReleased(GtkGestureClick*, int, double x, double y, gpointer self);
  static void onCanvasFocusIn(GtkEventControllerFocus*, gpointer self);
  static void onCanvasFocusOut(GtkEventControllerFocus*, gpointer self);
  static void onEntryFocusIn(GtkEventControllerFocus*, gpointer self);
  static void onEntryFocusOut(GtkEventControllerFocus*, gpointer self);
  static void onEntryChanged(GtkEditable*, gpointer self);
  static void onActiveChanged(GObject*, GParamSpec*, gpointer self);
  static gboolean onCloseRequest(GtkWindow*, gpointer self);

  // main_window_popups.cpp
  PopupSurface& languagePopup();
  PopupSurface& resultsPopup();
  void paintPopup(cairo_t* cr, double width, double height, bool results);
  // Brings an open popup's list proxies in line with the state; the keyboard follows the
  // selected item, so a screen reader reads it.
  void mirrorPopup(bool results);
  [[nodiscard]] float resultsPopupWidth() const;

  void runLayout();
  // Brings the accessible proxies in line with the state; `placeNow`: outside a layout pass.
  void addAccessibility();
  void animationTick();
  [[nodiscard]] bool windowShown() const;
  void mirrorAccessibility(bool placeNow);
  void labelNativeControls();
  void revealKeyboardFocus();
  void onFirstFrame();
  [[nodiscard]] double workAreaHeight() const;
  [[nodiscard]] std::uint64_t clockMs() const;
  // A callback for later (a dialog's answer, the clipboard) that does nothing once the window
  // has gone.
  template <class F>
  auto guarded(F f) {
    return [alive = std::weak_ptr<int>(alive_), f = std::move(f)](auto&&... args) mutable {
      if (!alive.expired()) f(std::forward<decltype(args)>(args)...);
    };
  }
  static void onDestroy(GtkWidget*, gpointer self);
  static void onScaleChanged(GObject* window, GParamSpec*, gpointer self);

  AppState state_;
  TextEngine text_;
  RenderCache mainCache_;
  RenderCache resultsCache_;
  MainLayout layout_;
  double width_ = 0;
  double height_ = 0;

  GtkWindow* window_ = nullptr;
  MainViewParts parts_;
  GlibTimer animation_;
  std::array<std::uint64_t, animatedAreaCount> lastAnimatedFrameMs_{};
  GlibTimer linkCheck_;
  GlibTimer logScroll_;
  JobGate jobGate_;
  GlibTimer afterFirstFrame_;
  bool firstPaintSeen_ = false;
  bool firstFrameShown_ = false;
  std::unique_ptr<AccessibleProxies> proxies_;
  LiveThrottle liveThrottle_;
  std::unique_ptr<AccessibleProxies> languageProxies_;
  std::unique_ptr<AccessibleProxies> resultsProxies_;
  std::unique_ptr<PopupSurface> languagePopup_;
  std::unique_ptr<PopupSurface> resultsPopup_;
  bool questionOpen_ = false;
  std::optional<ElementId> revealedFocus_;  // the keyboard focus last scrolled into sight
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

}  // namespace tarnwick
