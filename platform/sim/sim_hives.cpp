#include "platform/sim/sim_hives.h"

#include <algorithm>
#include <thread>

#include "core/text.h"

namespace nc::sim {

using platform::FileOpen;
using platform::FileShare;
using platform::RootKey;

namespace {

Error Fail(Errc code, std::string_view op, std::string_view path) {
  return Error{code, std::string(op), std::string(path)};
}

constexpr std::size_t kChunk = 1 << 20;
constexpr std::size_t kBaseBlock = 4096;

void PutDword(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// The first chunk of a hive file of `fileSize` bytes as the system writes
// it: the base block (signature, equal sequence numbers, version 1.5, a
// primary file of format 1, the bins' length in whole pages, the XOR
// checksum) and the first bin's signature.
void PutHiveHead(std::vector<std::uint8_t>& chunk, std::uint64_t fileSize) {
  if (fileSize < kBaseBlock + 4 || chunk.size() < kBaseBlock + 4) return;
  std::fill(chunk.begin(), chunk.begin() + kBaseBlock, 0);
  std::copy_n("regf", 4, chunk.begin());
  PutDword(chunk, 4, 1);
  PutDword(chunk, 8, 1);
  PutDword(chunk, 20, 1);
  PutDword(chunk, 24, 5);
  PutDword(chunk, 32, 1);
  PutDword(chunk, 36, 0x20);
  PutDword(chunk, 40,
           static_cast<std::uint32_t>((fileSize - kBaseBlock) / kBaseBlock * kBaseBlock));
  PutDword(chunk, 44, 1);
  std::uint32_t sum = 0;
  for (std::size_t offset = 0; offset < 508; offset += 4) {
    sum ^= static_cast<std::uint32_t>(chunk[offset]) | chunk[offset + 1] << 8 |
           chunk[offset + 2] << 16 | static_cast<std::uint32_t>(chunk[offset + 3]) << 24;
  }
  PutDword(chunk, 508, sum == 0 ? 1 : sum == 0xFFFFFFFFU ? 0xFFFFFFFEU : sum);
  std::copy_n("hbin", 4, chunk.begin() + kBaseBlock);
}

}  // namespace

std::vector<ListedHive> Windows10Hives() {
  constexpr const char* kVolume = "\\Device\\HarddiskVolume3";
  constexpr const char* kConfig = "\\Windows\\System32\\config\\";
  auto onC = [&](const std::string& path) { return std::string(kVolume) + path; };
  const std::string ann = "\\Users\\ann";
  const std::string classes = ann + "\\AppData\\Local\\Microsoft\\Windows\\UsrClass.dat";
  const std::string amcache = "\\Windows\\AppCompat\\Programs\\Amcache.hve";
  const std::string localService = "\\Windows\\ServiceProfiles\\LocalService\\NTUSER.DAT";
  constexpr std::uint64_t kKB = 1024;
  using R = RootKey;
  auto config = [&](const char* name) { return std::string(kConfig) + name; };
  return {
      {"\\REGISTRY\\MACHINE\\HARDWARE", "", R::LocalMachine, "HARDWARE", false, "", 0, 0},
      {"\\REGISTRY\\MACHINE\\BCD00000000", "\\Device\\HarddiskVolume1\\EFI\\Microsoft\\Boot\\BCD",
       R::LocalMachine, "BCD00000000", false, "", 0, 0},
      {"\\REGISTRY\\MACHINE\\SYSTEM", onC(config("SYSTEM")), R::LocalMachine, "SYSTEM", false,
       "C:" + config("SYSTEM"), 2048 * kKB, 1792 * kKB},
      {"\\REGISTRY\\MACHINE\\SOFTWARE", onC(config("SOFTWARE")), R::LocalMachine, "SOFTWARE", false,
       "C:" + config("SOFTWARE"), 4096 * kKB, 3328 * kKB},
      {"\\REGISTRY\\MACHINE\\SECURITY", onC(config("SECURITY")), R::LocalMachine, "SECURITY", true,
       "C:" + config("SECURITY"), 64 * kKB, 36 * kKB},
      {"\\REGISTRY\\MACHINE\\SAM", onC(config("SAM")), R::LocalMachine, "SAM", true,
       "C:" + config("SAM"), 64 * kKB, 40 * kKB},
      {"\\REGISTRY\\MACHINE\\DRIVERS", onC(config("DRIVERS")), R::LocalMachine, "DRIVERS", false,
       "C:" + config("DRIVERS"), 1024 * kKB, 512 * kKB},
      {"\\REGISTRY\\USER\\.DEFAULT", onC(config("DEFAULT")), R::Users, ".DEFAULT", false,
       "C:" + config("DEFAULT"), 256 * kKB, 192 * kKB},
      {"\\REGISTRY\\USER\\S-1-5-19", onC(localService), R::Users, "S-1-5-19", false,
       "C:" + localService, 256 * kKB, 128 * kKB},
      {"\\REGISTRY\\USER\\S-1-5-21-1-2-3-1001", "\\??\\C:" + ann + "\\ntuser.dat", R::Users,
       "S-1-5-21-1-2-3-1001", false, "C:" + ann + "\\ntuser.dat", 1024 * kKB, 768 * kKB},
      {"\\REGISTRY\\USER\\S-1-5-21-1-2-3-1001_Classes", onC(classes), R::Users,
       "S-1-5-21-1-2-3-1001_Classes", false, "C:" + classes, 512 * kKB, 256 * kKB},
      {"\\REGISTRY\\A\\{35ab0a55-07f1-4a4f-a1c0-d3e1b1e39a24}", onC(amcache), R::LocalMachine, "",
       false, "C:" + amcache, 2048 * kKB, 0},
  };
}

SimHives::SimHives(SimRegistry& registry, platform::FileSystem& files, SimClock& clock,
                   FaultPlan& faults)
    : registry_(registry), files_(files), clock_(clock), faults_(faults) {}

SimHives::~SimHives() = default;

std::string SimHives::KeyOf(RootKey root, std::string_view subKey) {
  return std::string(platform::RootKeyName(root)) + "\\" + UpperAscii(subKey);
}

void SimHives::enableBackupPrivilege() {
  std::lock_guard lock(mutex_);
  backup_ = true;
}

void SimHives::enableRestorePrivilege() {
  std::lock_guard lock(mutex_);
  restore_ = true;
}

Status SimHives::checkOpen(RootKey root, std::string_view subKey, bool /*view64*/) {
  const std::string what = std::string(platform::RootKeyName(root)) + "\\" + std::string(subKey);
  if (!registry_.keyExists(root, subKey)) return Fail(Errc::NotFound, "open hive", what);
  bool backup = false;
  {
    std::lock_guard lock(mutex_);
    backup = backup_;
  }
  if (!backup && !registry_.readAllowed(root, subKey)) {
    return Fail(Errc::AccessDenied, "open hive", what);
  }
  return Status::Ok();
}

Status SimHives::saveCopy(RootKey root, std::string_view subKey, bool view64,
                          std::string_view destination) {
  if (auto opened = checkOpen(root, subKey, view64); !opened) return opened;
  if (auto e = faults_.checkError(PortMethod::RegistrySaveKey, "save hive", destination)) {
    return *e;
  }
  if (files_.fileExists(destination)) return Fail(Errc::AlreadyExists, "save hive", destination);

  const HiveSave save{root, std::string(subKey), view64, std::string(destination)};
  SaveLine line;
  bool configured = false;
  std::function<void(const HiveSave&)> hook;
  {
    std::lock_guard lock(mutex_);
    saves_.push_back(save);
    if (const auto it = lines_.find(KeyOf(root, subKey)); it != lines_.end()) {
      line = it->second;
      configured = true;
    }
    hook = duringSave_;
  }

  auto out = files_.open(destination, FileOpen::CreateAlways, FileShare::Read);
  if (!out) return out.error();
  if (hook) hook(save);
  if (line.realPause.count() > 0) std::this_thread::sleep_for(line.realPause);
  if (line.saveMs > 0) clock_.advance(line.saveMs);

  if (!configured) {
    auto text = registry_.saveRegText(root, subKey);
    if (!text) return text.error();
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text->data());
    if (auto st = (*out)->write({bytes, text->size()}); !st) return st;
    return (*out)->flush();
  }
  if (line.bytes) {
    if (auto st = (*out)->write(*line.bytes); !st) return st;
    return (*out)->flush();
  }
  std::vector<std::uint8_t> chunk(
      static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, line.copySize)), 0x5a);
  PutHiveHead(chunk, line.copySize);
  for (std::uint64_t left = line.copySize; left > 0;) {
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(left, chunk.size()));
    if (auto st = (*out)->write({chunk.data(), n}); !st) return st;
    left -= n;
    // Only the first chunk carries the head.
    std::fill_n(chunk.begin(), std::min(chunk.size(), kBaseBlock + 4), 0x5a);
  }
  return (*out)->flush();
}

