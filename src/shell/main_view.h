// The content of the main window: a drawing area for the painters, with the link entry and the
// log view lying on top of it at the rectangles the layout gives them. One custom container, so
// that the native controls move in the same allocation pass as the layout (no frame lags behind).
#pragma once

#include <gtk/gtk.h>

namespace tarnwick {

struct LogicalRect {
  double left = 0, top = 0, right = 0, bottom = 0;
};

// Called on the UI thread by the view.
class MainViewDelegate {
 public:
  virtual ~MainViewDelegate() = default;
  // Runs the layout for a content area of width × height logical pixels and answers where the
  // link entry and the log view go.
  virtual void layout(double width, double height, LogicalRect& linkEntry, LogicalRect& logView) = 0;
  // Paints one complete frame in logical pixels.
  virtual void paint(cairo_t* cr, double width, double height) = 0;
  // After each allocation, popovers parented to the view must be presented again.
  virtual void presentPopovers() {}
};

struct MainViewParts {
  GtkWidget* view = nullptr;       // the container (put it into the window)
  GtkWidget* canvas = nullptr;     // the GtkDrawingArea the painters draw on
  GtkWidget* linkEntry = nullptr;  // GtkEntry
  GtkWidget* logScroller = nullptr;
  GtkWidget* logView = nullptr;  // GtkTextView, read-only
};

// Builds the view; the delegate must outlive it. minWidth/minHeight is its size request.
MainViewParts createMainView(MainViewDelegate* delegate, int minWidth, int minHeight);

// Scrolls the log view to its last line.
void scrollLogToEnd(GtkWidget* logView);

}  // namespace tarnwick
