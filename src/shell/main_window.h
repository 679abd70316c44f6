// The main window: a GtkApplicationWindow with the palette's header bar and the main view.
#pragma once

#include <gtk/gtk.h>

#include "shell/main_view.h"

namespace tarnwick {

// Loads the shell's style sheet for the default display (once, at start-up).
void installShellStyle();

class MainWindow final : public MainViewDelegate {
 public:
  MainWindow() = default;
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Builds and shows nothing yet; false when the window cannot be made.
  [[nodiscard]] bool create(GtkApplication* app);
  // Shows the window, restoring it when minimised, and brings it forward.
  void present();

  // MainViewDelegate
  void layout(double width, double height, LogicalRect& linkEntry, LogicalRect& logView) override;
  void paint(cairo_t* cr, double width, double height) override;

 private:
  static void onDestroy(GtkWidget*, gpointer self);

  GtkWindow* window_ = nullptr;
  MainViewParts parts_;
};

}  // namespace tarnwick
