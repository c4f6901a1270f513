// The registry port against the real registry, below
// HKCU\Software\NorvikCleanerTest (removed before and after each test).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/win32/wide.h"
#include "platform/win32/win_registry.h"
#include "win_test_support.h"

namespace {

using nc::Errc;
using nc::platform::RegAccess;
using nc::platform::RegKey;
using nc::platform::RegType;
using nc::platform::RegValue;
using nc::platform::RootKey;
using nc::win32::WinRegistry;

constexpr const char* kBase = "Software\\NorvikCleanerTest";
constexpr const wchar_t* kLinkTarget = L"Software\\NorvikCleanerLinkTarget";

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
  std::vector<std::uint8_t> out;
  for (int v : values) out.push_back(static_cast<std::uint8_t>(v));
  return out;
}

std::uint32_t T(RegType type) {
  return static_cast<std::uint32_t>(type);
}

class Win32Registry : public testing::Test {
 protected:
  void SetUp() override {
    RemoveBase();
    auto key = reg.create(RootKey::CurrentUser, kBase);
    ASSERT_TRUE(key.ok());
    base = std::move(*key);
  }
  void TearDown() override {
    base = RegKey();
    RemoveBase();
    // The link target lies in the 64-bit view, which the link names.
    HKEY target = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kLinkTarget, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                      &target) == ERROR_SUCCESS) {
      RegDeleteTreeW(target, nullptr);
      RegCloseKey(target);
    }
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kLinkTarget, KEY_WOW64_64KEY, 0);
  }
  void RemoveBase() {
    auto software = reg.open(RootKey::CurrentUser, "Software", RegAccess::Full);
    ASSERT_TRUE(software.ok());
    (void)reg.deleteTree(*software, "NorvikCleanerTest");
  }

  WinRegistry reg;
  RegKey base;
};

TEST_F(Win32Registry, EveryValueTypeKeepsItsExactBytes) {
  std::vector<std::uint8_t> big(100000);
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 7);
  const std::vector<RegValue> written = {
      {"", T(RegType::String), nc::platform::StringData("default text")},
      {"sz", T(RegType::String), nc::platform::StringData("Grüße ✓")},
      {"sz-unterminated", T(RegType::String), Bytes({'a', 0, 'b', 0, 'c'})},
      {"expand", T(RegType::ExpandString), nc::platform::StringData("%WINDIR%\\Temp")},
      {"binary", T(RegType::Binary), Bytes({0, 1, 2, 0xFE, 0xFF})},
      {"binary-empty", T(RegType::Binary), {}},
      {"dword", T(RegType::Dword), nc::platform::DwordData(0xDEADBEEF)},
      {"dword-be", T(RegType::DwordBigEndian), Bytes({0x12, 0x34, 0x56, 0x78})},
      {"multi", T(RegType::MultiString), nc::platform::MultiStringData({"one", "zwei", "три"})},
      {"qword", T(RegType::Qword), Bytes({1, 2, 3, 4, 5, 6, 7, 8})},
      {"none", T(RegType::None), Bytes({9})},
      {"resource-list", T(RegType::ResourceList), Bytes({1, 0, 0, 0})},
      {"big", T(RegType::Binary), big},  // beyond the first read's buffer
  };
  for (const auto& v : written) {
    ASSERT_TRUE(reg.writeValue(base, v.name, v.type, v.data).ok()) << v.name;
  }
  for (const auto& v : written) {
    auto got = reg.readValue(base, v.name);
    ASSERT_TRUE(got.ok()) << v.name;
    EXPECT_EQ(got->name, v.name);
    EXPECT_EQ(got->type, v.type) << v.name;
    EXPECT_EQ(got->data, v.data) << v.name;
  }

  auto all = reg.values(base);
  ASSERT_TRUE(all.ok());
  ASSERT_EQ(all->size(), written.size());
  for (const auto& v : written) {
    auto it =
        std::find_if(all->begin(), all->end(), [&](const RegValue& e) { return e.name == v.name; });
    ASSERT_NE(it, all->end()) << v.name;
    EXPECT_EQ(it->type, v.type) << v.name;
    EXPECT_EQ(it->data, v.data) << v.name;
  }
  EXPECT_EQ(nc::platform::ValueStrings(*reg.readValue(base, "multi")),
            (std::vector<std::string>{"one", "zwei", "три"}));
  EXPECT_EQ(nc::platform::ValueText(*reg.readValue(base, "sz")), "Grüße ✓");
}

