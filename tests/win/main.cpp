// Entry of the Windows test program: COM and the common controls are set up
// the way the program sets them up before any window is made.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <cstdio>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  // Unbuffered, so that a run stopped by a time limit still shows how far it got.
  std::setvbuf(stdout, nullptr, _IONBF, 0);

  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (FAILED(com)) {
    std::fprintf(stderr, "CoInitializeEx failed: 0x%08lx\n", static_cast<unsigned long>(com));
    return 2;
  }

  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof(controls);
  controls.dwICC = ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES | ICC_BAR_CLASSES |
                   ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES | ICC_PROGRESS_CLASS |
                   ICC_TAB_CLASSES | ICC_UPDOWN_CLASS;
  if (!InitCommonControlsEx(&controls)) {
    std::fprintf(stderr, "InitCommonControlsEx failed\n");
    CoUninitialize();
    return 2;
  }

  testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  CoUninitialize();
  return result;
}
