// The report and exit code of the real program's unattended "/Clear" run:
// a file held open stays and is reported with exit code 1; a settings file
// that cannot be written stops the run with exit code 2.
#include <windows.h>

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "app/main_controller.h"
#include "core/text.h"
#include "program_under_test.h"
#include "win_test_support.h"

namespace nc::wintest {
namespace {

using nlohmann::json;

std::wstring TempFolder() {
  wchar_t path[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, path);
  return path;
}

json ParseReport(const std::wstring& path) {
  const std::string text = ReadBytes(path);
  return json::parse(text, nullptr, false);
}

TEST(RunReportWin, AClearWithAFileHeldOpenReportsItAndEndsWithOne) {
  ProgramUnderTest program;
  program.TickOnlyCleanerItem(L"Windows - Temporary Files", false);
  const std::wstring held = TempFolder() + L"norvik-report-held.tmp";
  HANDLE file = CreateFileW(held.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  const std::wstring report = program.file(L"reports\\run.json");
  ASSERT_TRUE(program.Start(L"/Clear \"" + report + L"\""));
  const int exitCode = program.WaitForExit(120000);
  CloseHandle(file);
  DeleteFileW(held.c_str());

  EXPECT_EQ(exitCode, 1);
  const json r = ParseReport(report);
  ASSERT_TRUE(r.is_object()) << ReadBytes(report);
  EXPECT_EQ(r["program"], "Norvik Cleaner");
  EXPECT_EQ(r["version"], app::kFullVersion);
  EXPECT_EQ(r["mode"], "/Clear");
  EXPECT_EQ(r["exitCode"], exitCode);
  EXPECT_EQ(r["outcome"], "failures");
  ASSERT_EQ(r["clean"]["items"].size(), 1u);
  const json& item = r["clean"]["items"][0];
  EXPECT_EQ(item["runName"], "Windows - Temporary Files");
  bool reported = false;
  for (const json& failure : item["failures"]) {
    const std::string target = failure["target"];
    if (EqualsNoCase(target, Utf16ToUtf8(std::u16string(held.begin(), held.end())))) {
      reported = true;
      EXPECT_EQ(failure["reason"].get<std::string>().rfind("delete file: ", 0), 0u);
    }
  }
  EXPECT_TRUE(reported) << r.dump(2);
  EXPECT_TRUE(r["registry"]["scanned"].is_boolean());
  EXPECT_GE(r["totals"]["failures"].get<int>(), 1);
}

TEST(RunReportWin, ASettingsFileThatCannotBeWrittenEndsWithTwoAndRemovesNothing) {
  ProgramUnderTest program;
  program.TickOnlyCleanerItem(L"Windows - Temporary Files", false);
  const std::wstring kept = TempFolder() + L"norvik-report-kept.tmp";
  HANDLE file = CreateFileW(kept.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  // Held open by another program that lets others read it but not write
  // it (a read-only attribute would not do: Wine run as root writes it).
  const std::wstring ini = program.file(L"options.ini");
  HANDLE held = CreateFileW(ini.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const std::wstring report = program.file(L"run.json");
  ASSERT_TRUE(program.Start(L"/CLEAR \"" + report + L"\""));
  EXPECT_EQ(program.WaitForExit(60000), 2);
  CloseHandle(held);
  EXPECT_NE(GetFileAttributesW(kept.c_str()), INVALID_FILE_ATTRIBUTES);
  DeleteFileW(kept.c_str());
  const json r = ParseReport(report);
  ASSERT_TRUE(r.is_object()) << ReadBytes(report);
  EXPECT_EQ(r["outcome"], "could not run");
  EXPECT_FALSE(r["clean"]["started"]);
}

}  // namespace
}  // namespace nc::wintest
