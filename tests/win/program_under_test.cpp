#include "program_under_test.h"

#include <cstdio>
#include <filesystem>
#include <vector>

namespace nc::wintest {

namespace fs = std::filesystem;

std::wstring BinDir() {
  wchar_t value[MAX_PATH] = {};
  if (GetEnvironmentVariableW(L"NC_BIN_DIR", value, MAX_PATH) > 0) return value;
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  return fs::path(self).parent_path().wstring();
}

std::wstring ScreenshotDir() {
  wchar_t value[MAX_PATH] = {};
  fs::path dir = GetEnvironmentVariableW(L"NC_BUILD_DIR", value, MAX_PATH) > 0
                     ? fs::path(value)
                     : fs::path(BinDir()).parent_path();
  dir /= L"screenshots";
  std::error_code ec;
  fs::create_directories(dir, ec);
  return dir.wstring();
}

ProgramUnderTest::ProgramUnderTest() {
  // Not below the temporary folder: the program cleans that one.
  fs::path folder =
      fs::path(L"C:\\NorvikCleanerTests") /
      (std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount64()));
  std::error_code ec;
  fs::create_directories(folder, ec);
  const fs::path bin = BinDir();
  fs::copy_file(bin / L"NorvikCleaner.exe", folder / L"NorvikCleaner.exe", ec);
  for (const auto& entry : fs::directory_iterator(bin, ec)) {
    const auto ext = entry.path().extension().wstring();
    if (entry.is_regular_file() && ext != L".exe") {
      fs::copy_file(entry.path(), folder / entry.path().filename(), ec);
    }
  }
  folder_ = folder.wstring();
}

ProgramUnderTest::~ProgramUnderTest() {
  if (Running()) {
    Close();
    if (WaitForExit(5000) < 0) TerminateProcess(process_.hProcess, 1);
  }
  if (process_.hProcess != nullptr) CloseHandle(process_.hProcess);
  if (process_.hThread != nullptr) CloseHandle(process_.hThread);
  std::error_code ec;
  fs::remove_all(folder_, ec);
}

void ProgramUnderTest::TickOnlyCleanerItem(const wchar_t* item, bool fastMode) const {
  const std::wstring ini = file(L"options.ini");
  WritePrivateProfileStringW(L"NodeSelected", L"SelectedCount", L"1", ini.c_str());
  WritePrivateProfileStringW(L"NodeSelected", L"1", item, ini.c_str());
  WritePrivateProfileStringW(L"Settings", L"FastScan", fastMode ? L"1" : L"0", ini.c_str());
}

bool ProgramUnderTest::Start(const std::wstring& arguments) {
  std::wstring command = L"\"" + file(L"NorvikCleaner.exe") + L"\"";
  if (!arguments.empty()) command += L" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder_.c_str(),
                     &startup, &process_) != FALSE) {
    return true;
  }
  const DWORD error = GetLastError();
  std::fprintf(stderr, "the program could not be started: error %lu, its copy %s\n", error,
               GetFileAttributesW(file(L"NorvikCleaner.exe").c_str()) == INVALID_FILE_ATTRIBUTES
                   ? "is missing"
                   : "is there");
  return false;
}

namespace {
struct Search {
  DWORD processId;
  HWND found;
};

BOOL CALLBACK FindTopWindow(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  wchar_t className[128] = {};
  GetClassNameW(hwnd, className, 128);
  if (pid == search->processId &&
      std::wstring(className) == L"Norvik Cleaner Made by Norvik Software") {
    search->found = hwnd;
    return FALSE;
  }
  return TRUE;
}
}  // namespace

HWND ProgramUnderTest::WaitForMainWindow(DWORD timeoutMs) {
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  while (GetTickCount64() < end) {
    Search search{process_.dwProcessId, nullptr};
    EnumWindows(&FindTopWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr && IsWindowVisible(search.found) &&
        FindControlByText(search.found, L"More") != nullptr) {
      window_ = search.found;
      Pause(300);  // let it finish painting
      return window_;
    }
    if (!Running()) return nullptr;
    Pause(50);
  }
  return nullptr;
}

int ProgramUnderTest::WaitForExit(DWORD timeoutMs) {
  if (process_.hProcess == nullptr) return -1;
  const ULONGLONG end = GetTickCount64() + timeoutMs;
  while (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
    if (GetTickCount64() >= end) return -1;
    Pause(50);
  }
  DWORD code = 0;
  GetExitCodeProcess(process_.hProcess, &code);
  return static_cast<int>(code);
}

void ProgramUnderTest::Close() {
  if (window_ != nullptr) PostMessageW(window_, WM_CLOSE, 0, 0);
}

bool ProgramUnderTest::Running() const {
  return process_.hProcess != nullptr && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

namespace {
struct TextSearch {
  const std::wstring* text;
  HWND found;
};

BOOL CALLBACK FindChild(HWND hwnd, LPARAM param) {
  auto* search = reinterpret_cast<TextSearch*>(param);
  if (TextOf(hwnd) == *search->text) {
    search->found = hwnd;
    return FALSE;
  }
  return TRUE;
}
}  // namespace

HWND FindControlByText(HWND parent, const std::wstring& text) {
  TextSearch search{&text, nullptr};
  EnumChildWindows(parent, &FindChild, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::wstring TextOf(HWND window) {
  // WM_GETTEXT works across processes, unlike GetWindowText on controls.
  const auto length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  SendMessageW(window, WM_GETTEXT, static_cast<WPARAM>(text.size()),
               reinterpret_cast<LPARAM>(text.data()));
  text.resize(wcslen(text.c_str()));
  return text;
}

void Pause(DWORD ms) {
  const ULONGLONG end = GetTickCount64() + ms;
  while (GetTickCount64() < end) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    Sleep(10);
  }
}

bool SaveWindowBitmap(HWND window, const std::wstring& path) {
  RECT r{};
  GetWindowRect(window, &r);
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  if (width <= 0 || height <= 0) return false;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  SelectObject(memory, old);

  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  const DWORD stride = static_cast<DWORD>((width * 3 + 3) & ~3);
  std::vector<BYTE> pixels(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height));
  GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(),
            reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);

  BITMAPFILEHEADER header{};
  header.bfType = 0x4D42;
  header.bfOffBits = sizeof header + sizeof info;
  header.bfSize = header.bfOffBits + static_cast<DWORD>(pixels.size());
  FILE* out = _wfopen(path.c_str(), L"wb");
  if (out == nullptr) return false;
  const bool ok = fwrite(&header, sizeof header, 1, out) == 1 &&
                  fwrite(&info, sizeof info, 1, out) == 1 &&
                  fwrite(pixels.data(), 1, pixels.size(), out) == pixels.size();
  fclose(out);
  return ok;
}

}  // namespace nc::wintest
