// The file-system port against real files in a folder of its own below
// the temporary folder.
#include <windows.h>
#include <winioctl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <string>
#include <vector>

#include "core/text.h"
#include "platform/win32/wide.h"
#include "platform/win32/win_filesystem.h"
#include "platform/win32/win_registry.h"
#include "win_test_support.h"

namespace {

using nc::EqualsNoCase;
using nc::Errc;
namespace Csidl = nc::platform::Csidl;
using nc::platform::DriveType;
namespace FileAttr = nc::platform::FileAttr;
using nc::platform::FileEntry;
using nc::platform::FileOpen;
using nc::platform::FileShare;
using nc::platform::JoinPath;
using nc::win32::WinFileSystem;

void WriteText(WinFileSystem& fs, const std::string& path, std::string_view text) {
  auto file = fs.open(path, FileOpen::CreateAlways, FileShare::None);
  ASSERT_TRUE(file.ok()) << path;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
  ASSERT_TRUE((*file)->write({bytes, text.size()}).ok());
}

const FileEntry* Find(const std::vector<FileEntry>& entries, std::string_view name) {
  for (const auto& e : entries) {
    if (e.name == name) return &e;
  }
  return nullptr;
}

class Win32Files : public testing::Test {
 protected:
  WinFileSystem fs;
  nc::wintest::TempFolder scratch{L"nc-files"};
  const std::string root = scratch.utf8();
};

TEST_F(Win32Files, CreatesListsAndStatsFilesAndFolders) {
  const std::string nested = JoinPath(root, "a\\b\\c");
  ASSERT_TRUE(fs.createFolders(nested + "\\").ok());
  EXPECT_TRUE(fs.folderExists(nested));
  EXPECT_TRUE(fs.createFolders(nested).ok());  // already there
  WriteText(fs, JoinPath(root, "a\\five.txt"), "12345");
  const std::string unicodeName = "Grüße ✓ 日本.txt";
  WriteText(fs, JoinPath(root, "a\\" + unicodeName), "x");
  ASSERT_TRUE(fs.setAttributes(JoinPath(root, "a\\five.txt"), FileAttr::Hidden).ok());

  auto entries = fs.list(JoinPath(root, "a"));
  ASSERT_TRUE(entries.ok());
  ASSERT_EQ(entries->size(), 3u);
  const FileEntry* five = Find(*entries, "five.txt");
  ASSERT_NE(five, nullptr);
  EXPECT_EQ(five->size, 5u);
  EXPECT_TRUE(five->attributes & FileAttr::Hidden);
  EXPECT_FALSE(five->isFolder());
  EXPECT_LE(std::llabs(five->lastWrite - static_cast<std::int64_t>(std::time(nullptr))), 3600);
  ASSERT_NE(Find(*entries, unicodeName), nullptr);
  const FileEntry* b = Find(*entries, "b");
  ASSERT_NE(b, nullptr);
  EXPECT_TRUE(b->isFolder());

  auto stat = fs.stat(JoinPath(root, "a\\" + unicodeName));
  ASSERT_TRUE(stat.ok());
  EXPECT_EQ(stat->name, unicodeName);
  EXPECT_EQ(stat->size, 1u);
  EXPECT_TRUE(fs.fileExists(JoinPath(root, "a\\" + unicodeName)));
  EXPECT_FALSE(fs.folderExists(JoinPath(root, "a\\" + unicodeName)));
  EXPECT_EQ(fs.attributes(JoinPath(root, "A\\FIVE.TXT")).value_or(0) & FileAttr::Hidden,
            FileAttr::Hidden);
  EXPECT_EQ(fs.attributes(nested).value_or(0) & FileAttr::Directory, FileAttr::Directory);
  EXPECT_FALSE(fs.attributes(JoinPath(root, "a\\none.txt")));
  EXPECT_TRUE(fs.stat(JoinPath(root, "a\\b\\")).value_or(FileEntry{}).isFolder());
  EXPECT_TRUE(fs.stat("C:\\").value_or(FileEntry{}).isFolder());
  EXPECT_EQ(fs.stat(JoinPath(root, "a\\*")).error().code, Errc::InvalidArgument);
  EXPECT_EQ(fs.stat(JoinPath(root, "none")).error().code, Errc::NotFound);
  EXPECT_EQ(fs.list(JoinPath(root, "none")).error().code, Errc::NotFound);

  EXPECT_EQ(fs.removeFolder(JoinPath(root, "a\\b")).error().code, Errc::NotEmpty);
  EXPECT_EQ(fs.createFolders(JoinPath(root, "a\\five.txt")).error().code, Errc::AlreadyExists);
}

TEST_F(Win32Files, SizesBeyondFourGigabytesAreReported) {
  const std::string path = JoinPath(root, "big.bin");
  const std::uint64_t size = (5ull << 30) + 3;
  {
    HANDLE h = CreateFileW(nc::win32::Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD ignored = 0;
    DeviceIoControl(h, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
    LARGE_INTEGER end{};
    end.QuadPart = static_cast<LONGLONG>(size);
    const bool sized = SetFilePointerEx(h, end, nullptr, FILE_BEGIN) && SetEndOfFile(h);
    CloseHandle(h);
    if (!sized) GTEST_SKIP() << "no room for a sparse 5 GB file";
  }
  auto entries = fs.list(root);
  ASSERT_TRUE(entries.ok());
  ASSERT_NE(Find(*entries, "big.bin"), nullptr);
  EXPECT_EQ(Find(*entries, "big.bin")->size, size);
  auto file = fs.open(path, FileOpen::ReadExisting, FileShare::Read);
  ASSERT_TRUE(file.ok());
  EXPECT_EQ((*file)->size().value_or(0), size);
}

TEST_F(Win32Files, ReadsWritesSeeksAndReplacesFiles) {
  const std::string path = JoinPath(root, "data.bin");
  WriteText(fs, path, "hello world");
  {
    auto file = fs.open(path, FileOpen::ReadWriteExisting, FileShare::None);
    ASSERT_TRUE(file.ok());
    ASSERT_TRUE((*file)->seek(6).ok());
    const std::uint8_t upper[] = {'W'};
    ASSERT_TRUE((*file)->write(upper).ok());
    ASSERT_TRUE((*file)->flush().ok());
    EXPECT_EQ((*file)->size().value_or(0), 11u);
  }
  EXPECT_EQ(nc::platform::ReadWholeFile(fs, path).value_or(""), "hello World");

  ASSERT_TRUE(nc::platform::WriteWholeFile(fs, path, "replaced").ok());
  EXPECT_EQ(nc::platform::ReadWholeFile(fs, path).value_or(""), "replaced");
  WriteText(fs, JoinPath(root, "other.bin"), "other");
  ASSERT_TRUE(fs.moveFile(JoinPath(root, "other.bin"), path).ok());
  EXPECT_EQ(nc::platform::ReadWholeFile(fs, path).value_or(""), "other");
  EXPECT_FALSE(fs.fileExists(JoinPath(root, "other.bin")));

  auto missing = fs.open(JoinPath(root, "none"), FileOpen::ReadExisting, FileShare::Read);
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.error().code, Errc::NotFound);
}

TEST_F(Win32Files, DeletionFailuresAreTyped) {
  const std::string readOnly = JoinPath(root, "ro.txt");
  WriteText(fs, readOnly, "r");
  ASSERT_TRUE(fs.setAttributes(readOnly, FileAttr::ReadOnly).ok());
  auto st = fs.deleteFile(readOnly);
  ASSERT_FALSE(st.ok());
  EXPECT_EQ(st.error().code, Errc::AccessDenied);
  EXPECT_EQ(st.error().path, readOnly);
  EXPECT_TRUE(fs.fileExists(readOnly));
  ASSERT_TRUE(fs.setAttributes(readOnly, FileAttr::Normal).ok());
  EXPECT_TRUE(fs.deleteFile(readOnly).ok());

  const std::string held = JoinPath(root, "held.txt");
  WriteText(fs, held, "h");
  {
    auto lock = fs.open(held, FileOpen::ReadExisting, FileShare::None);
    ASSERT_TRUE(lock.ok());
    auto del = fs.deleteFile(held);
    ASSERT_FALSE(del.ok());
    EXPECT_EQ(del.error().code, Errc::SharingViolation);
    auto second = fs.open(held, FileOpen::ReadExisting, FileShare::ReadWrite);
    ASSERT_FALSE(second.ok());
    EXPECT_EQ(second.error().code, Errc::SharingViolation);
  }
  {
    // Shared reading lets another reader in, but not a writer.
    auto reader = fs.open(held, FileOpen::ReadExisting, FileShare::Read);
    ASSERT_TRUE(reader.ok());
    EXPECT_TRUE(fs.open(held, FileOpen::ReadExisting, FileShare::ReadWrite).ok());
    EXPECT_FALSE(fs.open(held, FileOpen::ReadWriteExisting, FileShare::ReadWrite).ok());
  }
  EXPECT_TRUE(fs.deleteFile(held).ok());
  EXPECT_EQ(fs.deleteFile(held).error().code, Errc::NotFound);
}

TEST_F(Win32Files, PathsLongerThanMaxPathWork) {
  std::string folder = root;
  while (folder.size() < 300) folder = JoinPath(folder, std::string(40, 'd'));
  ASSERT_TRUE(fs.createFolders(folder).ok());
  EXPECT_TRUE(fs.folderExists(folder));
  const std::string file = JoinPath(folder, "long.txt");
  WriteText(fs, file, "deep");
  auto entries = fs.list(folder);
  ASSERT_TRUE(entries.ok());
  ASSERT_EQ(entries->size(), 1u);
  EXPECT_EQ((*entries)[0].size, 4u);
  EXPECT_EQ(nc::platform::ReadWholeFile(fs, file).value_or(""), "deep");
  EXPECT_TRUE(fs.deleteFile(file).ok());
  EXPECT_TRUE(fs.removeFolder(folder).ok());
  EXPECT_FALSE(fs.folderExists(folder));
}

TEST_F(Win32Files, DeleteAtRestartIsRecordedForTheSystem) {
  const std::string path = JoinPath(root, "later.txt");
  WriteText(fs, path, "l");
  nc::win32::WinRegistry reg;
  const char* sessionManager = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
  auto key =
      reg.open(nc::platform::RootKey::LocalMachine, sessionManager, nc::platform::RegAccess::Full);
  ASSERT_TRUE(key.ok());
  auto before = reg.readValue(*key, "PendingFileRenameOperations");

  ASSERT_TRUE(fs.deleteAtRestart(path).ok());
  auto after = reg.readValue(*key, "PendingFileRenameOperations");
  ASSERT_TRUE(after.ok());
  EXPECT_EQ(after->type, static_cast<std::uint32_t>(nc::platform::RegType::MultiString));
  const auto strings = nc::platform::ValueStrings(*after);
  bool found = false;
  for (const auto& s : strings) found = found || EqualsNoCase(s, "\\??\\" + path);
  EXPECT_TRUE(found);
  EXPECT_TRUE(fs.fileExists(path));  // nothing happens before the restart

  // Leave the system's list as it was.
  if (before.ok()) {
    (void)reg.writeValue(*key, "PendingFileRenameOperations", before->type, before->data);
  } else {
    (void)reg.deleteValue(*key, "PendingFileRenameOperations");
  }
}

TEST_F(Win32Files, RemovingAJunctionLeavesItsTargetIntact) {
  const std::string target = JoinPath(root, "target");
  const std::string link = JoinPath(root, "junction");
  ASSERT_TRUE(fs.createFolders(target).ok());
  WriteText(fs, JoinPath(target, "keep.txt"), "k");
  if (!nc::wintest::MakeJunction(nc::win32::Widen(link), nc::win32::Widen(target))) {
    // Wine 8 answers ERROR_NOT_SUPPORTED, and its "mklink /J" makes nothing either.
    GTEST_SKIP() << "this system cannot make a junction (FSCTL_SET_REPARSE_POINT failed, error "
                 << GetLastError() << ")";
  }
  auto entries = fs.list(root);
  ASSERT_TRUE(entries.ok());
  const FileEntry* entry = Find(*entries, "junction");
  ASSERT_NE(entry, nullptr);
  EXPECT_TRUE(entry->isLink());
  EXPECT_TRUE(entry->isFolder());
  EXPECT_TRUE(fs.fileExists(JoinPath(link, "keep.txt")));  // seen through the link

  ASSERT_TRUE(fs.removeFolder(link).ok());
  EXPECT_FALSE(fs.folderExists(link));
  EXPECT_TRUE(fs.fileExists(JoinPath(target, "keep.txt")));
}

// A folder is known by what it is: every spelling the system reads as the
// folder, and a path through a link to it, gives the one identity.
TEST_F(Win32Files, EverySpellingOfAFolderGivesItsOneIdentity) {
  const std::string folder = JoinPath(root, "Long Folder Name");
  ASSERT_TRUE(fs.createFolders(JoinPath(folder, "inner")).ok());
  WriteText(fs, JoinPath(folder, "file.txt"), "x");
  const auto id = fs.folderIdentity(folder);
  ASSERT_TRUE(id.ok());
  std::vector<std::string> spellings = {folder + "\\",      folder + ".",
                                        folder + ". ",      JoinPath(folder, "inner\\.."),
                                        "\\\\?\\" + folder, nc::UpperAscii(folder)};
  if (auto shortForm = fs.shortPath(folder); shortForm && *shortForm != folder) {
    spellings.push_back(*shortForm);
  }
  for (const std::string& spelling : spellings) {
    SCOPED_TRACE(spelling);
    const auto same = fs.folderIdentity(spelling);
    ASSERT_TRUE(same.ok());
    EXPECT_EQ(*same, *id);
  }
  const auto inner = fs.folderIdentity(JoinPath(folder, "inner"));
  ASSERT_TRUE(inner.ok());
  EXPECT_NE(*inner, *id);
  EXPECT_FALSE(fs.folderIdentity(JoinPath(folder, "file.txt")).ok());
  const auto missing = fs.folderIdentity(JoinPath(root, "missing"));
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.error().code, Errc::NotFound);

  // Through a folder link: a junction where the system makes one, else a
  // symbolic link. Wine 8 makes no junction, and its symbolic link cannot
  // be opened: the link then has no identity, never another folder's.
  const std::string link = JoinPath(root, "link");
  bool made = nc::wintest::MakeJunction(nc::win32::Widen(link), nc::win32::Widen(folder));
  using CreateLink = BOOLEAN(WINAPI*)(LPCWSTR, LPCWSTR, DWORD);
  auto create = reinterpret_cast<CreateLink>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "CreateSymbolicLinkW")));
  const bool junction = made;
  if (!made && create != nullptr) {
    made = create(nc::win32::Widen(link).c_str(), nc::win32::Widen(folder).c_str(), 1 | 2) != 0;
  }
  if (!made) return;
  for (const std::string& path : {link, JoinPath(link, "inner")}) {
    SCOPED_TRACE(path);
    const auto linked = fs.folderIdentity(path);
    ASSERT_TRUE(linked.ok() || !junction);
    if (linked.ok()) {
      EXPECT_EQ(*linked, path == link ? *id : *inner);
    }
  }
}

