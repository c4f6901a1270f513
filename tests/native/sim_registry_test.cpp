// The substitute registry: names, enumeration order, rights, deep trees
// and .reg text in both directions.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/reg_file.h"
#include "core/text.h"
#include "platform/sim/sim_platform.h"
#include "platform/sim/sim_registry.h"

namespace nc::sim {
namespace {

using platform::RegAccess;
using platform::RegType;
using platform::RegValue;
using platform::RootKey;

constexpr auto HKCU = RootKey::CurrentUser;
constexpr auto HKLM = RootKey::LocalMachine;

std::uint32_t T(RegType type) {
  return static_cast<std::uint32_t>(type);
}

TEST(SimRegistry, NamesMatchWithoutCaseAndKeepTheirFirstSpelling) {
  SimRegistry reg;
  auto key = reg.create(HKCU, "Software\\MyApp");
  ASSERT_TRUE(key.ok());
  ASSERT_TRUE(platform::WriteStringValue(reg, *key, "Name", "one").ok());

  auto again = reg.open(HKCU, "SOFTWARE\\myapp", RegAccess::Full);
  ASSERT_TRUE(again.ok());
  ASSERT_TRUE(platform::WriteStringValue(reg, *again, "nAmE", "two").ok());

  auto values = reg.values(*again);
  ASSERT_TRUE(values.ok());
  ASSERT_EQ(values->size(), 1u);
  EXPECT_EQ((*values)[0].name, "Name");
  EXPECT_EQ(platform::ValueText((*values)[0]), "two");
  EXPECT_EQ(platform::ReadStringValue(reg, HKCU, "software\\MYAPP", "NAME"), "two");

  auto software = reg.open(HKCU, "software", RegAccess::Read);
  ASSERT_TRUE(software.ok());
  EXPECT_EQ(reg.subKeyNames(*software).value(), std::vector<std::string>{"MyApp"});
  // Creating with another case opens the same key.
  ASSERT_TRUE(reg.create(HKCU, "SOFTWARE\\MYAPP\\Sub").ok());
  EXPECT_EQ(reg.subKeyNames(*software).value(), std::vector<std::string>{"MyApp"});
  EXPECT_EQ(reg.open(HKCU, "Software\\Missing", RegAccess::Read).error().code, Errc::NotFound);
}

TEST(SimRegistry, SubKeysEnumerateByUpperCaseNameAndValuesInCreationOrder) {
  SimRegistry reg;
  for (const char* name : {"b", "_x", "A", "C", "a1"}) {
    ASSERT_TRUE(reg.create(HKLM, std::string("Software\\Order\\") + name).ok());
  }
  auto key = reg.open(HKLM, "Software\\Order", RegAccess::Full);
  ASSERT_TRUE(key.ok());
  // '_' sorts after the letters once they are upper-cased.
  EXPECT_EQ(reg.subKeyNames(*key).value(), (std::vector<std::string>{"A", "a1", "b", "C", "_x"}));

  for (const char* name : {"zeta", "alpha", "", "mid"}) {
    ASSERT_TRUE(platform::WriteDwordValue(reg, *key, name, 1).ok());
  }
  std::vector<std::string> names;
  const auto values = reg.values(*key);
  ASSERT_TRUE(values.ok());
  for (const auto& v : *values) names.push_back(v.name);
  EXPECT_EQ(names, (std::vector<std::string>{"zeta", "alpha", "", "mid"}));
  const auto info = reg.info(*key);
  ASSERT_TRUE(info.ok());
  EXPECT_EQ(info->subKeyCount, 5u);
  EXPECT_EQ(info->valueCount, 4u);
}

TEST(SimRegistry, HandlesFollowAccessAndDeletion) {
  SimRegistry reg;
  ASSERT_TRUE(reg.create(HKCU, "Software\\A\\B").ok());
  auto readOnly = reg.open(HKCU, "Software\\A", RegAccess::Read);
  ASSERT_TRUE(readOnly.ok());
  EXPECT_EQ(platform::WriteDwordValue(reg, *readOnly, "x", 1).error().code, Errc::AccessDenied);
  EXPECT_EQ(reg.deleteTree(*readOnly, "B").error().code, Errc::AccessDenied);
  EXPECT_TRUE(reg.keyExists(HKCU, "Software\\A\\B"));

  auto sub = reg.openSub(*readOnly, "b", RegAccess::Read);
  ASSERT_TRUE(sub.ok());
  auto parent = reg.open(HKCU, "Software", RegAccess::Full);
  ASSERT_TRUE(parent.ok());
  ASSERT_TRUE(reg.deleteTree(*parent, "A").ok());
  // Both handles still open, both keys gone.
  EXPECT_EQ(reg.values(*readOnly).error().code, Errc::NotFound);
  EXPECT_EQ(reg.subKeyNames(*sub).error().code, Errc::NotFound);
  EXPECT_EQ(reg.deleteTree(*parent, "A").error().code, Errc::NotFound);

  const std::size_t before = reg.openHandleCount();
  { platform::RegKey moved = std::move(*sub); }
  EXPECT_EQ(reg.openHandleCount(), before - 1);
}

TEST(SimRegistry, RefusedKeysFailAsForAnAccountWithoutRights) {
  SimRegistry reg;
  reg.loadRegText(
      "REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\\Locked\\Inner]\n\"v\"=\"x\"\n"
      "[HKEY_LOCAL_MACHINE\\Software\\ReadOnly]\n");
  reg.denyAccess(HKLM, "software\\locked\\inner");
  reg.denyWrite(HKLM, "Software\\ReadOnly");

  EXPECT_EQ(reg.open(HKLM, "Software\\Locked\\Inner", RegAccess::Read).error().code,
            Errc::AccessDenied);
  EXPECT_EQ(reg.create(HKLM, "Software\\Locked\\Inner\\New").error().code, Errc::AccessDenied);
  EXPECT_TRUE(reg.open(HKLM, "Software\\ReadOnly", RegAccess::Read).ok());
  EXPECT_EQ(reg.open(HKLM, "Software\\ReadOnly", RegAccess::Full).error().code, Errc::AccessDenied);

  // A refused key below stops the whole deletion.
  auto software = reg.open(HKLM, "Software", RegAccess::Full);
  ASSERT_TRUE(software.ok());
  EXPECT_EQ(reg.deleteTree(*software, "Locked").error().code, Errc::AccessDenied);
  EXPECT_TRUE(reg.value(HKLM, "Software\\Locked\\Inner", "v").has_value());

  reg.allowAccess(HKLM, "Software\\Locked\\Inner");
  EXPECT_TRUE(reg.deleteTree(*software, "Locked").ok());
  EXPECT_FALSE(reg.keyExists(HKLM, "Software\\Locked"));
}

TEST(SimRegistry, DeleteTreeRemovesAThousandLevelChain) {
  SimRegistry reg;
  std::string path = "Software\\Deep";
  for (int i = 0; i < 1000; ++i) path += "\\k" + std::to_string(i);
  auto leaf = reg.create(HKCU, path);
  ASSERT_TRUE(leaf.ok());
  ASSERT_TRUE(platform::WriteDwordValue(reg, *leaf, "v", 7).ok());

  auto saved = reg.saveRegText(HKCU, "Software\\Deep");
  ASSERT_TRUE(saved.ok());
  SimRegistry copy;
  copy.loadRegText(*saved);
  EXPECT_TRUE(copy.value(HKCU, path, "v").has_value());

  auto software = reg.open(HKCU, "Software", RegAccess::Full);
  ASSERT_TRUE(software.ok());
  ASSERT_TRUE(reg.deleteTree(*software, "deep").ok());
  EXPECT_FALSE(reg.keyExists(HKCU, "Software\\Deep"));
  EXPECT_EQ(reg.values(*leaf).error().code, Errc::NotFound);
}

TEST(SimRegistry, DeleteTreeWithoutSubKeyEmptiesTheKeyItself) {
  SimRegistry reg;
  reg.loadRegText(
      "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\K\\A]\r\n"
      "[HKEY_CURRENT_USER\\K]\r\n\"v\"=dword:00000001\r\n");
  auto key = reg.open(HKCU, "K", RegAccess::Full);
  ASSERT_TRUE(key.ok());
  ASSERT_TRUE(reg.deleteTree(*key, "").ok());
  EXPECT_TRUE(reg.keyExists(HKCU, "K"));
  EXPECT_EQ(reg.info(*key)->subKeyCount, 0u);
  EXPECT_EQ(reg.info(*key)->valueCount, 0u);
}

// Every value type, awkward names and non-ASCII text survive save and load,
// as UTF-8 text and as a UTF-16 file.
TEST(SimRegistryText, RoundTripKeepsEveryValueType) {
  SimRegistry reg;
  const std::string keyPath = "Software\\Ünïcode ключ\\日本";
  auto key = reg.create(HKCU, keyPath);
  ASSERT_TRUE(key.ok());
  std::vector<std::uint8_t> longBinary;
  for (int i = 0; i < 200; ++i) longBinary.push_back(static_cast<std::uint8_t>(i * 7));
  const std::vector<RegValue> written = {
      {"", T(RegType::String), platform::StringData("default")},
      {"plain", T(RegType::String), platform::StringData("C:\\Path \"quoted\"")},
      {"naïve \"name\" \\ back", T(RegType::String), platform::StringData("värde 値")},
      {"two lines", T(RegType::String), platform::StringData("a\r\nb")},
      {"no terminator", T(RegType::String), {0x41, 0x00}},
      {"expand", T(RegType::ExpandString), platform::StringData("%TEMP%\\ä")},
      {"multi", T(RegType::MultiString), platform::MultiStringData({"one", "twö"})},
      {"binary", T(RegType::Binary), longBinary},
      {"empty binary", T(RegType::Binary), {}},
      {"dword", T(RegType::Dword), platform::DwordData(0xDEADBEEF)},
      {"short dword", T(RegType::Dword), {1, 2}},
      {"big endian", T(RegType::DwordBigEndian), {0, 0, 1, 2}},
      {"qword", T(RegType::Qword), {1, 2, 3, 4, 5, 6, 7, 8}},
      {"none", T(RegType::None), {}},
      {"odd type", 0x12345, {9}},
  };
  for (const auto& v : written) ASSERT_TRUE(reg.writeValue(*key, v.name, v.type, v.data).ok());
  ASSERT_TRUE(reg.create(HKCU, keyPath + "\\Empty child").ok());

  const auto text = reg.saveRegText(HKCU, "Software");
  ASSERT_TRUE(text.ok());
  EXPECT_TRUE(StartsWith(*text, "Windows Registry Editor Version 5.00\r\n"));
  for (const auto& line : Split(*text, '\n')) EXPECT_LE(line.size(), 81u) << line;

  const auto check = [&](SimRegistry& copy) {
    auto opened = copy.open(HKCU, keyPath, RegAccess::Read);
    ASSERT_TRUE(opened.ok());
    const auto values = copy.values(*opened);
    ASSERT_TRUE(values.ok());
    ASSERT_EQ(values->size(), written.size());
    for (std::size_t i = 0; i < written.size(); ++i) {
      EXPECT_EQ((*values)[i].name, written[i].name);
      EXPECT_EQ((*values)[i].type, written[i].type) << written[i].name;
      EXPECT_EQ((*values)[i].data, written[i].data) << written[i].name;
    }
    EXPECT_TRUE(copy.keyExists(HKCU, keyPath + "\\Empty child"));
  };
  SimRegistry fromText;
  const auto report = fromText.loadRegText(*text);
  EXPECT_TRUE(report.headerFound);
  EXPECT_EQ(report.skippedLines, 0u);
  check(fromText);

  SimRegistry fromFile;
  fromFile.loadRegFile(EncodeRegFileUtf16(*text));
  check(fromFile);
}

// What the text says is parsed in core/reg_file; here it must be applied
// in order, with the roots this registry lacks counted as skipped.
TEST(SimRegistryText, LoaderAppliesTheOperationsInOrder) {
  SimRegistry reg;
  const auto report = reg.loadRegText(
      "REGEDIT4\r\n"
      "[HKEY_CURRENT_USER\\Software\\Test]\r\n"
      "\"Exp\"=hex(2):25,54,45,4d,50,25,00\r\n"
      "\"Dw2\"=dword:1\r\n"
      "[HKEY_CURRENT_USER\\Software\\Gone\\Child]\r\n"
      "[-HKEY_CURRENT_USER\\Software\\Gone]\r\n"
      "[HKEY_DYN_DATA\\X]\r\n"
      "\"Lost\"=\"y\"\r\n"
      "[HKEY_CURRENT_USER\\Software\\Test]\r\n"
      "\"Dw2\"=-\r\n"
      "\"Bad\"=dword:123456789\r\n");
  EXPECT_TRUE(report.headerFound);
  EXPECT_EQ(report.skippedLines, 3u);
  EXPECT_EQ(report.keysDeleted, 1u);
  EXPECT_EQ(report.valuesDeleted, 1u);
  const auto get = [&](const char* name) { return reg.value(HKCU, "Software\\Test", name); };
  EXPECT_EQ(get("Exp")->type, T(RegType::ExpandString));
  EXPECT_EQ(platform::ValueText(*get("Exp")), "%TEMP%");
  EXPECT_FALSE(get("Bad").has_value());
  EXPECT_FALSE(get("Dw2").has_value());
  EXPECT_FALSE(reg.keyExists(HKCU, "Software\\Gone"));

  SimRegistry none;
  const auto refused = none.loadRegText("[HKEY_CURRENT_USER\\X]\n\"a\"=\"b\"\n");
  EXPECT_FALSE(refused.headerFound);
  EXPECT_FALSE(none.keyExists(HKCU, "X"));
}

TEST(SimRegistry, SaveKeyWritesAFileAndReplaceKeyIsRecorded) {
  SimPlatform sim;
  auto& reg = sim.registry();
  reg.loadRegText("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Saved]\n\"v\"=dword:00000005\n");
  auto key = reg.open(HKCU, "Software\\Saved", RegAccess::Read);
  ASSERT_TRUE(key.ok());
  ASSERT_TRUE(reg.saveKey(*key, "C:\\Windows\\Temp.hiv").ok());
  const std::string saved = sim.readFile("C:\\windows\\temp.hiv");
  EXPECT_NE(saved.find("[HKEY_CURRENT_USER\\Software\\Saved]"), std::string::npos);
  EXPECT_EQ(reg.saveKey(*key, "C:\\Windows\\Temp.hiv").error().code, Errc::AlreadyExists);

  EXPECT_EQ(reg.replaceKey(HKCU, "Software\\Saved", "C:\\none.hiv", "C:\\old.hiv").error().code,
            Errc::NotFound);
  ASSERT_TRUE(reg.replaceKey(HKCU, "Software\\Saved", "C:\\Windows\\Temp.hiv", "C:\\old.hiv").ok());
  ASSERT_EQ(reg.replacements().size(), 1u);
  EXPECT_EQ(reg.replacements()[0].newFile, "C:\\Windows\\Temp.hiv");
  EXPECT_EQ(reg.replacements()[0].oldFile, "C:\\old.hiv");
}

TEST(SimRegistry, ValueNamesAreKeptAndDeletedExactly) {
  SimRegistry reg;
  const char* kKey = "Software\\Run";
  const std::u16string hidden(u"Updater\0hidden", 14);   // a NUL inside
  const std::u16string lone = {u'A', char16_t(0xD800)};  // half a surrogate pair
  const std::u16string collider = u"A\uFFFD";            // what `lone` shows as
  for (const std::u16string& name : {std::u16string(u"Updater"), hidden, lone, collider}) {
    ASSERT_TRUE(reg.writeExactValue(HKCU, kKey, name, T(RegType::String),
                                    platform::StringData(Utf16ToUtf8(name) + " data")));
  }
  auto key = reg.open(HKCU, kKey, RegAccess::Full);
  ASSERT_TRUE(key.ok());
  auto listed = reg.values(*key);
  ASSERT_TRUE(listed.ok());
  std::vector<std::u16string> exact;
  for (const RegValue& value : *listed) {
    exact.push_back(value.exactName);
    EXPECT_EQ(value.name, Utf16ToUtf8(value.exactName));
  }
  EXPECT_EQ(exact, (std::vector<std::u16string>{u"Updater", hidden, lone, collider}));
  EXPECT_EQ((*listed)[2].name, (*listed)[3].name);  // the two show alike

  // By text, a name ends at its first NUL, as the system's calls read it:
  // the shown name of the hidden value reaches "Updater".
  EXPECT_EQ(platform::ValueText(reg.readValue(*key, (*listed)[1].name).value()), "Updater data");
  // The exact name of a value holding a NUL cannot be deleted, and nothing goes.
  EXPECT_EQ(reg.deleteValueExact(*key, hidden).error().code, Errc::NotSupported);
  // A lone half is deleted as itself, never as the value it looks like.
  EXPECT_TRUE(reg.deleteValueExact(*key, lone).ok());
  EXPECT_EQ(reg.deleteValueExact(*key, lone).error().code, Errc::NotFound);
  exact.clear();
  listed = reg.values(*key);
  for (const RegValue& value : listed.value()) exact.push_back(value.exactName);
  EXPECT_EQ(exact, (std::vector<std::u16string>{u"Updater", hidden, collider}));
  // Exact names match without regard to ASCII case, as text names do.
  EXPECT_TRUE(reg.deleteValueExact(*key, u"UPDATER").ok());
  EXPECT_TRUE(reg.exactValue(HKCU, kKey, hidden).has_value());
}

TEST(SimRegistry, FaultPlanFailsTheChosenCall) {
  SimRegistry reg;
  ASSERT_TRUE(reg.create(HKCU, "Software\\A").ok());
  reg.faults().failOnce(PortMethod::RegistryOpen, 2, Errc::AccessDenied);
  EXPECT_TRUE(reg.open(HKCU, "Software\\A", RegAccess::Read).ok());
  EXPECT_EQ(reg.open(HKCU, "Software\\A", RegAccess::Read).error().code, Errc::AccessDenied);
  EXPECT_TRUE(reg.open(HKCU, "Software\\A", RegAccess::Read).ok());
  EXPECT_EQ(reg.faults().calls(PortMethod::RegistryOpen), 3u);
  EXPECT_EQ(reg.faults().faultsFired(PortMethod::RegistryOpen), 1u);
}

}  // namespace
}  // namespace nc::sim
