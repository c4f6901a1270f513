#include "platform/win32/win_desktop.h"

#include <windows.h>

#include "platform/win32/wide.h"

namespace nc::win32 {

namespace {

HWND Handle(platform::WindowId window) {
  return reinterpret_cast<HWND>(window);
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
  wchar_t className[256] = {};
  const int length = GetClassNameW(window, className, 256);
  auto* windows = reinterpret_cast<std::vector<platform::TopWindow>*>(list);
  windows->push_back({reinterpret_cast<platform::WindowId>(window),
                      Narrow(std::wstring_view(className, length > 0 ? length : 0))});
  return TRUE;
}

}  // namespace

std::uint16_t WinDesktop::addAtom(std::string_view name) {
  return GlobalAddAtomW(Widen(name).c_str());
}

std::uint16_t WinDesktop::findAtom(std::string_view name) {
  return GlobalFindAtomW(Widen(name).c_str());
}

void WinDesktop::deleteAtom(std::uint16_t atom) {
  if (atom != 0) GlobalDeleteAtom(atom);
}

bool WinDesktop::registerHotkey(platform::WindowId window, int id, std::uint32_t modifiers,
                                std::uint32_t keyCode) {
  return RegisterHotKey(Handle(window), id, modifiers, keyCode) != FALSE;
}

void WinDesktop::unregisterHotkey(platform::WindowId window, int id) {
  UnregisterHotKey(Handle(window), id);
}

std::vector<platform::TopWindow> WinDesktop::topLevelWindows() {
  std::vector<platform::TopWindow> windows;
  EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&windows));
  return windows;
}

void WinDesktop::showWindow(platform::WindowId window, bool shown) {
  ShowWindow(Handle(window), shown ? SW_SHOW : SW_HIDE);
}

}  // namespace nc::win32
