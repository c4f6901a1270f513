#include "platform/sim/sim_platform.h"

#include <stdlib.h>  // mkdtemp

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

namespace nc::sim {

namespace fs = std::filesystem;

namespace {
// In memory where the machine offers it and TMPDIR does not say otherwise:
// the fault sweeps build thousands of drives.
fs::path TempBase() {
  std::error_code ec;
  if (::getenv("TMPDIR") == nullptr && fs::is_directory("/dev/shm", ec)) return "/dev/shm";
  return fs::temp_directory_path();
}

fs::path MakeTempRoot() {
  std::string pattern = (TempBase() / "nc-sim-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("cannot create the substitute platform's folder");
  }
  return pattern;
}
}  // namespace

SimPlatform::SimPlatform()
    : root_(MakeTempRoot()),
      files_(&faults_),
      registry_(&faults_),
      profile_(files_),
      shell_(&faults_) {
  fs::create_directories(root_ / "C");
  files_.addDrive('C', root_ / "C", platform::DriveType::Fixed, true, "\\Device\\HarddiskVolume1");
  registry_.attachFiles(&files_);
  shell_.setFileSystem(&files_);
  programs_.modelRedirection([this] { return system_.isWow64(); }, files_.windowsFolder());
  for (const std::string& folder :
       {files_.windowsFolder(), files_.systemFolder(), files_.tempFolder()}) {
    fs::create_directories(files_.hostPath(folder));
  }
  files_.addWindowsLinks(files_.expandEnvironment("%USERPROFILE%"));
}

SimPlatform::~SimPlatform() {
  messages_.stop();
  std::error_code ec;
  fs::remove_all(root_, ec);
}

platform::WorkerContext SimPlatform::workerContext(int versionCode) {
  return platform::WorkerContext{ports(), messages_, messages_, versionCode};
}

platform::Platform SimPlatform::ports() {
  return platform::Platform{registry_, files_,    profile_, system_, shell_,   clock_,
                            random_,   programs_, prompts_, hives_,  browser_, desktop_};
}

fs::path SimPlatform::addDrive(char letter, platform::DriveType type, bool volumePresent) {
  const fs::path host = root_ / std::string(1, letter);
  fs::create_directories(host);
  files_.addDrive(letter, host, type, volumePresent);
  return host;
}

void SimPlatform::modelWindows10Hives() {
  files_.addDrive('C', root_ / "C", platform::DriveType::Fixed, true, "\\Device\\HarddiskVolume3");
  files_.setFreeSpace('C', 20ULL << 30);
  auto list = registry_.create(platform::RootKey::LocalMachine,
                               "SYSTEM\\CurrentControlSet\\Control\\hivelist");
  if (!list) return;
  for (const ListedHive& hive : Windows10Hives()) {
    (void)platform::WriteStringValue(registry_, *list, hive.keyName, hive.listedPath);
    if (!hive.subKey.empty()) {
      (void)registry_.create(hive.root, hive.subKey);
      if (hive.refusesReaders) registry_.denyRead(hive.root, hive.subKey);
      hives_.setSave(hive.root, hive.subKey, hive.copySize);
    }
    if (hive.file.empty()) continue;
    const fs::path host = files_.hostPath(hive.file);
    std::error_code ec;
    fs::create_directories(host.parent_path(), ec);
    std::ofstream(host, std::ios::binary).close();
    fs::resize_file(host, hive.fileSize, ec);  // sparse on the host
  }
}

bool SimPlatform::writeFile(std::string_view winPath, std::string_view content) {
  const fs::path host = files_.hostPath(winPath);
  if (host.empty()) return false;
  std::error_code ec;
  fs::create_directories(host.parent_path(), ec);
  std::ofstream out(host, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  return static_cast<bool>(out);
}

std::string SimPlatform::readFile(std::string_view winPath) {
  const fs::path host = files_.hostPath(winPath);
  if (host.empty()) return {};
  std::ifstream in(host, std::ios::binary);
  if (!in) return {};
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

fs::path SimPlatform::hostPath(std::string_view winPath) {
  return files_.hostPath(winPath);
}

}  // namespace nc::sim
