// Screen readers see the drawn window through invisible widgets: one per accessible element,
// placed at the element's rectangle inside a layer of the main view. They draw nothing and the
// pointer passes through them; the keyboard focus rests on them, so that it is also the
// accessible focus. The list they mirror comes from the render layer; they decide nothing.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <map>
#include <vector>

#include "render/accessible_elements.h"

namespace tarnwick {

class AccessibleProxies {
 public:
  // `activated` runs when assistive technology activates an element (its "click" action).
  explicit AccessibleProxies(std::function<void(const AccessibleElement&)> activated);
  AccessibleProxies(const AccessibleProxies&) = delete;
  AccessibleProxies& operator=(const AccessibleProxies&) = delete;

  // The layer to put into the view, covering it; it owns every proxy.
  [[nodiscard]] GtkWidget* layer() const { return layer_; }

  // Brings the proxies in line with the list: names, states, values and rectangles. A proxy,
  // once made, stays (hidden while the list lacks it), so the keyboard focus never loses its
  // widget to a change of mode.
  // Answers whether a proxy appeared, moved or was hidden: the layer must be placed again.
  bool mirror(const std::vector<AccessibleElement>& elements);

  // The proxy of an element; null when the list has none.
  [[nodiscard]] GtkWidget* widgetOf(ElementId id) const;
  // The proxy of a list's selected option in sight; null when none.
  [[nodiscard]] GtkWidget* selectedOption() const;
  [[nodiscard]] bool holds(GtkWidget* widget) const;

 private:
  struct Proxy {
    GtkWidget* widget = nullptr;
    AccessibleElement shown;  // what was last applied
  };
  void apply(Proxy& proxy, const AccessibleElement& element, bool fresh);

  std::function<void(const AccessibleElement&)> activated_;
  GtkWidget* layer_ = nullptr;
  std::map<int, Proxy> proxies_;  // node-stable: each widget points at its `shown`
};

// Places the proxies at their elements' rectangles (the view calls it after each layout).
void placeAccessibleProxies(GtkWidget* layer);

}  // namespace tarnwick
