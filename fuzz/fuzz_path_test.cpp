// Strings read from the registry, of any shape, through the missing-file
// test: it never crashes, gives the same answer twice, never asks the file
// system about a path longer than any the system accepts, and asks a
// bounded number of questions however long the string is.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/sim/sim_platform.h"
#include "registry/locations.h"

namespace {

class CountingFiles : public nc::sim::SimFileSystem {
 public:
  explicit CountingFiles(const std::filesystem::path& hostC) { addDrive('C', hostC); }
  bool fileExists(std::string_view path) override {
    Note(path);
    return SimFileSystem::fileExists(path);
  }
  bool folderExists(std::string_view path) override {
    Note(path);
    return SimFileSystem::folderExists(path);
  }
  int calls = 0;
  std::size_t longest = 0;

 private:
  void Note(std::string_view path) {
    ++calls;
    longest = std::max(longest, path.size());
  }
};

struct World {
  World() : files(sim.hostPath("C:\\")) {
    sim.writeFile("C:\\Windows\\notepad.exe", "MZ");
    sim.writeFile("C:\\Windows\\system32\\shell32.dll", "MZ");
    sim.writeFile("C:\\App\\tool.exe", "MZ");
    sim.writeFile("C:\\App\\lib.dll", "MZ");
    files.setEnvironment("SystemRoot", "C:\\Windows");
    files.setEnvironment("App", " C:\\App ");
  }
  nc::sim::SimPlatform sim;
  CountingFiles files;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static World world;
  if (size == 0) return 0;
  const std::uint8_t flags = data[0];
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

  nc::registry::PathTest test{
      world.files,      (flags & 1) != 0 ? "c" : "abcdefghijklmnopqrstuvwxyz",
      (flags & 2) != 0, false,
      (flags & 4) != 0, (flags & 8) != 0};
  static constexpr std::string_view kExtensions[] = {"", ".dll", ".exe", ";"};
  const std::string_view extension = kExtensions[(flags >> 4) & 3];
  const bool allowFolder = (flags & 0x40) != 0;

  world.files.calls = 0;
  world.files.longest = 0;
  const bool first = nc::registry::FileReferenceMissing(test, text, extension, allowFolder);
  if (world.files.longest > nc::registry::kMaxPathChars) std::abort();
  // Only texts up to kMaxPathChars are tried: per position at most a
  // file, a folder and three program tries, before the separators and
  // again while trailing semicolons are dropped.
  if (world.files.calls > 10 * static_cast<int>(nc::registry::kMaxPathChars) + 16) std::abort();
  if (nc::registry::FileReferenceMissing(test, text, extension, allowFolder) != first) std::abort();
  return 0;
}
