// A substitute machine with loaded hives: the hivelist values, the hive
// keys, hive files of chosen sizes on C: and what saving each hive
// writes. And a gate that holds the save of one hive until released.
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "platform/sim/sim_platform.h"
#include "registry/hive_list.h"

namespace nc::test {

struct HiveSpec {
  std::string keyName;  // as the hivelist names it
  platform::RootKey root;
  std::string subKey;
  std::string file;  // drive-letter path on C:
  std::uint64_t fileSize = 0;
  std::uint64_t copySize = 0;
  std::uint64_t saveMs = 0;
};

// A file of `size` bytes (sparse on the host).
inline void MakeSizedFile(sim::SimPlatform& sim, const std::string& path, std::uint64_t size) {
  const std::filesystem::path host = sim.hostPath(path);
  std::filesystem::create_directories(host.parent_path());
  std::ofstream(host, std::ios::binary).close();
  std::filesystem::resize_file(host, size);
}

inline void InstallHives(sim::SimPlatform& sim, const std::vector<HiveSpec>& hives) {
  auto list = sim.registry().create(platform::RootKey::LocalMachine, registry::kHiveListKey);
  for (const HiveSpec& hive : hives) {
    (void)sim.registry().create(hive.root, hive.subKey);
    (void)platform::WriteStringValue(sim.registry(), *list, hive.keyName,
                                     "\\Device\\HarddiskVolume1" + hive.file.substr(2));
    MakeSizedFile(sim, hive.file, hive.fileSize);
    sim.hives().setSave(hive.root, hive.subKey, hive.copySize, hive.saveMs);
  }
}

inline constexpr const char* kConfig = "C:\\WINDOWS\\system32\\config\\";

// A hive file of `size` bytes laid out as the system writes one: the
// 4,096-byte base block ("regf", sequence numbers 1 and 1, version 1.5,
// a primary file of format 1,
// the bins' length at 40, the XOR of the first 127 double words at 508)
// and "hbin" where the bins start. `change` edits the block before the
// checksum is set, unless `keepChecksum` leaves the checksum as it was.
struct RegfImage {
  explicit RegfImage(std::size_t size) : bytes(size, 0) {
    if (size < 4100) return;
    put(0, 0x66676572);  // "regf"
    put(4, 1);
    put(8, 1);
    put(20, 1);
    put(24, 5);
    put(32, 1);
    put(36, 0x20);
    put(40, static_cast<std::uint32_t>(size - 4096));
    put(44, 1);
    std::copy_n("hbin", 4, bytes.begin() + 4096);
    seal();
  }
  void put(std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
  }
  std::uint32_t get(std::size_t offset) const {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | bytes[offset + i];
    return value;
  }
  // Sets the checksum at 508 from the block as it now is.
  void seal() {
    std::uint32_t sum = 0;
    for (std::size_t offset = 0; offset < 508; offset += 4) sum ^= get(offset);
    put(508, sum == 0 ? 1 : sum == 0xFFFFFFFFU ? 0xFFFFFFFEU : sum);
  }
  std::vector<std::uint8_t> bytes;
};

// Three hives of 4,000 KB, 2,000 KB and 500 KB whose copies come out at
// 3,000 KB, 1,900 KB and 600 KB (the last grows).
inline std::vector<HiveSpec> ThreeHives() {
  using platform::RootKey;
  return {
      {"\\REGISTRY\\MACHINE\\SOFTWARE", RootKey::LocalMachine, "SOFTWARE",
       std::string(kConfig) + "software", 4096000, 3072000, 800},
      {"\\REGISTRY\\MACHINE\\SYSTEM", RootKey::LocalMachine, "SYSTEM",
       std::string(kConfig) + "system", 2048000, 1945600, 400},
      {"\\REGISTRY\\USER\\S-1-5-21-7", RootKey::Users, "S-1-5-21-7",
       "C:\\Documents and Settings\\me\\NTUSER.DAT", 512000, 614400, 100},
  };
}

// Holds the save of the hive whose sub-key is `subKey` inside the save,
// until Release.
class SaveGate {
 public:
  SaveGate(sim::SimHives& hives, std::string subKey) : hives_(hives), subKey_(std::move(subKey)) {
    hives_.setDuringSave([this](const sim::HiveSave& save) {
      if (save.subKey != subKey_) return;
      std::unique_lock lock(mutex_);
      held_ = true;
      changed_.notify_all();
      changed_.wait(lock, [this] { return released_; });
    });
  }
  // Tests end the workers that pass the gate before it goes.
  ~SaveGate() {
    Release();
    hives_.setDuringSave({});
  }
  SaveGate(const SaveGate&) = delete;
  SaveGate& operator=(const SaveGate&) = delete;

  bool held() {
    std::lock_guard lock(mutex_);
    return held_;
  }
  void Release() {
    std::lock_guard lock(mutex_);
    released_ = true;
    changed_.notify_all();
  }

 private:
  sim::SimHives& hives_;
  std::string subKey_;
  std::mutex mutex_;
  std::condition_variable changed_;
  bool held_ = false;
  bool released_ = false;
};

}  // namespace nc::test