TEST_F(Win32Registry, NonAsciiKeyAndValueNamesRoundTrip) {
  const std::string child = "Schlüssel ñ 日本 ✓";
  const std::string valueName = "Wert ü Ω";
  {
    auto key = reg.create(RootKey::CurrentUser, std::string(kBase) + "\\" + child);
    ASSERT_TRUE(key.ok());
    ASSERT_TRUE(nc::platform::WriteStringValue(reg, *key, valueName, "Inhalt ä").ok());
  }
  auto names = reg.subKeyNames(base);
  ASSERT_TRUE(names.ok());
  EXPECT_EQ(*names, std::vector<std::string>{child});

  // The same key reached through the system with the wide name.
  HKEY raw = nullptr;
  const std::wstring widePath = nc::win32::Widen(std::string(kBase) + "\\" + child);
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, widePath.c_str(), 0, KEY_READ, &raw), ERROR_SUCCESS);
  RegCloseKey(raw);

  auto sub = reg.openSub(base, child, RegAccess::Read);
  ASSERT_TRUE(sub.ok());
  auto values = reg.values(*sub);
  ASSERT_TRUE(values.ok());
  ASSERT_EQ(values->size(), 1u);
  EXPECT_EQ((*values)[0].name, valueName);
  EXPECT_EQ(nc::platform::ValueText((*values)[0]), "Inhalt ä");
}

TEST_F(Win32Registry, EnumeratesSubKeysAndCountsThem) {
  std::vector<std::string> expected;
  for (int i = 0; i < 40; ++i) expected.push_back(std::string("k").append(std::to_string(i)));
  expected.push_back(std::string(255, 'L'));  // the longest name a key may have
  for (const auto& name : expected) {
    ASSERT_TRUE(reg.create(RootKey::CurrentUser, std::string(kBase) + "\\" + name).ok()) << name;
  }
  ASSERT_TRUE(nc::platform::WriteDwordValue(reg, base, "a", 1).ok());
  ASSERT_TRUE(nc::platform::WriteDwordValue(reg, base, "b", 2).ok());

  auto names = reg.subKeyNames(base);
  ASSERT_TRUE(names.ok());
  std::vector<std::string> got = *names;
  std::sort(got.begin(), got.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(got, expected);

  auto info = reg.info(base);
  ASSERT_TRUE(info.ok());
  EXPECT_EQ(info->subKeyCount, expected.size());
  EXPECT_EQ(info->valueCount, 2u);
}

TEST_F(Win32Registry, MissingThingsAreNotFound) {
  auto missing =
      reg.open(RootKey::CurrentUser, std::string(kBase) + "\\no\\such\\key", RegAccess::Read);
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.error().code, Errc::NotFound);
  EXPECT_NE(missing.error().path.find("HKEY_CURRENT_USER\\Software\\NorvikCleanerTest"),
            std::string::npos);

  auto sub = reg.openSub(base, "absent", RegAccess::Full);
  ASSERT_FALSE(sub.ok());
  EXPECT_EQ(sub.error().code, Errc::NotFound);

  auto value = reg.readValue(base, "absent");
  ASSERT_FALSE(value.ok());
  EXPECT_EQ(value.error().code, Errc::NotFound);

  auto del = reg.deleteValue(base, "absent");
  ASSERT_FALSE(del.ok());
  EXPECT_EQ(del.error().code, Errc::NotFound);

  EXPECT_EQ(reg.deleteTree(base, "absent").error().code, Errc::NotFound);
  EXPECT_EQ(reg.readValue(RegKey(), "x").error().code, Errc::InvalidArgument);
  EXPECT_EQ(reg.deleteTree(base, "").error().code, Errc::InvalidArgument);
}

