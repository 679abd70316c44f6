#include "app/link_box.h"

#include "app/actions.h"
#include "app/host.h"
#include "app/popups.h"
#include "base/text.h"
#include "lookup/link_recognition.h"

namespace tarnwick {

void linkTextChanged(AppState& state, Host& host) {
  const std::wstring text = trimText(host.linkText());
  state.searchMode = !text.empty() && !isLinkLike(text);
  host.armLinkCheckTimer();
  host.repaint();
}

void linkCheckTimerFired(AppState& state, Host& host) {
  host.stopLinkCheckTimer();
  const std::wstring text = trimText(host.linkText());
  const std::wstring id = isLinkLike(text) ? extractVideoId(text) : std::wstring();
  if (id.empty()) {
    clearPreview(state, host);
    return;
  }
  // The same link again restarts only a preview that turned out unavailable: the lookups are
  // tried again.
  if (state.preview.active && state.preview.videoId == id && !state.preview.unavailable) return;
  PreviewState fresh;
  fresh.videoId = id;
  startPreview(state, host, std::move(fresh), true);
}

void linkBoxFocusChanged(AppState& state, Host& host, bool focused) {
  state.linkBoxFocused = focused;
  if (focused) state.focusId = ElementId::none;
  host.repaint();
}

bool linkBoxKey(AppState& state, Host& host, Key key, bool shift) {
  switch (key) {
    case Key::tab:
      moveFocus(state, host, shift ? -1 : +1);
      return true;
    case Key::enter:
      startDownload(state, host);
      return true;
    case Key::escape:
      cancelOrDropPending(state, host);
      return true;
    case Key::down:
      if (state.results.empty() || !state.searchMode) return false;
      openResultsPopup(state, host);
      return true;
    default:
      return false;
  }
}

void pasteFromClipboard(AppState&, Host& host) {
  host.readClipboardText([&host](std::optional<std::wstring> text) {
    if (text) host.setLinkText(trimText(*text));
    host.focusLinkBox(LinkSelection::selectAll);
  });
}

bool isStartupPasteLink(const std::wstring& text) {
  if (text.size() >= 500 || text.find(L' ') != std::wstring::npos) return false;
  return text.find(videoSiteDomainMarker) != std::wstring::npos ||
         text.find(shortLinkDomainMarker) != std::wstring::npos;
}

void pasteAtStartup(AppState&, Host& host) {
  host.readClipboardText([&host](std::optional<std::wstring> text) {
    if (!text) return;
    const std::wstring trimmed = trimText(*text);
    if (isStartupPasteLink(trimmed)) host.setLinkText(trimmed);
  });
}

}  // namespace tarnwick
