// Starts NorvikCleaner.exe from a fresh program folder of its own and
// drives its main window from outside, as another program would.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace nc::wintest {

// The folder of the built program (NC_BIN_DIR, set by ./test; else the
// folder of the test program).
std::wstring BinDir();
// Where screenshots go (NC_BUILD_DIR\screenshots); created on demand.
std::wstring ScreenshotDir();

class ProgramUnderTest {
 public:
  // Copies the program and its shipped files into a new temporary
  // program folder.
  ProgramUnderTest();
  ~ProgramUnderTest();
  ProgramUnderTest(const ProgramUnderTest&) = delete;
  ProgramUnderTest& operator=(const ProgramUnderTest&) = delete;

  const std::wstring& folder() const { return folder_; }
  std::wstring file(const std::wstring& name) const { return folder_ + L"\\" + name; }
  // Writes the settings file so that the Cleaner page ticks `item` alone,
  // with fast mode on or off.
  void TickOnlyCleanerItem(const wchar_t* item, bool fastMode) const;

  // Starts the program with the arguments; false when it could not start.
  bool Start(const std::wstring& arguments = L"");
  // Waits until the main window exists, is visible and has its controls.
  HWND WaitForMainWindow(DWORD timeoutMs = 20000);
  // Waits for the process to end; its exit code, or -1 on time-out.
  int WaitForExit(DWORD timeoutMs = 20000);
  // Asks the window to close as its close box would.
  void Close();
  bool Running() const;

  HWND window() const { return window_; }

 private:
  std::wstring folder_;
  PROCESS_INFORMATION process_{};
  HWND window_ = nullptr;
};

// The child control with the given text, searched depth first.
HWND FindControlByText(HWND parent, const std::wstring& text);
std::wstring TextOf(HWND window);
// Pumps this thread's messages while waiting.
void Pause(DWORD ms);
// Saves what the screen shows of the window as a 24-bit BMP file.
bool SaveWindowBitmap(HWND window, const std::wstring& path);

}  // namespace nc::wintest
