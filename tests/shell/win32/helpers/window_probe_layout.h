// Where the probe finds a drawn element of the Tarnwick window on the screen.
#pragma once

#include <windows.h>

#include <optional>
#include <string_view>

// The element's rectangle in screen pixels: the portable layout, made with DirectWrite on the
// window's client size in DIPs from the saved settings (which the window read at its start), the
// mode replaced by `audioMode` when given. Names: download, paste, video, audio, playlist,
// language, open-folder, change-folder, clear-log, link-edit, log-edit, format-<i>, quality-<i>.
// Nullopt for an unknown name, a chip the mode does not show, or no layout.
[[nodiscard]] std::optional<RECT> elementScreenRect(HWND window, std::wstring_view name,
                                                    std::optional<bool> audioMode);
