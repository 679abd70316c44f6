#include "shell/gtk/main_view.h"

#include "shell/gtk/accessible_proxies.h"

#include <algorithm>
#include <cmath>

namespace {

struct TwMainView {
  GtkWidget parent;
  tarnwick::MainViewDelegate* delegate;
  GtkWidget* canvas;
  std::array<GtkWidget*, tarnwick::animatedAreaCount> tiles;
  GtkWidget* entry;
  GtkWidget* proxies;
  GtkWidget* scroller;
  int minWidth;
};

struct TwMainViewClass {
  GtkWidgetClass parentClass;
};

GType tw_main_view_get_type();
#define TW_MAIN_VIEW(obj) (G_TYPE_CHECK_INSTANCE_CAST((obj), tw_main_view_get_type(), TwMainView))

G_DEFINE_TYPE(TwMainView, tw_main_view, GTK_TYPE_WIDGET)

void tw_main_view_init(TwMainView*) {}

void tw_main_view_dispose(GObject* object) {
  // Popovers hang off the view too; every child goes.
  while (GtkWidget* child = gtk_widget_get_first_child(GTK_WIDGET(object))) gtk_widget_unparent(child);
  G_OBJECT_CLASS(tw_main_view_parent_class)->dispose(object);
}

// Height for width: the chips wrap into more rows in a narrower column.
GtkSizeRequestMode tw_main_view_get_request_mode(GtkWidget*) {
  return GTK_SIZE_REQUEST_HEIGHT_FOR_WIDTH;
}

void tw_main_view_measure(GtkWidget* widget, GtkOrientation orientation, int forSize, int* minimum,
                          int* natural, int*, int*) {
  auto* self = TW_MAIN_VIEW(widget);
  if (orientation == GTK_ORIENTATION_HORIZONTAL) {
    *minimum = *natural = self->minWidth;
    return;
  }
  const double width = std::max(forSize, self->minWidth);
  *minimum = *natural = static_cast<int>(std::ceil(self->delegate->minimumHeight(width)));
}

// Edges are rounded, not sizes, so neighbouring controls never leave a gap.
GtkAllocation toAllocation(const tarnwick::LogicalRect& r) {
  int left = static_cast<int>(std::lround(r.left));
  int top = static_cast<int>(std::lround(r.top));
  int right = static_cast<int>(std::lround(r.right));
  int bottom = static_cast<int>(std::lround(r.bottom));
  return {left, top, std::max(0, right - left), std::max(0, bottom - top)};
}

void placeChild(GtkWidget* child, const tarnwick::LogicalRect& rect) {
  GtkAllocation a = toAllocation(rect);
  // A control squeezed to nothing is hidden rather than given a size below its minimum.
  int minW = 0, minH = 0;
  gtk_widget_measure(child, GTK_ORIENTATION_HORIZONTAL, -1, &minW, nullptr, nullptr, nullptr);
  gtk_widget_measure(child, GTK_ORIENTATION_VERTICAL, a.width, &minH, nullptr, nullptr, nullptr);
  bool fits = a.width >= minW && a.height >= minH && a.width > 0 && a.height > 0;
  gtk_widget_set_child_visible(child, fits);
  if (fits) gtk_widget_size_allocate(child, &a, -1);
}

void tw_main_view_size_allocate(GtkWidget* widget, int width, int height, int) {
  auto* self = TW_MAIN_VIEW(widget);
  tarnwick::ViewLayout layout;
  self->delegate->layout(width, height, layout);
  GtkAllocation all{0, 0, width, height};
  gtk_widget_size_allocate(self->canvas, &all, -1);
  for (int i = 0; i < tarnwick::animatedAreaCount; ++i) {
    GtkAllocation a = toAllocation(layout.animated[i]);
    bool shown = a.width > 0 && a.height > 0;
    gtk_widget_set_child_visible(self->tiles[i], shown);
    if (shown) gtk_widget_size_allocate(self->tiles[i], &a, -1);
  }
  placeChild(self->entry, layout.linkEntry);
  if (self->proxies) {
    gtk_widget_size_allocate(self->proxies, &all, -1);
    tarnwick::placeAccessibleProxies(self->proxies);
  }
  if (self->scroller) placeChild(self->scroller, layout.logView);
  self->delegate->presentPopovers();
}

void tw_main_view_class_init(TwMainViewClass* klass) {
  G_OBJECT_CLASS(klass)->dispose = tw_main_view_dispose;
  auto* widgetClass = GTK_WIDGET_CLASS(klass);
  widgetClass->get_request_mode = tw_main_view_get_request_mode;
  widgetClass->measure = tw_main_view_measure;
  widgetClass->size_allocate = tw_main_view_size_allocate;
}

GtkWidget* presentationOnly() {
  return GTK_WIDGET(
      g_object_new(GTK_TYPE_DRAWING_AREA, "accessible-role", GTK_ACCESSIBLE_ROLE_PRESENTATION, nullptr));
}

void drawCanvas(GtkDrawingArea*, cairo_t* cr, int, int, gpointer data) {
  static_cast<tarnwick::MainViewDelegate*>(data)->paint(cr, -1);
}

// The tile's part of the frame, moved into place; the tile's size cuts it.
void drawTile(GtkDrawingArea* tile, cairo_t* cr, int, int, gpointer) {
  auto* view = TW_MAIN_VIEW(gtk_widget_get_parent(GTK_WIDGET(tile)));
  int area = 0;
  while (area < tarnwick::animatedAreaCount && view->tiles[area] != GTK_WIDGET(tile)) ++area;
  graphene_point_t zero = GRAPHENE_POINT_INIT(0, 0), origin;
  if (area == tarnwick::animatedAreaCount ||
      !gtk_widget_compute_point(GTK_WIDGET(tile), GTK_WIDGET(view), &zero, &origin)) {
    return;
  }
  cairo_translate(cr, -origin.x, -origin.y);
  view->delegate->paint(cr, area);
}

}  // namespace

