// The two popups of the main window: the language grid and the search results.
#include "app/popups.h"
#include "render/cairo_canvas.h"
#include "render/frame_state_from_app.h"
#include "render/painters.h"
#include "shell/gtk/key_map.h"
#include "shell/gtk/main_window.h"

namespace tarnwick {

void MainWindow::paintPopup(cairo_t* cr, double width, double height, bool results) {
  FrameState frame = frameStateFrom(state_, mainWindowHasFocus(), clockMs());
  CairoCanvas canvas(cr, text_, gtk_widget_get_scale_factor(parts_.view), frame.clockMs);
  if (results) {
    paintResultsPopup(canvas, frame, static_cast<float>(width), static_cast<float>(height), resultsCache_);
  } else {
    paintLanguagePopup(canvas, frame);
  }
}

void MainWindow::mirrorPopup(bool results) {
  PopupSurface* popup = results ? resultsPopup_.get() : languagePopup_.get();
  AccessibleProxies* proxies = results ? resultsProxies_.get() : languageProxies_.get();
  if (!popup || !proxies) return;
  FrameState frame = frameStateFrom(state_, mainWindowHasFocus(), clockMs());
  const std::vector<AccessibleElement> list =
      results ? accessibleResultsList(frame, resultsPopupWidth(), state_.resultsViewHeight)
              : accessibleLanguageList(frame);
  if (proxies->mirror(list)) gtk_widget_queue_allocate(proxies->layer());
  popup->focusWithin(proxies->selectedOption());
}

PopupSurface& MainWindow::languagePopup() {
  if (!languagePopup_) {
    PopupHooks hooks;
    hooks.paint = [this](cairo_t* cr, double w, double h) { paintPopup(cr, w, h, false); };
    hooks.pointerMoved = [this](double x, double y) {
      languagePopupPointer(state_, *this, languageCellAt(static_cast<float>(x), static_cast<float>(y)));
    };
    hooks.pointerLeft = [this] { languagePopupPointerLeft(state_, *this); };
    hooks.released = [this](double x, double y) {
      int cell = languageCellAt(static_cast<float>(x), static_cast<float>(y));
      if (cell >= 0) languagePopupClick(state_, *this, cell);
    };
    hooks.key = [this](guint keyval, GdkModifierType) {
      languagePopupKey(state_, *this, popupKeyOf(keyval));
    };
    hooks.closed = [this] { languagePopupClosed(state_, *this); };
    languagePopup_ = std::make_unique<PopupSurface>(parts_.view, std::move(hooks));
    languageProxies_ = std::make_unique<AccessibleProxies>(
        [this](const AccessibleElement& element) { languagePopupClick(state_, *this, element.item); });
    languagePopup_->addAccessibleLayer(languageProxies_->layer());
  }
  return *languagePopup_;
}

PopupSurface& MainWindow::resultsPopup() {
  if (!resultsPopup_) {
    PopupHooks hooks;
    hooks.paint = [this](cairo_t* cr, double w, double h) { paintPopup(cr, w, h, true); };
    hooks.pointerMoved = [this](double, double y) {
      resultsPopupPointer(state_, *this, resultsRowAt(state_, static_cast<float>(y)));
    };
    hooks.pointerLeft = [this] { resultsPopupPointerLeft(state_, *this); };
    hooks.released = [this](double, double y) {
      int row = resultsRowAt(state_, static_cast<float>(y));
      if (row >= 0) chooseResult(state_, *this, row);
    };
    hooks.key = [this](guint keyval, GdkModifierType) { resultsPopupKey(state_, *this, popupKeyOf(keyval)); };
    hooks.wheel = [this](double notches) { resultsPopupWheel(state_, *this, static_cast<float>(notches)); };
    hooks.closed = [this] { resultsPopupClosed(state_, *this); };
    resultsPopup_ = std::make_unique<PopupSurface>(parts_.view, std::move(hooks));
    resultsProxies_ = std::make_unique<AccessibleProxies>(
        [this](const AccessibleElement& element) { chooseResult(state_, *this, element.item); });
    resultsPopup_->addAccessibleLayer(resultsProxies_->layer());
  }
  return *resultsPopup_;
}

}  // namespace tarnwick
