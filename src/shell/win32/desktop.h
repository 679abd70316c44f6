// What the desktop does for the Win32 window: the clipboard, the folder picker, the yes/no
// question, opening folders and web addresses, showing a file in Explorer, the beep and the
// taskbar flash. UI thread only (the dialogs need its single-threaded COM apartment); failures are
// silent.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "app/host.h"

namespace tarnwick::win32 {

// The clipboard's CF_UNICODETEXT, or nullopt when it holds no text or cannot be opened. `done`
// runs before this returns.
void readClipboardText(HWND owner, std::function<void(std::optional<std::wstring>)> done);
// The system folder picker, starting in `startFolder` when it exists; `chosen` gets "" when the
// user cancels or the picker fails. Modal: returns after `chosen` ran.
void chooseFolder(HWND owner, const std::wstring& startFolder,
                  std::function<void(const std::wstring&)> chosen);
// A modal warning with Yes and No; true only for Yes.
bool askYesNo(HWND owner, const std::wstring& question);
void openFolder(const std::wstring& folder);
// Only http and https addresses: anything else could start a program.
void openUrl(const std::wstring& url);
// Explorer with the file selected; its folder opened when the file cannot be selected.
void showInFileManager(const std::wstring& file);
void beep(Beep kind);
// Flashes the taskbar button until the user brings the window forward; nothing when it is in front.
void requestAttention(HWND window);

}  // namespace tarnwick::win32
