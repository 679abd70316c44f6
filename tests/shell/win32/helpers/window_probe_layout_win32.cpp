#include "window_probe_layout.h"

#include <cmath>
#include <string>

#include "app/app_settings.h"
#include "app/app_state.h"
#include "render/direct2d_canvas.h"
#include "render/frame_state_from_app.h"
#include "render/main_layout.h"

namespace {

using namespace tarnwick;

std::optional<int> chipIndexIn(std::wstring_view name, std::wstring_view prefix, int count) {
  if (!name.starts_with(prefix) || name.size() != prefix.size() + 1) return std::nullopt;
  const int i = name.back() - L'0';
  if (i < 0 || i >= count) return std::nullopt;
  return i;
}

std::optional<RectF> elementRect(const MainLayout& o, std::wstring_view name) {
  if (name == L"download") return o.actionButtonRect;
  if (name == L"paste") return o.pasteButtonRect;
  if (name == L"video") return o.videoModeRect;
  if (name == L"audio") return o.audioModeRect;
  if (name == L"playlist") return o.playlistHitRect;
  if (name == L"language") return o.languageButtonRect;
  if (name == L"open-folder") return o.openFolderRect;
  if (name == L"change-folder") return o.changeFolderRect;
  if (name == L"clear-log") return o.clearLogRect;
  if (name == L"link-edit") return o.linkEditRect;
  if (name == L"log-edit") return o.logEditRect;
  if (auto i = chipIndexIn(name, L"format-", o.formatChipCount)) return o.formatChipRects[*i];
  if (auto i = chipIndexIn(name, L"quality-", o.qualityChipCount)) return o.qualityChipRects[*i];
  return std::nullopt;
}

}  // namespace

std::optional<RECT> elementScreenRect(HWND window, std::wstring_view name, std::optional<bool> audioMode) {
  RECT client{};
  if (!GetClientRect(window, &client)) return std::nullopt;
  const UINT dpi = GetDpiForWindow(window);
  const float scale = dpi ? dpi / 96.0f : 1.0f;

  AppState app;
  loadAppSettings(app);
  if (audioMode) app.audioMode = *audioMode;
  const FrameState frame = frameStateFrom(app, false, 0);
  const DirectWriteText text;
  const MainLayout layout = layoutMainWindow(frame, client.right / scale, client.bottom / scale, text);
  const std::optional<RectF> r = elementRect(layout, name);
  if (!r) return std::nullopt;

  POINT topLeft{std::lround(r->left * scale), std::lround(r->top * scale)};
  POINT bottomRight{std::lround(r->right * scale), std::lround(r->bottom * scale)};
  if (!ClientToScreen(window, &topLeft) || !ClientToScreen(window, &bottomRight)) return std::nullopt;
  return RECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
}
