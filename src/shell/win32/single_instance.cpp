#include "shell/win32/single_instance.h"

namespace tarnwick::win32 {

SingleInstance::SingleInstance() {
  mutex_ = CreateMutexW(nullptr, FALSE, L"Local\\TarnwickApp.SingleInstance");
  const DWORD error = GetLastError();
  // A mutex of that name made under other rights is still another instance's.
  first_ = !(error == ERROR_ALREADY_EXISTS || (!mutex_ && error == ERROR_ACCESS_DENIED));
}

SingleInstance::~SingleInstance() {
  if (mutex_) CloseHandle(mutex_);
}

void bringFirstWindowForward() {
  HWND window = FindWindowW(L"TarnwickDesktopWnd", nullptr);
  if (!window) return;
  if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
  SetForegroundWindow(window);
}

}  // namespace tarnwick::win32