TEST_F(Win32Files, SystemFoldersExist) {
  for (int csidl : {Csidl::AppData, Csidl::LocalAppData, Csidl::InternetCache, Csidl::Cookies,
                    Csidl::History, Csidl::Recent, Csidl::Personal, Csidl::Windows, Csidl::System,
                    Csidl::ProgramFiles, Csidl::Desktop}) {
    const std::string folder = fs.specialFolder(csidl);
    ASSERT_FALSE(folder.empty()) << csidl;
    EXPECT_FALSE(nc::EndsWith(folder, "\\")) << folder;
    EXPECT_TRUE(fs.folderExists(folder)) << folder;
  }
  const std::string temp = fs.tempFolder();
  EXPECT_TRUE(nc::EndsWith(temp, "\\"));
  EXPECT_TRUE(fs.folderExists(temp));
  EXPECT_TRUE(EqualsNoCase(fs.windowsFolder(), fs.specialFolder(Csidl::Windows)));
  EXPECT_TRUE(EqualsNoCase(fs.systemFolder(), fs.specialFolder(Csidl::System)));
  EXPECT_TRUE(fs.fileExists(JoinPath(fs.systemFolder(), "kernel32.dll")));

  auto shortName = fs.shortPath(fs.systemFolder());
  ASSERT_TRUE(shortName.ok());
  EXPECT_TRUE(fs.folderExists(*shortName));
  EXPECT_EQ(fs.shortPath(JoinPath(root, "none")).error().code, Errc::NotFound);
}