TEST_F(Win32Registry, ReadOnlyKeyRefusesWrites) {
  auto key = reg.open(RootKey::CurrentUser, kBase, RegAccess::Read);
  ASSERT_TRUE(key.ok());
  auto st = nc::platform::WriteDwordValue(reg, *key, "x", 1);
  ASSERT_FALSE(st.ok());
  EXPECT_EQ(st.error().code, Errc::AccessDenied);
}

TEST_F(Win32Registry, DeleteValueAndDeleteTree) {
  ASSERT_TRUE(nc::platform::WriteDwordValue(reg, base, "gone", 7).ok());
  ASSERT_TRUE(reg.deleteValue(base, "gone").ok());
  EXPECT_EQ(reg.readValue(base, "gone").error().code, Errc::NotFound);

  for (const char* path : {"\\tree\\a\\b\\c", "\\tree\\a\\d", "\\tree\\e", "\\keep"}) {
    auto key = reg.create(RootKey::CurrentUser, std::string(kBase) + path);
    ASSERT_TRUE(key.ok());
    ASSERT_TRUE(nc::platform::WriteStringValue(reg, *key, "v", path).ok());
  }
  ASSERT_TRUE(reg.deleteTree(base, "tree").ok());
  EXPECT_EQ(reg.openSub(base, "tree", RegAccess::Read).error().code, Errc::NotFound);
  auto names = reg.subKeyNames(base);
  ASSERT_TRUE(names.ok());
  EXPECT_EQ(*names, std::vector<std::string>{"keep"});
}

TEST_F(Win32Registry, AValueGoesByItsExactNameAndOneHoldingANulIsRefused) {
  // The native call makes a name with a NUL inside; the wide one a lone
  // surrogate half, which shows as the value next to it does.
  HKEY key = nullptr;
  ASSERT_EQ(
      RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\NorvikCleanerTest", 0, KEY_ALL_ACCESS, &key),
      ERROR_SUCCESS);
  const std::wstring hidden(L"Updater\0hidden", 14);
  const std::wstring lone = {L'A', wchar_t(0xD800)};
  const std::wstring collider = L"A\uFFFD";
  const DWORD data = 1;
  EXPECT_TRUE(nc::wintest::SetValueByCountedName(key, hidden, REG_DWORD, &data, sizeof data));
  for (const std::wstring& name : {std::wstring(L"Updater"), lone, collider}) {
    EXPECT_EQ(RegSetValueExW(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                             sizeof data),
              ERROR_SUCCESS);
  }
  RegCloseKey(key);

  auto Listed = [&] {
    std::vector<std::u16string> names;
    const auto values = reg.values(base);
    for (const RegValue& value : values.value()) names.push_back(value.exactName);
    std::sort(names.begin(), names.end());
    return names;
  };
  auto Units = [](const std::wstring& name) { return std::u16string(name.begin(), name.end()); };
  std::vector<std::u16string> all = {u"Updater", Units(hidden), Units(lone), Units(collider)};
  std::sort(all.begin(), all.end());
  ASSERT_EQ(Listed(), all);

  // The wide deletion reads a name up to its NUL: refused, nothing goes.
  EXPECT_EQ(reg.deleteValueExact(base, Units(hidden)).error().code, Errc::NotSupported);
  EXPECT_EQ(Listed(), all);
  // A lone half is deleted as itself, not as the value it shows as.
  ASSERT_TRUE(reg.deleteValueExact(base, Units(lone)).ok());
  EXPECT_EQ(reg.deleteValueExact(base, Units(lone)).error().code, Errc::NotFound);
  all.erase(std::find(all.begin(), all.end(), Units(lone)));
  EXPECT_EQ(Listed(), all);
}

