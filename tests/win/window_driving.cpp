#include "window_driving.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <vector>

#include "program_under_test.h"

namespace nc::wintest {

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  while (GetTickCount64() < end) {
    if (condition()) return true;
    Pause(50);
  }
  return condition();
}

HWND WaitForWindow(const wchar_t* className, const wchar_t* caption, DWORD timeoutMs) {
  HWND found = nullptr;
  WaitFor(
      [&] {
        found = FindWindowW(className, caption);
        return found != nullptr && IsWindowVisible(found);
      },
      timeoutMs);
  return found != nullptr && IsWindowVisible(found) ? found : nullptr;
}

bool WaitGone(HWND window, DWORD timeoutMs) {
  return WaitFor([&] { return IsWindow(window) == FALSE; }, timeoutMs);
}

void CloseWindowsOf(std::initializer_list<const wchar_t*> classes) {
  for (const wchar_t* cls : classes) {
    for (int tries = 0; tries < 50; ++tries) {
      HWND left = FindWindowW(cls, nullptr);
      if (left == nullptr) break;
      PostMessageW(left, WM_CLOSE, 0, 0);
      Sleep(50);
    }
  }
}

void PostClick(HWND dialog, int id) {
  PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void Click(HWND dialog, int id) {
  SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void Type(HWND dialog, int id, const std::wstring& text) {
  SendMessageW(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool Enabled(HWND dialog, int id) {
  return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

int RowCount(HWND list) {
  return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}

std::wstring CellText(HWND list, int row, int column) {
  std::vector<wchar_t> buffer(4096, L'\0');
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = buffer.data();
  item.cchTextMax = static_cast<int>(buffer.size());
  SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
  return buffer.data();
}

std::wstring RemoteCellText(HWND list, int row, int column) {
  DWORD pid = 0;
  GetWindowThreadProcessId(list, &pid);
  HANDLE process =
      OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (process == nullptr) return L"<no access>";
  constexpr SIZE_T kChars = 1024;
  void* remote = VirtualAllocEx(process, nullptr, sizeof(LVITEMW) + kChars * sizeof(wchar_t),
                                MEM_COMMIT, PAGE_READWRITE);
  std::wstring text = L"<no memory>";
  if (remote != nullptr) {
    auto* remoteText = reinterpret_cast<wchar_t*>(static_cast<char*>(remote) + sizeof(LVITEMW));
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = remoteText;
    item.cchTextMax = static_cast<int>(kChars);
    WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(remote));
    std::vector<wchar_t> buffer(kChars + 1, L'\0');
    ReadProcessMemory(process, remoteText, buffer.data(), kChars * sizeof(wchar_t), nullptr);
    text = buffer.data();
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  }
  CloseHandle(process);
  return text;
}

int SelectedRow(HWND list) {
  return static_cast<int>(
      SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), MAKELPARAM(LVNI_SELECTED, 0)));
}

void SelectRow(HWND list, int row) {
  LVITEMW item{};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

void Screenshot(HWND window, const wchar_t* name) {
  wchar_t value[MAX_PATH] = {};
  if (GetEnvironmentVariableW(L"NC_BUILD_DIR", value, MAX_PATH) == 0) return;
  Sleep(150);  // let it paint
  EXPECT_TRUE(SaveWindowBitmap(window, ScreenshotDir() + L"\\" + name));
}

void SetRemoteRowState(HWND list, int row, UINT mask, UINT state) {
  DWORD pid = 0;
  GetWindowThreadProcessId(list, &pid);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid);
  if (process == nullptr) return;
  void* remote = VirtualAllocEx(process, nullptr, sizeof(LVITEMW), MEM_COMMIT, PAGE_READWRITE);
  LVITEMW item{};
  item.stateMask = mask;
  item.state = state;
  WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
  SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote));
  VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  CloseHandle(process);
}

std::vector<std::wstring> ListBoxLines(HWND list) {
  std::vector<std::wstring> lines;
  const auto count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const auto length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
    text.resize(wcslen(text.c_str()));
    lines.push_back(text);
  }
  return lines;
}

}  // namespace nc::wintest