namespace tarnwick {

MainViewParts createMainView(MainViewDelegate* delegate, int minWidth, int minHeight) {
  auto* self = TW_MAIN_VIEW(g_object_new(tw_main_view_get_type(), nullptr));
  self->delegate = delegate;
  self->minWidth = minWidth;

  // The drawings mean nothing to a screen reader: the accessible proxies tell what they show.
  self->canvas = presentationOnly();
  gtk_drawing_area_set_draw_func(GTK_DRAWING_AREA(self->canvas), drawCanvas, delegate, nullptr);
  gtk_widget_set_parent(self->canvas, GTK_WIDGET(self));
  for (GtkWidget*& tile : self->tiles) {
    tile = presentationOnly();
    gtk_drawing_area_set_draw_func(GTK_DRAWING_AREA(tile), drawTile, nullptr, nullptr);
    // Pointer input belongs to the canvas underneath.
    gtk_widget_set_can_target(tile, FALSE);
    gtk_widget_set_parent(tile, GTK_WIDGET(self));
  }

  self->entry = gtk_entry_new();
  gtk_widget_add_css_class(self->entry, "tarnwick-link");
  gtk_entry_set_has_frame(GTK_ENTRY(self->entry), FALSE);
  gtk_widget_set_parent(self->entry, GTK_WIDGET(self));

  // The page never scrolls sideways: the view is never narrower than its minimum width.
  GtkWidget* page = gtk_scrolled_window_new();
  gtk_widget_add_css_class(page, "tarnwick-page");
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(page), GTK_POLICY_NEVER, GTK_POLICY_AUTOMATIC);
  gtk_scrolled_window_set_child(GTK_SCROLLED_WINDOW(page), GTK_WIDGET(self));
  // The canvas takes the focus for every drawn element; scrolling to it would jump to the top
  // whenever a control further down is clicked.
  GtkWidget* viewport = gtk_scrolled_window_get_child(GTK_SCROLLED_WINDOW(page));
  if (GTK_IS_VIEWPORT(viewport)) gtk_viewport_set_scroll_to_focus(GTK_VIEWPORT(viewport), FALSE);
  gtk_widget_set_size_request(page, minWidth, minHeight);

  MainViewParts parts{page, GTK_WIDGET(self), self->canvas, self->entry, nullptr, nullptr, {}, nullptr};
  parts.animatedAreas = self->tiles;
  return parts;
}