Status SimHives::replace(RootKey root, std::string_view subKey, std::string_view newFile,
                         std::string_view oldFile) {
  const std::string what = std::string(platform::RootKeyName(root)) + "\\" + std::string(subKey);
  if (auto e = faults_.checkError(PortMethod::RegistryReplaceKey, "replace hive", what)) return *e;
  if (!registry_.keyExists(root, subKey)) return Fail(Errc::NotFound, "replace hive", what);
  if (files_.fileExists(oldFile)) return Fail(Errc::AlreadyExists, "replace hive", oldFile);
  // The system holds the new file until the restart: a second request
  // for the same file fails here with SharingViolation.
  auto hold = files_.open(newFile, FileOpen::ReadWriteExisting, FileShare::None);
  if (!hold) return hold.error();
  std::lock_guard lock(mutex_);
  held_.push_back(std::move(*hold));
  replacements_.push_back(
      HiveReplacement{root, std::string(subKey), std::string(newFile), std::string(oldFile)});
  return Status::Ok();
}

bool SimHives::requestRestart() {
  std::lock_guard lock(mutex_);
  ++restarts_;
  return !refuseRestart_;
}

void SimHives::setSave(RootKey root, std::string_view subKey, std::uint64_t copySize,
                       std::uint64_t saveMs, std::chrono::milliseconds realPause) {
  std::lock_guard lock(mutex_);
  lines_[KeyOf(root, subKey)] = SaveLine{copySize, saveMs, realPause, std::nullopt};
}

