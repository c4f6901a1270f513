// A definitions file of any shape, run section by section in test mode on
// the substitute platform: nothing crashes, nothing is deleted, and the
// counters stay sane.
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "app/options.h"
#include "cleaner/clean_log.h"
#include "cleaner/clean_run.h"
#include "cleaner/definitions.h"
#include "cleaner/run_mode.h"
#include "core/text.h"
#include "platform/sim/sim_platform.h"

namespace {

constexpr std::string_view kProgramFolder = "C:\\Program Files\\Norvik Cleaner\\";

class NullLog : public nc::cleaner::CleanLog {
 public:
  void AddLine(std::string_view) override {}
  void ScrollToEnd() override {}
};

struct World {
  World() {
    options.FastScan = false;
    sim.registry().loadRegText(
        "REGEDIT4\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion]\r\n"
        "\"ProgramFilesDir\"=\"C:\\\\Program Files\"\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell "
        "Folders]\r\n"
        "\"Local AppData\"=\"C:\\\\Users\\\\user\\\\AppData\\\\Local\"\r\n"
        "\"AppData\"=\"C:\\\\Users\\\\user\\\\AppData\\\\Roaming\"\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Vendor\\Recent]\r\n\"File1\"=\"a\"\r\n\r\n");
    for (const char* path : kFiles) sim.writeFile(path, "sentinel");
  }

  bool AllThere() {
    for (const char* path : kFiles) {
      if (!sim.files().fileExists(path)) return false;
    }
    return sim.registry()
        .value(nc::platform::RootKey::CurrentUser, "Software\\Vendor\\Recent", "File1")
        .has_value();
  }

  static constexpr const char* kFiles[] = {
      "C:\\root.txt",
      "C:\\Windows\\win.ini",
      "C:\\Windows\\Temp\\a.tmp",
      "C:\\Users\\user\\AppData\\Roaming\\Vendor\\cache.bin",
      "C:\\Users\\user\\AppData\\Local\\Vendor\\Logs\\x.log",
      "C:\\Program Files\\Vendor\\history.dat",
  };

  nc::sim::SimPlatform sim;
  NullLog log;
  nc::app::Options options;
  std::atomic<nc::cleaner::RunMode> runMode{nc::cleaner::RunMode::Test};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static World world;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::string file = std::string(kProgramFolder) + "kvrn.dat";
  if (!world.sim.writeFile(file, text)) return 0;

  nc::cleaner::CleanRun run(
      nc::cleaner::CleanEnvironment{world.sim.workerContext(size % 2 ? 12 : 3), world.log,
                                    world.runMode, world.options, std::string(kProgramFolder)});
  world.sim.system().setAdministrator(size % 3 != 0);

  // Every section the file has, and one it does not.
  auto names = world.sim.profile().sectionNames(file);
  names.push_back("No such section");
  for (const std::string& name : names) {
    run.ItemCount = 0;
    nc::cleaner::RunListSection(run, "kvrn.dat", "Applications - " + name);
    if (run.ItemCount < 0) std::abort();
    if (run.ItemSizeText != nc::KilobyteText(run.ItemSize)) std::abort();
  }
  // Test mode never deletes and never asks.
  if (!world.AllThere()) std::abort();
  if (world.sim.prompts().count(nc::sim::SimPrompts::Kind::Confirm) != 0) std::abort();
  world.sim.prompts().clear();
  return 0;
}
