// Program entry of NorvikCleaner.exe: the real ports, the main window and
// the message loop.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include "platform/win32/system_library.h"
#include "platform/win32/win_platform.h"
#include "ui/win32/main_window.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
  // Before anything can load a library: none is ever taken from the
  // program's folder or the current folder.
  nc::win32::RestrictLibrarySearchToSystemFolder();
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  INITCOMMONCONTROLSEX controls{sizeof controls,
                                ICC_WIN95_CLASSES | ICC_LINK_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  nc::win32::WinPlatform platform;
  nc::ui::MainWindow window(platform);
  // Exit codes: 0 done, 1 an unattended run ended with failures or
  // refusals, 2 the program could not run (app/run_report.h).
  if (!window.Create()) return 2;
  ShowWindow(window.hwnd(), show);
  UpdateWindow(window.hwnd());

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  CoUninitialize();
  return window.controller().exitCode();
}
