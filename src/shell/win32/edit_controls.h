// The main window's two native EDIT controls: the link box (id 101) and the read-only log
// (id 102), their GDI fonts and colours, and the log's mirror of the app's LogModel. UI thread.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string_view>

#include "app/log_model.h"
#include "render/text_format.h"

namespace tarnwick::win32 {

inline constexpr int linkEditId = 101;
inline constexpr int logEditId = 102;

[[nodiscard]] constexpr COLORREF colorRefOf(std::uint32_t rgb) {
  return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

// Both are made with no text at zero size; the layout places them.
[[nodiscard]] HWND createLinkEdit(HWND parent);
[[nodiscard]] HWND createLogEdit(HWND parent);

class EditLook {
 public:
  EditLook();
  ~EditLook();
  EditLook(const EditLook&) = delete;
  EditLook& operator=(const EditLook&) = delete;

  // (Re)makes both fonts for `dpi` and hands them to the controls; the old ones are deleted once
  // the new ones are in place.
  void createFonts(HWND linkEdit, HWND logEdit, UINT dpi, const FontFamilies& families);
  // The WM_CTLCOLOREDIT / WM_CTLCOLORSTATIC answer for the two controls; null for any other
  // control (default handling). `busy`: a download runs, the link box's text is muted.
  [[nodiscard]] HBRUSH colors(HWND control, HDC dc, HWND linkEdit, HWND logEdit, bool busy) const;

 private:
  HFONT linkFont_ = nullptr;
  HFONT logFont_ = nullptr;
  HBRUSH linkBrush_ = nullptr;
  HBRUSH logBrush_ = nullptr;
};

// Keeps the log EDIT equal to the model: appends only the new piece, never re-reads the text.
class LogEditMirror final : public LogObserver {
 public:
  void attach(HWND logEdit) { edit_ = logEdit; }
  void logAppended(std::wstring_view text) override;
  void logTrimmed(std::size_t count) override;
  void logCleared() override;
  // Shows the newest line (after the control moved or changed size).
  void scrollToEnd() const;

 private:
  HWND edit_ = nullptr;
};

}  // namespace tarnwick::win32
