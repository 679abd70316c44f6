#include "shell/win32/desktop.h"

#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cwchar>

#include "base/com_win32.h"
#include "base/text.h"

namespace tarnwick::win32 {
namespace {

// The dialogs and the shell's item calls need COM on this thread; wWinMain has started it already.
constexpr DWORD shellApartment = COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE;

std::wstring pickFolder(HWND owner, const std::wstring& startFolder) {
  ComApartment apartment(shellApartment);
  ComRef<IFileOpenDialog> dialog;
  if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileOpenDialog,
                              reinterpret_cast<void**>(dialog.put()))))
    return {};
  FILEOPENDIALOGOPTIONS options = 0;
  if (FAILED(dialog->GetOptions(&options)) ||
      FAILED(dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM)))
    return {};
  if (!startFolder.empty()) {
    ComRef<IShellItem> start;
    if (SUCCEEDED(SHCreateItemFromParsingName(startFolder.c_str(), nullptr, IID_IShellItem,
                                              reinterpret_cast<void**>(start.put()))))
      dialog->SetFolder(start.get());
  }
  // Cancelling answers HRESULT_FROM_WIN32(ERROR_CANCELLED): the same empty answer as a failure.
  if (FAILED(dialog->Show(owner))) return {};
  ComRef<IShellItem> result;
  if (FAILED(dialog->GetResult(result.put()))) return {};
  wchar_t* path = nullptr;
  if (FAILED(result->GetDisplayName(SIGDN_FILESYSPATH, &path)) || !path) return {};
  std::wstring chosen = path;
  CoTaskMemFree(path);
  return chosen;
}

void shellOpen(const std::wstring& target) {
  ComApartment apartment(shellApartment);  // ShellExecuteW may hand the target to a COM-based handler
  ShellExecuteW(nullptr, L"open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace

void readClipboardText(HWND owner, std::function<void(std::optional<std::wstring>)> done) {
  std::optional<std::wstring> text;
  if (OpenClipboard(owner)) {
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
      if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
        // Bounded by the block: a text put there without its terminator must not be read past.
        const std::size_t capacity = GlobalSize(data) / sizeof(wchar_t);
        text = std::wstring(chars, wcsnlen(chars, capacity));
        GlobalUnlock(data);
      }
    }
    CloseClipboard();
  }
  // After CloseClipboard: the answer may open it again, or ask another program to.
  if (done) done(std::move(text));
}

void chooseFolder(HWND owner, const std::wstring& startFolder,
                  std::function<void(const std::wstring&)> chosen) {
  std::wstring folder = pickFolder(owner, startFolder);
  if (chosen) chosen(folder);
}

bool askYesNo(HWND owner, const std::wstring& question) {
  return MessageBoxW(owner, question.c_str(), L"Tarnwick", MB_YESNO | MB_ICONWARNING) == IDYES;
}

void openFolder(const std::wstring& folder) {
  if (!folder.empty()) shellOpen(folder);
}

void openUrl(const std::wstring& url) {
  const std::wstring lower = asciiLower(url);
  if (startsWith(lower, L"https://") || startsWith(lower, L"http://")) shellOpen(url);
}

void showInFileManager(const std::wstring& file) {
  ComApartment apartment(shellApartment);
  PIDLIST_ABSOLUTE item = nullptr;
  bool shown = false;
  if (!file.empty() && SUCCEEDED(SHParseDisplayName(file.c_str(), nullptr, &item, 0, nullptr))) {
    shown = SUCCEEDED(SHOpenFolderAndSelectItems(item, 0, nullptr, 0));
    CoTaskMemFree(item);
  }
  if (!shown) openFolder(folderOf(file));
}

void beep(Beep kind) {
  MessageBeep(kind == Beep::error ? MB_ICONHAND : MB_ICONASTERISK);
}

void requestAttention(HWND window) {
  if (!window || GetForegroundWindow() == window) return;
  FLASHWINFO flash{};
  flash.cbSize = sizeof flash;
  flash.hwnd = window;
  flash.dwFlags = FLASHW_TRAY | FLASHW_TIMERNOFG;
  flash.uCount = 3;
  FlashWindowEx(&flash);
}

}  // namespace tarnwick::win32
