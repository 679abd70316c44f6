// Tarnwick's entry point on Windows.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include "render/direct2d_canvas.h"
#include "shell/win32/main_window.h"
#include "shell/win32/popup_window.h"
#include "shell/win32/single_instance.h"
#include "shell/win32/window_metrics.h"

namespace {

// The preferred client size at the system DPI, capped to the work area and centred in it.
RECT openingRect() {
  const UINT dpi = GetDpiForSystem();
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const SIZE outer = tarnwick::win32::outerSizeForClient(tarnwick::win32::preferredClientWidthDip,
                                                         tarnwick::win32::preferredClientHeightDip, dpi);
  return tarnwick::win32::initialWindowRect(work, outer);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
  using namespace tarnwick::win32;
  SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
  // One per logon: a second start brings the first window forward and ends.
  SingleInstance single;
  if (!single.first()) {
    bringFirstWindowForward();
    return 0;
  }
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  // Every yt-dlp child writes UTF-8 to its pipes.
  SetEnvironmentVariableW(L"PYTHONIOENCODING", L"utf-8");
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  // The factories live until the process ends; made now so the first frame does not wait.
  (void)tarnwick::d2dFactory();
  (void)tarnwick::dwriteFactory();
  registerMainWindowClass(instance);
  PopupWindow::registerClasses(instance);

  int status = 1;
  {
    MainWindow window;
    if (window.create(instance, openingRect())) {
      window.show(showCommand);
      MSG message;
      while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
      status = 0;
    }
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return status;
}
