#include "shell/gtk/accessible_proxies.h"

#include <algorithm>
#include <cmath>

#include "base/text.h"

namespace {

constexpr const char* kShownKey = "tw-accessible-element";

const tarnwick::AccessibleElement* shownOf(GtkWidget* widget) {
  return static_cast<const tarnwick::AccessibleElement*>(g_object_get_data(G_OBJECT(widget), kShownKey));
}

// A layer (or a group) places each proxy at its element's rectangle. Rectangles are in view
// coordinates; a group's children are placed relative to the group.
struct TwProxyLayer {
  GtkWidget parent;
};
struct TwProxyLayerClass {
  GtkWidgetClass parentClass;
};
GType tw_proxy_layer_get_type();
G_DEFINE_TYPE(TwProxyLayer, tw_proxy_layer, GTK_TYPE_WIDGET)

void tw_proxy_layer_init(TwProxyLayer*) {}
void placeProxies(GtkWidget* widget);

void tw_proxy_layer_dispose(GObject* object) {
  while (GtkWidget* child = gtk_widget_get_first_child(GTK_WIDGET(object))) gtk_widget_unparent(child);
  G_OBJECT_CLASS(tw_proxy_layer_parent_class)->dispose(object);
}

void tw_proxy_layer_measure(GtkWidget*, GtkOrientation, int, int* minimum, int* natural, int*, int*) {
  *minimum = *natural = 0;
}

void tw_proxy_layer_size_allocate(GtkWidget* widget, int, int, int) {
  placeProxies(widget);
}

// Also run by the view after each layout: a layer whose own size stayed the same is not
// allocated again by GTK, yet its proxies may have moved.
void placeProxies(GtkWidget* widget) {
  const tarnwick::AccessibleElement* own = shownOf(widget);
  const double originX = own ? own->bounds.left : 0;
  const double originY = own ? own->bounds.top : 0;
  for (GtkWidget* child = gtk_widget_get_first_child(widget); child;
       child = gtk_widget_get_next_sibling(child)) {
    const tarnwick::AccessibleElement* element = shownOf(child);
    const bool shown = element && !element->hidden;
    gtk_widget_set_child_visible(child, shown);
    if (!shown) continue;
    const tarnwick::RectF& r = element->bounds;
    const int left = static_cast<int>(std::lround(r.left - originX));
    const int top = static_cast<int>(std::lround(r.top - originY));
    GtkAllocation a{left, top, static_cast<int>(std::lround(r.right - originX)) - left,
                    static_cast<int>(std::lround(r.bottom - originY)) - top};
    gtk_widget_size_allocate(child, &a, -1);
    if (G_TYPE_CHECK_INSTANCE_TYPE(child, tw_proxy_layer_get_type())) placeProxies(child);
  }
}

void tw_proxy_layer_class_init(TwProxyLayerClass* klass) {
  G_OBJECT_CLASS(klass)->dispose = tw_proxy_layer_dispose;
  auto* widgetClass = GTK_WIDGET_CLASS(klass);
  widgetClass->measure = tw_proxy_layer_measure;
  widgetClass->size_allocate = tw_proxy_layer_size_allocate;
  gtk_widget_class_set_css_name(widgetClass, "tarnwickproxies");
}

// A button that draws nothing: its CSS name matches none of the theme's button rules, and it has
// no child. Being a GtkButton gives it the "click" action assistive technology calls.
struct TwProxyButton {
  GtkButton parent;
};
struct TwProxyButtonClass {
  GtkButtonClass parentClass;
};
GType tw_proxy_button_get_type();
G_DEFINE_TYPE(TwProxyButton, tw_proxy_button, GTK_TYPE_BUTTON)

void tw_proxy_button_init(TwProxyButton*) {}

void tw_proxy_button_measure(GtkWidget*, GtkOrientation, int, int* minimum, int* natural, int*, int*) {
  *minimum = *natural = 0;
}

void tw_proxy_button_class_init(TwProxyButtonClass* klass) {
  auto* widgetClass = GTK_WIDGET_CLASS(klass);
  widgetClass->measure = tw_proxy_button_measure;
  gtk_widget_class_set_css_name(widgetClass, "tarnwickproxy");
}

GtkAccessibleRole gtkRoleOf(tarnwick::AccessibleRole role) {
  using tarnwick::AccessibleRole;
  switch (role) {
    case AccessibleRole::button:
      return GTK_ACCESSIBLE_ROLE_BUTTON;
    case AccessibleRole::radio:
      return GTK_ACCESSIBLE_ROLE_RADIO;
    case AccessibleRole::switchControl:
      return GTK_ACCESSIBLE_ROLE_SWITCH;
    case AccessibleRole::link:
      return GTK_ACCESSIBLE_ROLE_LINK;
    case AccessibleRole::radioGroup:
      return GTK_ACCESSIBLE_ROLE_RADIO_GROUP;
    case AccessibleRole::status:
      return GTK_ACCESSIBLE_ROLE_STATUS;
    case AccessibleRole::progressBar:
      return GTK_ACCESSIBLE_ROLE_PROGRESS_BAR;
    case AccessibleRole::listBox:
      return GTK_ACCESSIBLE_ROLE_LIST_BOX;
    case AccessibleRole::option:
      return GTK_ACCESSIBLE_ROLE_LIST_ITEM;  // 4.8 offers OPTION as an "option pane"
    case AccessibleRole::text:
      break;
  }
  return GTK_ACCESSIBLE_ROLE_LABEL;
}

bool holdsMembers(tarnwick::AccessibleRole role) {
  return role == tarnwick::AccessibleRole::radioGroup || role == tarnwick::AccessibleRole::listBox;
}

GtkWidget* newProxyWidget(tarnwick::AccessibleRole role) {
  using tarnwick::AccessibleRole;
  const GtkAccessibleRole gtkRole = gtkRoleOf(role);
  GtkWidget* widget = nullptr;
  if (holdsMembers(role)) {
    widget = GTK_WIDGET(g_object_new(tw_proxy_layer_get_type(), "accessible-role", gtkRole, nullptr));
  } else if (role == AccessibleRole::progressBar) {
    widget = gtk_progress_bar_new();
  } else if (role == AccessibleRole::text || role == AccessibleRole::status) {
    widget = GTK_WIDGET(g_object_new(GTK_TYPE_LABEL, "accessible-role", gtkRole, nullptr));
    gtk_label_set_ellipsize(GTK_LABEL(widget), PANGO_ELLIPSIZE_END);
  } else {
    widget = GTK_WIDGET(g_object_new(tw_proxy_button_get_type(), "accessible-role", gtkRole, nullptr));
    gtk_widget_set_focus_on_click(widget, FALSE);
  }
  gtk_widget_set_opacity(widget, 0);
  return widget;
}

GtkAccessibleTristate tristate(bool on) {
  return on ? GTK_ACCESSIBLE_TRISTATE_TRUE : GTK_ACCESSIBLE_TRISTATE_FALSE;
}

bool checkable(tarnwick::AccessibleRole role) {
  using tarnwick::AccessibleRole;
  return role == AccessibleRole::radio || role == AccessibleRole::switchControl;
}

// Keys that stay with a proxy from one list to the next: the element, the group, the list's
// row, or the place among the elements that only inform.
int keyOf(const tarnwick::AccessibleElement& element, int& infoCount) {
  if (element.id != tarnwick::ElementId::none) return static_cast<int>(element.id);
  if (holdsMembers(element.role)) return -element.group;
  if (element.item >= 0) return 200000 + element.item;
  return 100000 + infoCount++;
}

}  // namespace