void SimHives::setSaveBytes(RootKey root, std::string_view subKey,
                            std::vector<std::uint8_t> bytes) {
  std::lock_guard lock(mutex_);
  SaveLine& line = lines_[KeyOf(root, subKey)];
  line.copySize = bytes.size();
  line.bytes = std::move(bytes);
}

void SimHives::setDuringSave(std::function<void(const HiveSave&)> hook) {
  std::lock_guard lock(mutex_);
  duringSave_ = std::move(hook);
}

void SimHives::refuseRestart(bool refuse) {
  std::lock_guard lock(mutex_);
  refuseRestart_ = refuse;
}

std::vector<HiveSave> SimHives::saves() const {
  std::lock_guard lock(mutex_);
  return saves_;
}

std::vector<HiveReplacement> SimHives::replacements() const {
  std::lock_guard lock(mutex_);
  return replacements_;
}

int SimHives::restartRequests() const {
  std::lock_guard lock(mutex_);
  return restarts_;
}

bool SimHives::backupPrivilegeEnabled() const {
  std::lock_guard lock(mutex_);
  return backup_;
}

bool SimHives::restorePrivilegeEnabled() const {
  std::lock_guard lock(mutex_);
  return restore_;
}

void SimHives::releaseScheduled() {
  std::lock_guard lock(mutex_);
  held_.clear();
}

}  // namespace nc::sim
