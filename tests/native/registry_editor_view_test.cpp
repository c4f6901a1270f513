// The registry editor of a 32-bit program on 64-bit Windows. File-system
// redirection hands such a program the 32-bit editor of SysWOW64 for
// "<Windows>\regedit.exe" and for the editor found by name, and that editor
// imports every key of HKEY_LOCAL_MACHINE\Software below Wow6432Node.
// Restores, the full backup and the jump to a key start the native editor.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "platform/sim/sim_platform.h"
#include "registry/backups.h"
#include "registry/results_commands.h"

namespace nc::registry {
namespace {

TEST(SimProgramRedirection, A32BitProgramStartsTheSysWow64ProgramsUnlessStartedNative) {
  struct Case {
    bool wow64;
    bool native;
    const char* commandLine;
    const char* program;
  };
  const Case cases[] = {
      {false, false, "\"C:\\Windows\\regedit.exe\" /s \"C:\\a.reg\"", "C:\\Windows\\regedit.exe"},
      {false, false, "Regedit /e \"C:\\a.reg\"", "C:\\Windows\\System32\\Regedit.exe"},
      {true, false, "\"C:\\Windows\\regedit.exe\" /s \"C:\\a.reg\"",
       "C:\\Windows\\SysWOW64\\regedit.exe"},
      {true, false, "\"C:\\WINDOWS\\REGEDIT.EXE\"", "C:\\Windows\\SysWOW64\\regedit.exe"},
      {true, false, "Regedit /e \"C:\\a.reg\"", "C:\\Windows\\SysWOW64\\Regedit.exe"},
      {true, false, "C:\\Windows\\system32\\cmd.exe /c", "C:\\Windows\\SysWOW64\\cmd.exe"},
      {true, false, "C:\\Windows\\Sysnative\\cmd.exe /c", "C:\\Windows\\System32\\cmd.exe"},
      {true, false, "\"C:\\Program Files\\x.exe\" /s", "C:\\Program Files\\x.exe"},
      {true, true, "\"C:\\Windows\\regedit.exe\" /s \"C:\\a.reg\"", "C:\\Windows\\regedit.exe"},
      {true, true, "Regedit /e \"C:\\a.reg\"", "C:\\Windows\\System32\\Regedit.exe"},
  };
  for (const Case& c : cases) {
    sim::SimPlatform sim;
    sim.system().setWow64(c.wow64);
    auto started = c.native ? sim.programs().startNative(c.commandLine, {}, 0)
                            : sim.programs().start(c.commandLine, {}, 0);
    ASSERT_TRUE(started) << c.commandLine;
    EXPECT_EQ(sim.programs().started().at(0).program, c.program) << c.commandLine;
  }
}

class RecordingRestoreView : public RestoreView {
 public:
  void SetFolderText(std::string_view) override {}
  void SetRows(const std::vector<BackupRow>&) override {}
  void RemoveRow(std::size_t) override {}
  void SelectRow(std::optional<std::size_t>) override {}
  void EnableRestore(bool) override {}
  void EnableDelete(bool) override {}
  std::optional<std::string> BrowseForFolder(std::string_view) override { return std::nullopt; }
  bool RunWaitDialog(BackupHintController& hint) override {
    while (!hint.Closed()) hint.TimerTick();
    return true;
  }
};

// A 32-bit program on 64-bit Windows whose editors import into the view of
// their own bits.
class EditorOfA32BitProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    sim.system().setWow64(true);
    sim.registry().modelTwoViews(false);
    sim.programs().setOnStart([this](std::string_view commandLine) {
      const std::string program = sim.programs().started().back().program;
      const std::size_t open = commandLine.find(" /s \"");
      if (open == std::string_view::npos) return;
      std::string text = sim.readFile(commandLine.substr(open + 5, commandLine.size() - open - 6));
      if (program.find("\\SysWOW64\\") != std::string::npos) {
        const std::string from = "[HKEY_LOCAL_MACHINE\\Software\\";
        for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
          text.insert(at + from.size(), "Wow6432Node\\");
          at += from.size();
        }
      }
      sim.registry().loadRegText(text);
    });
  }

  sim::SimPlatform sim;
};

TEST_F(EditorOfA32BitProgram, RestoresIntoThe64BitViewAndBacksUpWithTheNativeEditor) {
  BackupSettings settings;
  settings.OutputDirectory = "C:\\Backup\\";
  ASSERT_TRUE(sim.writeFile("C:\\Backup\\b.reg",
                            "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Norvik]\n\"A\"=\"1\"\n"));
  RestoreController restore({sim.ports(), settings, [](std::int64_t) { return std::string(); }});
  RecordingRestoreView view;
  restore.Show(view);
  restore.SelectionChanged(0);
  restore.RestoreClicked();
  EXPECT_TRUE(sim.registry().keyExists(platform::RootKey::LocalMachine, "Software\\Norvik"));
  EXPECT_FALSE(
      sim.registry().keyExists(platform::RootKey::LocalMachine, "Software\\Wow6432Node\\Norvik"));
  EXPECT_TRUE(sim.prompts().records().empty()) << sim.prompts().records().at(0).text;
  EXPECT_FALSE(sim.files().fileExists("C:\\Backup\\b.reg"));

  const SaveFileAsker ask = [](const SaveFileRequest&) { return std::string("C:\\all.reg"); };
  const WaitDialogRunner wait = [](BackupHintController& hint) {
    while (!hint.Closed()) hint.TimerTick();
    return true;
  };
  (void)BackupFullRegistry(sim.files(), sim.programs(), sim.prompts(), ask, wait);
  // No editor window in the substitute: the jump stops after the start.
  (void)NavigateRegistryEditor(sim.programs(), "HKEY_LOCAL_MACHINE", "Software\\Norvik", "");
  for (const auto& started : sim.programs().started()) {
    EXPECT_EQ(started.program.find("SysWOW64"), std::string::npos) << started.commandLine;
  }
  EXPECT_EQ(sim.programs().started().size(), 3u);
}

}  // namespace
}  // namespace nc::registry