void addLogView(MainViewParts& parts) {
  auto* self = TW_MAIN_VIEW(parts.view);
  if (self->scroller) return;
  GtkWidget* logView = gtk_text_view_new();
  gtk_widget_add_css_class(logView, "tarnwick-log");
  gtk_text_view_set_editable(GTK_TEXT_VIEW(logView), FALSE);
  gtk_text_view_set_cursor_visible(GTK_TEXT_VIEW(logView), FALSE);
  gtk_text_view_set_wrap_mode(GTK_TEXT_VIEW(logView), GTK_WRAP_WORD_CHAR);
  GtkWidget* scroller = gtk_scrolled_window_new();
  gtk_widget_add_css_class(scroller, "tarnwick-log");
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroller), GTK_POLICY_NEVER, GTK_POLICY_AUTOMATIC);
  gtk_scrolled_window_set_child(GTK_SCROLLED_WINDOW(scroller), logView);
  gtk_widget_set_parent(scroller, GTK_WIDGET(self));
  // Reachable with the mouse, but not part of the Tab order (the window keeps its own).
  gtk_widget_set_focusable(scroller, FALSE);

  GtkTextBuffer* buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(logView));
  GtkTextIter end;
  gtk_text_buffer_get_end_iter(buffer, &end);
  gtk_text_buffer_create_mark(buffer, "tw-end", &end, FALSE);

  self->scroller = scroller;
  parts.logScroller = scroller;
  parts.logView = logView;
  gtk_widget_queue_allocate(parts.view);
}

void addAccessibleLayer(MainViewParts& parts, GtkWidget* layer) {
  auto* self = TW_MAIN_VIEW(parts.view);
  if (self->proxies) return;
  // After the entry, before the log: the order a screen reader walks is the Tab order.
  gtk_widget_insert_after(layer, GTK_WIDGET(self), self->entry);
  self->proxies = layer;
  parts.accessibleLayer = layer;
  gtk_widget_queue_allocate(parts.view);
}

void remeasureMainView(const MainViewParts& parts) {
  if (parts.view) gtk_widget_queue_resize(parts.view);
}

void redrawAnimatedArea(const MainViewParts& parts, int area) {
  GtkWidget* tile = parts.animatedAreas[static_cast<std::size_t>(area)];
  if (tile && gtk_widget_get_child_visible(tile)) gtk_widget_queue_draw(tile);
}

void redrawAll(const MainViewParts& parts) {
  if (parts.canvas) gtk_widget_queue_draw(parts.canvas);
  for (int area = 0; area < animatedAreaCount; ++area) redrawAnimatedArea(parts, area);
}

void revealInPage(const MainViewParts& parts, const LogicalRect& rect) {
  if (!parts.page) return;
  GtkAdjustment* scroll = gtk_scrolled_window_get_vadjustment(GTK_SCROLLED_WINDOW(parts.page));
  const double top = gtk_adjustment_get_value(scroll);
  const double height = gtk_adjustment_get_page_size(scroll);
  if (rect.top < top) {
    gtk_adjustment_set_value(scroll, rect.top);
  } else if (rect.bottom > top + height) {
    gtk_adjustment_set_value(scroll, std::min(rect.top, rect.bottom - height));
  }
}

LogicalRect shownPartOfView(const MainViewParts& parts) {
  if (!parts.page) return {};
  GtkAdjustment* scroll = gtk_scrolled_window_get_vadjustment(GTK_SCROLLED_WINDOW(parts.page));
  const double top = gtk_adjustment_get_value(scroll);
  return {0, top, static_cast<double>(gtk_widget_get_width(parts.page)),
          top + static_cast<double>(gtk_widget_get_height(parts.page))};
}

void scrollLogToEnd(GtkWidget* logView) {
  GtkTextBuffer* buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(logView));
  if (GtkTextMark* end = gtk_text_buffer_get_mark(buffer, "tw-end")) {
    gtk_text_view_scroll_to_mark(GTK_TEXT_VIEW(logView), end, 0.0, FALSE, 0.0, 1.0);
  }
}

}  // namespace tarnwick
