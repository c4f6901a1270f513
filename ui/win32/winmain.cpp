// Program entry of NorvikCleaner.exe: the real ports, the main window and
// the message loop.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include "app/options.h"
#include "platform/win32/win_platform.h"
#include "ui/win32/main_window.h"

namespace {

// The clean item tree and the registry section tree are not part of the
// window yet; until they are, the settings keep their stored marks
// through this empty pair of trees.
class NoTrees final : public nc::app::SettingsTrees {
 public:
  void UntickAllCleanNodes() override {}
  void SelectNodeByName(std::string_view) override {}
  std::vector<std::string> TickedCleanNodeNames() const override { return {}; }
  std::vector<std::pair<int, bool>> SectionTicks() const override { return {}; }
  void SetSectionTick(int, bool) override {}
  std::vector<TopNode> TopLevelNodes(Tree) const override { return {}; }
  void ExpandTopLevelNode(Tree, int) override {}
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  INITCOMMONCONTROLSEX controls{sizeof controls,
                                ICC_WIN95_CLASSES | ICC_LINK_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);

  nc::win32::WinPlatform platform;
  NoTrees trees;
  nc::ui::MainWindow window(platform.bundle(), trees);
  if (!window.Create()) return 1;
  ShowWindow(window.hwnd(), show);
  UpdateWindow(window.hwnd());

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  CoUninitialize();
  return 0;
}
