#include "shell/win32/edit_controls.h"

#include <cmath>
#include <string>

#include "base/text.h"
#include "render/palette.h"

namespace tarnwick::win32 {
namespace {

constexpr std::uint32_t linkEditBackground = palette::fieldFill;
constexpr std::uint32_t logEditBackground = palette::logFill;

HFONT makeFont(double sizeDip, UINT dpi, DWORD pitch, const std::string& family) {
  const int height = -static_cast<int>(std::lround(dpi * sizeDip / 96));
  return CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, pitch, utf8ToWide(family).c_str());
}

}  // namespace

HWND createLinkEdit(HWND parent) {
  return CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 0, 0, 0, 0,
                         parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(linkEditId)),
                         reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE)), nullptr);
}

HWND createLogEdit(HWND parent) {
  HWND edit =
      CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY, 0,
                      0, 0, 0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(logEditId)),
                      reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE)), nullptr);
  if (edit) SendMessageW(edit, EM_SETLIMITTEXT, 0, 0);  // the largest text the control takes
  return edit;
}

EditLook::EditLook()
    : linkBrush_(CreateSolidBrush(colorRefOf(linkEditBackground))),
      logBrush_(CreateSolidBrush(colorRefOf(logEditBackground))) {}

EditLook::~EditLook() {
  for (HGDIOBJ object : {static_cast<HGDIOBJ>(linkFont_), static_cast<HGDIOBJ>(logFont_),
                         static_cast<HGDIOBJ>(linkBrush_), static_cast<HGDIOBJ>(logBrush_)}) {
    if (object) DeleteObject(object);
  }
}

void EditLook::createFonts(HWND linkEdit, HWND logEdit, UINT dpi, const FontFamilies& families) {
  HFONT link = makeFont(15, dpi, DEFAULT_PITCH, families.ui);
  HFONT log = makeFont(12.5, dpi, FIXED_PITCH, families.mono);
  if (linkEdit) {
    SendMessageW(linkEdit, WM_SETFONT, reinterpret_cast<WPARAM>(link), TRUE);
    SendMessageW(linkEdit, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
  }
  if (logEdit) SendMessageW(logEdit, WM_SETFONT, reinterpret_cast<WPARAM>(log), TRUE);
  if (linkFont_) DeleteObject(linkFont_);
  if (logFont_) DeleteObject(logFont_);
  linkFont_ = link;
  logFont_ = log;
}

HBRUSH EditLook::colors(HWND control, HDC dc, HWND linkEdit, HWND logEdit, bool busy) const {
  if (control == linkEdit && linkEdit) {
    SetTextColor(dc, colorRefOf(busy ? palette::textMuted : palette::textPrimary));
    SetBkColor(dc, colorRefOf(linkEditBackground));
    return linkBrush_;
  }
  if (control == logEdit && logEdit) {
    SetTextColor(dc, colorRefOf(palette::logText));
    SetBkColor(dc, colorRefOf(logEditBackground));
    return logBrush_;
  }
  return nullptr;
}

void LogEditMirror::logAppended(std::wstring_view text) {
  if (!edit_ || text.empty()) return;
  // EM_REPLACESEL stops at a NUL; a stand-in of the same length keeps the control's offsets
  // equal to the model's.
  std::wstring clean(text);
  for (wchar_t& c : clean) {
    if (c == L'\0') c = 0xFFFD;
  }
  const int end = GetWindowTextLengthW(edit_);
  SendMessageW(edit_, EM_SETSEL, static_cast<WPARAM>(end), end);
  SendMessageW(edit_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(clean.c_str()));
}

void LogEditMirror::logTrimmed(std::size_t count) {
  if (!edit_ || count == 0) return;
  SendMessageW(edit_, EM_SETSEL, 0, static_cast<LPARAM>(count));
  SendMessageW(edit_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
}

void LogEditMirror::logCleared() {
  if (edit_) SetWindowTextW(edit_, L"");
}

void LogEditMirror::scrollToEnd() const {
  if (edit_) SendMessageW(edit_, WM_VSCROLL, SB_BOTTOM, 0);
}

}  // namespace tarnwick::win32
