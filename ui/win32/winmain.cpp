// Program entry of NorvikCleaner.exe.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  MessageBoxW(nullptr, L"Norvik Cleaner", L"Norvik Cleaner", MB_OK);
  return 0;
}
