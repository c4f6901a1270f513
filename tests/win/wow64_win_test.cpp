// The paths a 32-bit build takes on 64-bit Windows (under WoW64): the
// system port's answer, the native system folder reached through
// "sysnative", and the software hive saved from the 64-bit registry view.
// Both builds run these tests; each expectation says what either process
// must see.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "core/text.h"
#include "platform/win32/wide.h"
#include "platform/win32/win_filesystem.h"
#include "platform/win32/win_hives.h"
#include "platform/win32/win_system.h"
#include "registry/hive_list.h"
#include "registry/locations.h"
#include "win_test_support.h"

namespace nc::wintest {
namespace {

constexpr bool k32BitProcess = sizeof(void*) == 4;

// The machine field of a PE file's header; 0 when the file is no PE file.
std::uint16_t PeMachine(const std::string& path) {
  const std::string bytes = ReadBytes(path);
  if (bytes.size() < 0x40 || bytes.compare(0, 2, "MZ") != 0) return 0;
  std::uint32_t header = 0;
  std::memcpy(&header, bytes.data() + 0x3C, sizeof header);
  if (header > bytes.size() - 6 || bytes.compare(header, 4, std::string("PE\0\0", 4)) != 0) {
    return 0;
  }
  std::uint16_t machine = 0;
  std::memcpy(&machine, bytes.data() + header + 4, sizeof machine);
  return machine;
}

// Whether the operating system itself is 64-bit, asked apart from the port.
bool NativeSystemIs64Bit() {
  SYSTEM_INFO info{};
  GetNativeSystemInfo(&info);
  return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64;
}

std::string WindowsFolder() {
  wchar_t folder[MAX_PATH] = {};
  const UINT length = GetWindowsDirectoryW(folder, MAX_PATH);
  return win32::Narrow(std::wstring(folder, length));
}

TEST(Wow64, SystemPortSaysWhetherThe32BitBuildRunsOnA64BitSystem) {
  win32::WinSystem system;
  EXPECT_EQ(system.isWow64(), k32BitProcess && NativeSystemIs64Bit());
  EXPECT_EQ(registry::IsWow64(system), system.isWow64());
  // The suite runs in a 64-bit Wine prefix: the 32-bit build is under WoW64.
  if (UnderWine()) {
    EXPECT_EQ(system.isWow64(), k32BitProcess);
  }
}

// A 32-bit process that opens System32 is sent to SysWOW64; the hive files
// and the native programs are only reached through "sysnative".
TEST(Wow64, SysnativeLeadsA32BitProcessToTheNativeSystemFolder) {
  win32::WinSystem system;
  win32::WinFileSystem files;
  const bool wow64 = system.isWow64();
  const std::string windows = WindowsFolder();
  const std::string kernel = windows + "\\system32\\kernel32.dll";
  const std::uint16_t ownMachine =
      k32BitProcess ? IMAGE_FILE_MACHINE_I386 : IMAGE_FILE_MACHINE_AMD64;
  EXPECT_EQ(PeMachine(kernel), ownMachine);

  const std::string native = registry::SysnativePath(files, kernel);
  if (wow64) {
    EXPECT_EQ(native, windows + "\\sysnative\\kernel32.dll");
    EXPECT_EQ(PeMachine(native), IMAGE_FILE_MACHINE_AMD64);
  } else {
    EXPECT_EQ(native, kernel);  // a 64-bit process has no "sysnative"
  }

  // The hive list names files by device path; the conversion ends on the
  // same native file.
  const std::string device =
      "\\Device\\HarddiskVolume1" + windows.substr(2) + "\\System32\\kernel32.dll";
  const std::string converted = registry::HivePathToFilePath(files, device, wow64);
  if (!converted.empty()) {
    EXPECT_EQ(LowerAscii(converted), LowerAscii(wow64 ? native : kernel));
  }

  // A file that only the 32-bit view of System32 holds stays on its path.
  const std::string own = windows + "\\system32\\nc-wow64-probe.txt";
  ASSERT_TRUE(platform::WriteWholeFile(files, own, "x").ok());
  EXPECT_EQ(registry::SysnativePath(files, own), own);
  EXPECT_TRUE(files.deleteFile(own).ok());
}

// The compactor must save the 64-bit software hive: in a 32-bit process a
// plain open of HKEY_LOCAL_MACHINE\Software reaches only the 32-bit view.
class Wow64Hive : public ::testing::Test {
 protected:
  static constexpr const wchar_t* kMarker64 = L"Software\\NorvikWowMarkerSixtyFour";
  static constexpr const wchar_t* kMarker32 = L"Software\\NorvikWowMarkerThirtyTwo";

  void SetUp() override {
    Remove();
    ASSERT_TRUE(Make(kMarker64, KEY_WOW64_64KEY));
    ASSERT_TRUE(Make(kMarker32, KEY_WOW64_32KEY));
  }
  void TearDown() override { Remove(); }

  static bool Make(const wchar_t* path, REGSAM view) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
      return false;
    }
    RegCloseKey(key);
    return true;
  }
  static void Remove() {
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kMarker64, KEY_WOW64_64KEY, 0);
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kMarker32, KEY_WOW64_32KEY, 0);
  }
  // Whether a saved hive names the key, in single-byte or UTF-16 form.
  static bool Holds(const std::string& bytes, const wchar_t* path) {
    const std::wstring name = std::wstring(path).substr(std::wstring(L"Software\\").size());
    const std::string narrow = win32::Narrow(name);
    const std::string wide(reinterpret_cast<const char*>(name.data()),
                           name.size() * sizeof(wchar_t));
    return bytes.find(narrow) != std::string::npos || bytes.find(wide) != std::string::npos;
  }
};

TEST_F(Wow64Hive, TheSoftwareHiveIsSavedFromThe64BitView) {
  if (!UnderWine()) GTEST_SKIP() << "writes marker keys into the machine's software hive";
  win32::WinSystem system;
  win32::WinFileSystem files;
  win32::WinHives hives;
  hives.enableBackupPrivilege();
  TempFolder temp(L"nc-wow64-hive");

  const std::string copy = temp.utf8() + "\\software.fdc";
  ASSERT_TRUE(registry::SaveHiveCopy(hives, files, "\\REGISTRY\\MACHINE\\SOFTWARE", copy,
                                     system.isWow64()));
  const std::string saved = ReadBytes(copy);
  EXPECT_TRUE(Holds(saved, kMarker64));
  EXPECT_TRUE(Holds(saved, kMarker32));  // the 32-bit view lies inside it

  // Without the 64-bit view a 32-bit process saves its own view only.
  const std::string plain = temp.utf8() + "\\plain.fdc";
  ASSERT_TRUE(registry::SaveHiveCopy(hives, files, "\\REGISTRY\\MACHINE\\SOFTWARE", plain, false));
  const std::string viewed = ReadBytes(plain);
  EXPECT_EQ(Holds(viewed, kMarker64), !system.isWow64());
  EXPECT_TRUE(Holds(viewed, kMarker32));
}

}  // namespace
}  // namespace nc::wintest
