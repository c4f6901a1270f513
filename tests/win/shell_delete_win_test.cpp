// The shell's silent delete with the real shell: what it asks the shell
// for, seen at the call itself. A box of the shell on a failure would stop
// an unattended run with nobody there to close it.
#include <windows.h>

#include <shellapi.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/win32/win_shell.h"
#include "win_test_support.h"

namespace nc::wintest {
namespace {

// Puts `replacement` in this program's import table in place of
// `function` of `dll`; gives the address it replaced, nullptr when the
// program imports no such function.
void* ReplaceImport(const char* dll, const char* function, void* replacement) {
  auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto* entry =
           reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
       entry->Name != 0; ++entry) {
    if (_stricmp(reinterpret_cast<const char*>(base + entry->Name), dll) != 0) continue;
    auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const auto* byName =
          reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0) continue;
      DWORD protection = 0;
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &protection);
      void* previous = reinterpret_cast<void*>(slots->u1.Function);
      slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
      VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
      return previous;
    }
  }
  return nullptr;
}

using FileOperation = int(WINAPI*)(LPSHFILEOPSTRUCTW);
FileOperation realFileOperation = nullptr;
std::vector<FILEOP_FLAGS> seenFlags;

int WINAPI RecordFileOperation(LPSHFILEOPSTRUCTW operation) {
  seenFlags.push_back(operation->fFlags);
  return realFileOperation(operation);
}

TEST(ShellDeleteWin, TheSilentDeleteAsksForNoConfirmationProgressOrErrorBox) {
  const TempFolder folder(L"ncshelldelete");
  const std::wstring plain = folder.path() + L"\\plain.txt";
  const std::wstring held = folder.path() + L"\\held.txt";
  std::ofstream(std::filesystem::path(plain)) << "x";
  std::ofstream(std::filesystem::path(held)) << "x";
  // Held open without sharing: the shell cannot delete it.
  HANDLE holder = CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);

  realFileOperation = reinterpret_cast<FileOperation>(ReplaceImport(
      "shell32.dll", "SHFileOperationW", reinterpret_cast<void*>(&RecordFileOperation)));
  ASSERT_NE(realFileOperation, nullptr) << "the program does not import SHFileOperationW";
  seenFlags.clear();
  win32::WinShell shell;
  const Status removed = shell.deleteFileSilently(folder.utf8() + "\\plain.txt");
  const Status refused = shell.deleteFileSilently(folder.utf8() + "\\held.txt");
  ReplaceImport("shell32.dll", "SHFileOperationW", reinterpret_cast<void*>(realFileOperation));
  CloseHandle(holder);

  EXPECT_TRUE(removed.ok());
  EXPECT_FALSE(refused.ok());  // reported to the caller, and to nobody else
  EXPECT_EQ(GetFileAttributesW(plain.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_NE(GetFileAttributesW(held.c_str()), INVALID_FILE_ATTRIBUTES);
  ASSERT_EQ(seenFlags.size(), 2u);
  for (const FILEOP_FLAGS flags : seenFlags) {
    EXPECT_EQ(flags & FOF_SILENT, FOF_SILENT);
    EXPECT_EQ(flags & FOF_NOCONFIRMATION, FOF_NOCONFIRMATION);
    EXPECT_EQ(flags & FOF_NOERRORUI, FOF_NOERRORUI);
    EXPECT_EQ(flags & FOF_ALLOWUNDO, 0);  // never the recycle bin
  }
}

}  // namespace
}  // namespace nc::wintest