TEST_F(Win32Files, DrivesAndDevices) {
  const auto drives = fs.logicalDrives();
  ASSERT_NE(std::find(drives.begin(), drives.end(), "C:\\"), drives.end());
  EXPECT_EQ(fs.driveType("C:\\"), DriveType::Fixed);
  EXPECT_EQ(fs.driveType("C:"), DriveType::Fixed);
  EXPECT_TRUE(fs.volumePresent("C:\\"));
  EXPECT_FALSE(fs.dosDeviceName("C:").empty());

  std::string unused;
  for (char letter = 'Z'; letter > 'C' && unused.empty(); --letter) {
    const std::string candidate = std::string(1, letter) + ":\\";
    if (std::find(drives.begin(), drives.end(), candidate) == drives.end()) unused = candidate;
  }
  ASSERT_FALSE(unused.empty());
  EXPECT_EQ(fs.driveType(unused), DriveType::NoRootDir);
  EXPECT_FALSE(fs.volumePresent(unused));
  EXPECT_EQ(fs.dosDeviceName(unused), "");
}

TEST_F(Win32Files, ExpandsEnvironmentReferences) {
  EXPECT_TRUE(EqualsNoCase(fs.expandEnvironment("%WINDIR%\\x"), fs.windowsFolder() + "\\x"));
  EXPECT_EQ(fs.expandEnvironment("%NC_NO_SUCH_VARIABLE%\\y"), "%NC_NO_SUCH_VARIABLE%\\y");
  EXPECT_EQ(fs.expandEnvironment(""), "");
  const std::string longValue(5000, 'v');
  ASSERT_TRUE(SetEnvironmentVariableW(L"NC_LONG_VALUE", nc::win32::Widen(longValue).c_str()));
  EXPECT_EQ(fs.expandEnvironment("<%NC_LONG_VALUE%>"), "<" + longValue + ">");
  ASSERT_TRUE(SetEnvironmentVariableW(L"NC_UNICODE", L"Grüße ✓"));
  EXPECT_EQ(fs.expandEnvironment("%NC_UNICODE%"), "Grüße ✓");
  SetEnvironmentVariableW(L"NC_LONG_VALUE", nullptr);
  SetEnvironmentVariableW(L"NC_UNICODE", nullptr);
}

}  // namespace