namespace tarnwick {

AccessibleProxies::AccessibleProxies(std::function<void(const AccessibleElement&)> activated)
    : activated_(std::move(activated)), layer_(GTK_WIDGET(g_object_new(tw_proxy_layer_get_type(), nullptr))) {
  // The drawn elements underneath answer the pointer.
  gtk_widget_set_can_target(layer_, FALSE);
}

void placeAccessibleProxies(GtkWidget* layer) {
  placeProxies(layer);
}

bool AccessibleProxies::mirror(const std::vector<AccessibleElement>& elements) {
  bool moved = false;
  std::map<int, bool> listed;
  GtkWidget* group = nullptr;
  int infoCount = 0;
  for (const AccessibleElement& element : elements) {
    const int key = keyOf(element, infoCount);
    listed[key] = true;
    auto [it, fresh] = proxies_.try_emplace(key);
    Proxy& proxy = it->second;
    if (fresh) {
      proxy.widget = newProxyWidget(element.role);
      const bool member = group && element.group != 0 && !holdsMembers(element.role) &&
                          shownOf(group)->group == element.group;
      gtk_widget_set_parent(proxy.widget, member ? group : layer_);
      g_object_set_data(G_OBJECT(proxy.widget), kShownKey, &proxy.shown);
      if (GTK_IS_BUTTON(proxy.widget)) {
        g_object_set_data(G_OBJECT(proxy.widget), "tw-owner", this);
        g_signal_connect(
            proxy.widget, "clicked", G_CALLBACK(+[](GtkButton* button, gpointer) {
              auto* owner = static_cast<AccessibleProxies*>(g_object_get_data(G_OBJECT(button), "tw-owner"));
              const AccessibleElement* shown = shownOf(GTK_WIDGET(button));
              if (owner && shown && owner->activated_) owner->activated_(*shown);
            }),
            nullptr);
      }
    }
    if (holdsMembers(element.role)) {
      proxy.shown.group = element.group;  // the members below find their group by it
      group = proxy.widget;
    }
    moved = moved || fresh || element.hidden != proxy.shown.hidden || !(element.bounds == proxy.shown.bounds);
    apply(proxy, element, fresh);
  }
  // What the list no longer holds (a chip of the other mode, a preview text) is hidden.
  for (auto& [key, proxy] : proxies_) {
    if (listed.count(key) || proxy.shown.hidden) continue;
    AccessibleElement gone = proxy.shown;
    gone.hidden = true;
    apply(proxy, gone, false);
    moved = true;
  }
  return moved;
}

void AccessibleProxies::apply(Proxy& proxy, const AccessibleElement& element, bool fresh) {
  GtkAccessible* accessible = GTK_ACCESSIBLE(proxy.widget);
  const AccessibleElement& was = proxy.shown;
  if (fresh || element.name != was.name) {
    const std::string name = wideToUtf8(element.name);
    if (GTK_IS_LABEL(proxy.widget)) gtk_label_set_text(GTK_LABEL(proxy.widget), name.c_str());
    gtk_accessible_update_property(accessible, GTK_ACCESSIBLE_PROPERTY_LABEL, name.c_str(), -1);
  }
  if (fresh || element.hidden != was.hidden) {
    gtk_accessible_update_state(accessible, GTK_ACCESSIBLE_STATE_HIDDEN, element.hidden, -1);
  }
  if (element.id != ElementId::none && (fresh || element.disabled != was.disabled)) {
    gtk_accessible_update_state(accessible, GTK_ACCESSIBLE_STATE_DISABLED, element.disabled, -1);
  }
  if (checkable(element.role) && (fresh || element.checked != was.checked)) {
    gtk_accessible_update_state(accessible, GTK_ACCESSIBLE_STATE_CHECKED, tristate(element.checked), -1);
  }
  if (element.id != ElementId::none && (fresh || element.pressed != was.pressed)) {
    gtk_accessible_update_state(accessible, GTK_ACCESSIBLE_STATE_PRESSED, tristate(element.pressed), -1);
  }
  if (element.role == AccessibleRole::option && (fresh || element.selected != was.selected)) {
    gtk_accessible_update_state(accessible, GTK_ACCESSIBLE_STATE_SELECTED, element.selected, -1);
  }
  if (element.role == AccessibleRole::progressBar && (fresh || element.value != was.value)) {
    // Not pulse(): its animation would tick every frame even where nothing shows it. Busy says
    // what an indeterminate bar means.
    const bool known = element.value >= 0;
    gtk_progress_bar_set_fraction(GTK_PROGRESS_BAR(proxy.widget),
                                  known ? std::min(element.value, 100.0) / 100 : 0);
    gtk_accessible_update_state(accessible, GTK_ACCESSIBLE_STATE_BUSY, !known, -1);
  }
  proxy.shown = element;
}

GtkWidget* AccessibleProxies::widgetOf(ElementId id) const {
  auto it = proxies_.find(static_cast<int>(id));
  return id == ElementId::none || it == proxies_.end() ? nullptr : it->second.widget;
}

GtkWidget* AccessibleProxies::selectedOption() const {
  for (const auto& [key, proxy] : proxies_)
    if (proxy.shown.role == AccessibleRole::option && proxy.shown.selected && !proxy.shown.hidden)
      return proxy.widget;
  return nullptr;
}

bool AccessibleProxies::holds(GtkWidget* widget) const {
  return widget && widget != layer_ && gtk_widget_is_ancestor(widget, layer_);
}

}  // namespace tarnwick
