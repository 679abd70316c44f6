// The content of the main window: a drawing area for the painters, with the link entry and the
// log view lying on top of it at the rectangles the layout gives them. One custom container, so
// that the native controls move in the same allocation pass as the layout (no frame lags behind).
//
// Animation redraws only small drawing areas laid over the parts that move (render/animated_areas.h).
// Each paints its part of the same frame, so it matches the canvas below pixel for pixel; a tick
// then costs a few small paintings and GTK re-composites just those areas, not the whole window.
#pragma once

#include <gtk/gtk.h>

#include <array>

#include "render/animated_areas.h"

namespace tarnwick {

struct LogicalRect {
  double left = 0, top = 0, right = 0, bottom = 0;
  [[nodiscard]] bool empty() const { return right <= left || bottom <= top; }
};

struct ViewLayout {
  LogicalRect linkEntry;
  LogicalRect logView;
  // Where animations can show; empty rectangles are hidden.
  std::array<LogicalRect, animatedAreaCount> animated{};
};

// Called on the UI thread by the view.
class MainViewDelegate {
 public:
  virtual ~MainViewDelegate() = default;
  // Runs the layout for a content area of width × height logical pixels and answers where the
  // native controls and the animated areas go.
  virtual void layout(double width, double height, ViewLayout& out) = 0;
  // The least height, in logical pixels, at which every control fits `width` without overlap.
  // A shorter window scrolls the view.
  [[nodiscard]] virtual double minimumHeight(double width) = 0;
  // Paints one complete frame in the view's logical pixels (area −1), or what animated area
  // `area` shows of it (its context is moved so that the frame lands in place).
  virtual void paint(cairo_t* cr, int area) = 0;
  // After each allocation, popovers parented to the view must be presented again.
  virtual void presentPopovers() {}
};

struct MainViewParts {
  GtkWidget* page = nullptr;       // the scrolled window around the view (put it into the window)
  GtkWidget* view = nullptr;       // the container
  GtkWidget* canvas = nullptr;     // the GtkDrawingArea the painters draw on
  GtkWidget* linkEntry = nullptr;  // GtkEntry
  GtkWidget* logScroller = nullptr;
  GtkWidget* logView = nullptr;  // GtkTextView, read-only
  std::array<GtkWidget*, animatedAreaCount> animatedAreas{};
  GtkWidget* accessibleLayer = nullptr;  // the proxies screen readers see (shell/accessible_proxies.h)
};

// Builds the view without its log, inside a page that scrolls it vertically when the window is
// shorter than the view's minimum height; the delegate must outlive it. minWidth/minHeight is
// the page's size request (the window's minimum).
MainViewParts createMainView(MainViewDelegate* delegate, int minWidth, int minHeight);

// The view's minimum height depends on what it shows (the preview card, the mode's chips, the
// language's texts): measure it again.
void remeasureMainView(const MainViewParts& parts);

// Adds the log view, a read-only text view in a scrolled window, once. The window adds it after
// its first frame: of all its controls this one costs the most to build, and the window should
// not wait for it to appear.
void addLogView(MainViewParts& parts);

// Puts the layer of accessible proxies into the view, once; it covers the whole view.
void addAccessibleLayer(MainViewParts& parts, GtkWidget* layer);

// Redraws one animated area only (an animation tick); queue a draw of the canvas and the areas
// (redrawAll) when anything else changed.
void redrawAnimatedArea(const MainViewParts& parts, int area);
void redrawAll(const MainViewParts& parts);

// Scrolls the page the least that brings the rectangle (view coordinates) into sight.
void revealInPage(const MainViewParts& parts, const LogicalRect& rect);
// The part of the view the page shows: its top and bottom in view coordinates.
[[nodiscard]] LogicalRect shownPartOfView(const MainViewParts& parts);

// Scrolls the log view to its last line.
void scrollLogToEnd(GtkWidget* logView);

}  // namespace tarnwick
