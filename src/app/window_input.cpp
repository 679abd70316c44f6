#include "app/window_input.h"

#include <algorithm>
#include <filesystem>

#include "app/actions.h"
#include "app/app_settings.h"
#include "app/host.h"
#include "app/link_box.h"
#include "app/popups.h"
#include "base/text.h"
#include "pipeline/format_tables.h"

namespace tarnwick {
namespace {

void downloadButton(AppState& state, Host& host) {
  const std::uint64_t now = state.now();
  if (state.lastDownloadClick && now - *state.lastDownloadClick < downloadClickGuardMs) return;
  state.lastDownloadClick = now;
  if (state.jobState != downloadJobRunning && !state.pendingRequest) {
    startDownload(state, host);
  } else {
    cancelOrDropPending(state, host);
  }
}

void chooseFolder(AppState& state, Host& host) {
  host.chooseFolder(state.folder, [&state, &host](const std::wstring& chosen) {
    if (chosen.empty()) return;
    state.folder = chosen;
    saveAppSettings(state);
    host.repaint();
  });
}

void showInFolder(AppState& state, Host& host) {
  std::error_code error;
  if (!state.outputPath.empty() && std::filesystem::is_regular_file(toPath(state.outputPath), error)) {
    host.showInFileManager(state.outputPath);
  } else {
    host.openFolder(effectiveFolder(state));
  }
}

void chooseChip(AppState& state, Host& host, ElementId id) {
  const int i = chipIndex(id);
  if (isFormatChip(id)) {
    if (state.audioMode) {
      if (i >= static_cast<int>(audioFormatCount)) return;
      state.audioFormat = i;
    } else {
      if (i >= static_cast<int>(videoFormatCount)) return;
      state.videoFormat = i;
    }
  } else {
    if (state.audioMode) {
      if (i >= static_cast<int>(bitrateCount)) return;
      state.bitrate = i;
    } else {
      if (i >= static_cast<int>(qualityCount)) return;
      state.quality = i;
    }
  }
  saveAppSettings(state);
  host.repaint();
}

// The selected member of a group, or its first enabled member when the selected one is disabled;
// none when the group has no enabled member.
ElementId groupEntry(const AppState& state, int group, ElementId selected) {
  std::vector<ElementId> members = groupMembers(state, group);
  if (members.empty()) return ElementId::none;
  if (std::find(members.begin(), members.end(), selected) != members.end()) return selected;
  return members.front();
}

}  // namespace

void activateElement(AppState& state, Host& host, ElementId id) {
  if (id == ElementId::none || !isElementEnabled(state, id)) return;
  switch (id) {
    case ElementId::language:
      openLanguagePopup(state, host);
      return;
    case ElementId::paste:
      pasteFromClipboard(state, host);
      return;
    case ElementId::download:
      downloadButton(state, host);
      return;
    case ElementId::videoMode:
    case ElementId::audioMode:
      state.audioMode = id == ElementId::audioMode;
      saveAppSettings(state);
      host.relayout();
      host.repaint();
      return;
    case ElementId::playlist:
      state.wholePlaylist = !state.wholePlaylist;
      saveAppSettings(state);
      host.repaint();
      return;
    case ElementId::changeFolder:
      chooseFolder(state, host);
      return;
    case ElementId::openFolder:
      host.openFolder(effectiveFolder(state));
      return;
    case ElementId::showInFolder:
      showInFolder(state, host);
      return;
    case ElementId::clearLog:
      state.log.clear();
      return;
    case ElementId::footerLink:
      host.openUrl(productSiteUrl);
      return;
    default:
      if (chipIndex(id) >= 0) chooseChip(state, host, id);
      return;
  }
}

std::vector<ElementId> groupMembers(const AppState& state, int group) {
  std::vector<ElementId> members;
  auto add = [&](ElementId id) {
    if (isElementEnabled(state, id)) members.push_back(id);
  };
  if (group == 1) {
    add(ElementId::videoMode);
    add(ElementId::audioMode);
  } else if (group == 2) {
    // Never more chips than the mode's table has rows, whatever the layout last counted.
    const int rows = static_cast<int>(state.audioMode ? audioFormatCount : videoFormatCount);
    for (int i = 0; i < std::min(state.formatButtonCount, rows); ++i) add(formatChipId(i));
  } else if (group == 3) {
    const int rows = static_cast<int>(state.audioMode ? bitrateCount : qualityCount);
    for (int i = 0; i < std::min(state.qualityButtonCount, rows); ++i) add(qualityChipId(i));
  }
  return members;
}

std::vector<ElementId> tabOrder(const AppState& state) {
  const ElementId mode = state.audioMode ? ElementId::audioMode : ElementId::videoMode;
  const ElementId format = formatChipId(state.audioMode ? state.audioFormat : state.videoFormat);
  const ElementId quality = qualityChipId(state.audioMode ? state.bitrate : state.quality);
  const ElementId entries[] = {
      ElementId::paste,        ElementId::download,          groupEntry(state, 1, mode),
      ElementId::playlist,     groupEntry(state, 2, format), groupEntry(state, 3, quality),
      ElementId::changeFolder, ElementId::openFolder,        ElementId::showInFolder,
      ElementId::clearLog,     ElementId::language,          ElementId::footerLink};
  std::vector<ElementId> order;
  for (ElementId id : entries) {
    if (id != ElementId::none && isElementEnabled(state, id)) order.push_back(id);
  }
  return order;
}

void moveFocus(AppState& state, Host& host, int direction) {
  const std::vector<ElementId> order = tabOrder(state);
  const int count = static_cast<int>(order.size());
  int position = -1;
  if (state.focusId != ElementId::none && !state.linkBoxFocused) {
    const int group = elementGroup(state.focusId);
    for (int i = 0; i < count; ++i) {
      if (order[static_cast<std::size_t>(i)] == state.focusId ||
          (group != 0 && elementGroup(order[static_cast<std::size_t>(i)]) == group)) {
        position = i;
        break;
      }
    }
  }
  state.focusVisible = true;
  int next = position + direction;
  if (next < -1) next = count - 1;
  if (next == -1 || next >= count) {
    state.focusId = ElementId::none;
    host.focusLinkBox(LinkSelection::selectAll);
  } else {
    state.focusId = order[static_cast<std::size_t>(next)];
    host.focusMainWindow();
  }
  host.repaint();
}

bool mainWindowKey(AppState& state, Host& host, Key key, bool shift) {
  const bool elementFocused = host.mainWindowHasFocus() && state.focusId != ElementId::none;
  switch (key) {
    case Key::tab:
      moveFocus(state, host, shift ? -1 : +1);
      return true;
    case Key::enter:
    case Key::space:
      if (elementFocused && isElementEnabled(state, state.focusId)) {
        state.focusVisible = true;
        activateElement(state, host, state.focusId);
        return true;
      }
      if (key == Key::enter) {
        startDownload(state, host);
        return true;
      }
      return false;
    case Key::escape:
      cancelOrDropPending(state, host);
      return true;
    case Key::left:
    case Key::right:
    case Key::up:
    case Key::down: {
      const int group = elementGroup(state.focusId);
      if (!elementFocused || group == 0) return false;
      state.focusVisible = true;
      const int direction = key == Key::left || key == Key::up ? -1 : +1;
      const std::vector<ElementId> members = groupMembers(state, group);
      auto at = std::find(members.begin(), members.end(), state.focusId);
      if (at != members.end()) {
        const auto index = (at - members.begin()) + direction;
        if (index >= 0 && index < static_cast<long>(members.size())) {
          state.focusId = members[static_cast<std::size_t>(index)];
          activateElement(state, host, state.focusId);
        }
      }
      host.repaint();
      return true;
    }
    default:
      return false;
  }
}

void pointerMoved(AppState& state, Host& host, ElementId id) {
  state.mouseTracked = true;
  if (id == state.hoverId) return;
  state.hoverId = id;
  host.repaint();
}

void pointerPressed(AppState& state, Host& host, ElementId id) {
  state.pressedId = id;
  state.focusVisible = false;
  if (id != ElementId::none) state.focusId = id;
  host.repaint();
}

void pointerReleased(AppState& state, Host& host, ElementId id) {
  const ElementId previous = state.pressedId;
  state.pressedId = ElementId::none;
  host.repaint();
  if (id != ElementId::none && id == previous) activateElement(state, host, id);
}

void pointerLeft(AppState& state, Host& host) {
  state.mouseTracked = false;
  if (state.hoverId == ElementId::none) return;
  state.hoverId = ElementId::none;
  host.repaint();
}

void returnKeyboardFocus(AppState& state, Host& host) {
  if (state.focusId != ElementId::none && isElementEnabled(state, state.focusId)) {
    host.focusMainWindow();
  } else {
    state.focusId = ElementId::none;
    host.focusLinkBox(LinkSelection::keep);
  }
  host.repaint();
}

void mainWindowFocusChanged(AppState& state, Host& host, bool focused) {
  if (focused && (state.focusId == ElementId::none || !isElementEnabled(state, state.focusId))) {
    state.focusId = ElementId::none;
    host.focusLinkBox(LinkSelection::keep);
  }
  host.repaint();
}

}  // namespace tarnwick