TEST_F(Win32Registry, DeleteTreeRemovesALinkWithoutTouchingItsTarget) {
  // In the 64-bit view, where the link's path leads from a 32-bit process too.
  HKEY target = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kLinkTarget, 0, nullptr, 0,
                            KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &target, nullptr),
            ERROR_SUCCESS);
  HKEY targetChild = nullptr;
  ASSERT_EQ(RegCreateKeyExW(target, L"child", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &targetChild,
                            nullptr),
            ERROR_SUCCESS);
  RegCloseKey(targetChild);
  const DWORD marker = 42;
  ASSERT_EQ(RegSetValueExW(target, L"marker", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&marker),
                           sizeof(marker)),
            ERROR_SUCCESS);
  RegCloseKey(target);

  const std::wstring linkPath = nc::win32::Widen(std::string(kBase)) + L"\\tree\\link";
  HKEY link = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, linkPath.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK,
                      KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, &link, nullptr) != ERROR_SUCCESS) {
    GTEST_SKIP() << "this system cannot create registry links";
  }
  const std::wstring ntTarget = std::wstring(L"\\Registry\\Machine\\") + kLinkTarget;
  const LSTATUS set = RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK,
                                     reinterpret_cast<const BYTE*>(ntTarget.data()),
                                     static_cast<DWORD>(ntTarget.size() * sizeof(wchar_t)));
  RegCloseKey(link);
  ASSERT_EQ(set, ERROR_SUCCESS);

  // Through the link the target is visible.
  auto through =
      reg.open(RootKey::CurrentUser, std::string(kBase) + "\\tree\\link\\child", RegAccess::Read);
  if (!through.ok()) GTEST_SKIP() << "registry links are not followed on this system";

  ASSERT_TRUE(reg.deleteTree(base, "tree").ok());
  EXPECT_EQ(reg.openSub(base, "tree", RegAccess::Read).error().code, Errc::NotFound);
  auto kept = reg.open(RootKey::LocalMachine, nc::win32::Narrow(kLinkTarget), RegAccess::Read,
                       nc::platform::RegView::Bits64);
  ASSERT_TRUE(kept.ok());
  EXPECT_EQ(nc::platform::ValueDword(*reg.readValue(*kept, "marker")), 42u);
  EXPECT_TRUE(reg.openSub(*kept, "child", RegAccess::Read).ok());
}

TEST_F(Win32Registry, RootKeysOpenAndStayUsableAfterClosing) {
  for (int i = 0; i < 3; ++i) {
    auto root = reg.open(RootKey::CurrentUser, "", RegAccess::Read);
    ASSERT_TRUE(root.ok());
    auto names = reg.subKeyNames(*root);
    ASSERT_TRUE(names.ok());
    EXPECT_NE(std::find(names->begin(), names->end(), "Software"), names->end());
  }
  EXPECT_TRUE(
      reg.open(RootKey::LocalMachine, "Software", RegAccess::Read, nc::platform::RegView::Bits64)
          .ok());
  EXPECT_TRUE(reg.open(RootKey::ClassesRoot, "", RegAccess::Read).ok());
  EXPECT_TRUE(reg.open(RootKey::Users, "", RegAccess::Read).ok());
}

TEST_F(Win32Registry, SaveKeyWritesAFileAndRefusesToOverwrite) {
  ASSERT_TRUE(nc::platform::WriteStringValue(reg, base, "saved", "yes").ok());
  const nc::wintest::TempFolder scratch(L"nc-save");
  const std::wstring file = scratch.path() + L"\\saved.hiv";
  const std::string path = nc::win32::Narrow(file);

  auto st = reg.saveKey(base, path);
  ASSERT_TRUE(st.ok()) << st.error().op;
  WIN32_FILE_ATTRIBUTE_DATA data{};
  ASSERT_TRUE(GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data));
  EXPECT_GT(data.nFileSizeLow, 0u);

  auto again = reg.saveKey(base, path);
  EXPECT_FALSE(again.ok());
  EXPECT_EQ(again.error().code, Errc::AlreadyExists);
}

}  // namespace
