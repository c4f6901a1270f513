// The Wine prefix the tests run in is cut off from the host's home folder:
// every shell folder of the user and of all users is a real folder on drive
// C:, reached through no link. A cleaner that empties the Desktop or the
// Documents must never reach the files of the person running the tests.
#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct ShellFolder {
  const char* name;
  std::wstring path;
};

std::vector<ShellFolder> UserAndCommonFolders() {
  struct Csidl {
    const char* name;
    int id;
  };
  static constexpr Csidl kCsidls[] = {
      {"Desktop", CSIDL_DESKTOPDIRECTORY},
      {"Documents", CSIDL_PERSONAL},
      {"My Music", CSIDL_MYMUSIC},
      {"My Pictures", CSIDL_MYPICTURES},
      {"My Videos", CSIDL_MYVIDEO},
      {"Templates", CSIDL_TEMPLATES},
      {"Favorites", CSIDL_FAVORITES},
      {"Recent", CSIDL_RECENT},
      {"SendTo", CSIDL_SENDTO},
      {"Start Menu", CSIDL_STARTMENU},
      {"AppData", CSIDL_APPDATA},
      {"Local AppData", CSIDL_LOCAL_APPDATA},
      {"Cookies", CSIDL_COOKIES},
      {"History", CSIDL_HISTORY},
      {"Internet cache", CSIDL_INTERNET_CACHE},
      {"Common Desktop", CSIDL_COMMON_DESKTOPDIRECTORY},
      {"Common Documents", CSIDL_COMMON_DOCUMENTS},
      {"Common Music", CSIDL_COMMON_MUSIC},
      {"Common Pictures", CSIDL_COMMON_PICTURES},
      {"Common Videos", CSIDL_COMMON_VIDEO},
      {"Common AppData", CSIDL_COMMON_APPDATA},
      {"Common Start Menu", CSIDL_COMMON_STARTMENU},
  };
  std::vector<ShellFolder> folders;
  for (const Csidl& csidl : kCsidls) {
    // No CSIDL_FLAG_CREATE: Wine would make a missing folder as a link to the
    // home folder, the very thing this test looks for.
    wchar_t path[MAX_PATH] = L"";
    const HRESULT result = SHGetFolderPathW(nullptr, csidl.id, nullptr, SHGFP_TYPE_CURRENT, path);
    EXPECT_EQ(result, S_OK) << csidl.name << " has no folder";
    folders.push_back({csidl.name, path});
  }
  PWSTR downloads = nullptr;
  EXPECT_EQ(SHGetKnownFolderPath(FOLDERID_Downloads, 0, nullptr, &downloads), S_OK);
  folders.push_back({"Downloads", downloads != nullptr ? downloads : L""});
  CoTaskMemFree(downloads);
  return folders;
}

bool StartsWithNoCase(const std::wstring& text, const std::wstring& prefix) {
  return text.size() >= prefix.size() &&
         CompareStringOrdinal(text.c_str(), static_cast<int>(prefix.size()), prefix.c_str(),
                              static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL;
}

// The path the folder really lies at, every link followed, e.g. \\?\Z:\home\me
// for a folder that is a link to the home folder.
std::wstring FinalPath(const std::wstring& folder) {
  const HANDLE handle = CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return L"(cannot be opened)";
  wchar_t path[MAX_PATH * 2] = L"";
  const DWORD length = GetFinalPathNameByHandleW(handle, path, MAX_PATH * 2, FILE_NAME_NORMALIZED);
  CloseHandle(handle);
  return length > 0 && length < MAX_PATH * 2 ? std::wstring(path, length) : L"(no final path)";
}

TEST(PrefixSandbox, DriveCIsThePrefixOfTheTests) {
  using UnixFileName = char*(CDECL*)(LPCWSTR);
  const auto unixFileName = reinterpret_cast<UnixFileName>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  const char* prefix = std::getenv("WINEPREFIX");
  if (unixFileName == nullptr || prefix == nullptr) GTEST_SKIP() << "not under Wine";
  char* root = unixFileName(L"C:\\");
  ASSERT_NE(root, nullptr);
  const std::string drive = root;
  HeapFree(GetProcessHeap(), 0, root);
  EXPECT_EQ(drive.rfind(std::string(prefix) + "/", 0), 0u)
      << "C:\\ is " << drive << ", outside the prefix " << prefix;
}

TEST(PrefixSandbox, ShellFoldersAreRealFoldersOfDriveC) {
  for (const ShellFolder& folder : UserAndCommonFolders()) {
    SCOPED_TRACE(testing::Message() << folder.name << " = " << folder.path);
    ASSERT_TRUE(StartsWithNoCase(folder.path, L"C:\\"));

    // No step from C:\ down to the folder is a link (Wine reports a symbolic
    // link as a reparse point).
    size_t end = 2;  // just after "C:"
    do {
      end = folder.path.find(L'\\', end + 1);
      const std::wstring step = folder.path.substr(0, end);
      const DWORD attributes = GetFileAttributesW(step.c_str());
      ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << step << " does not exist";
      EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY) << step;
      EXPECT_FALSE(attributes & FILE_ATTRIBUTE_REPARSE_POINT) << step << " is a link";
    } while (end != std::wstring::npos);

    // And with every link followed it is still the same folder of drive C:.
    std::wstring expected = L"\\\\?\\" + folder.path;
    while (expected.size() > 7 && expected.back() == L'\\') expected.pop_back();
    const std::wstring final = FinalPath(folder.path);
    EXPECT_TRUE(final.size() == expected.size() && StartsWithNoCase(final, expected))
        << "it lies at " << final;
  }
}

}  // namespace
