// The registry port over the system's registry (advapi32, wide calls).
//
// A `RegKey` handle is the HKEY cast to an integer; predefined root keys
// are never closed. Keys opened in the other program bitness's view are
// remembered, since the system wants that view named again for every key
// opened below them and deletes keys by name only in the program's own.
#pragma once

#include <cstdint>
#include <mutex>
#include <unordered_map>

#include "platform/registry.h"

namespace nc::win32 {

class WinRegistry final : public platform::Registry {
 public:
  WinRegistry();

  Result<platform::RegKey> open(platform::RootKey root, std::string_view path,
                                platform::RegAccess access,
                                platform::RegView view = platform::RegView::Default) override;
  Result<platform::RegKey> openSub(const platform::RegKey& parent, std::string_view path,
                                   platform::RegAccess access) override;
  Result<platform::RegKey> create(platform::RootKey root, std::string_view path) override;

  Result<std::vector<std::string>> subKeyNames(const platform::RegKey& key) override;
  Result<std::vector<std::u16string>> exactSubKeyNames(const platform::RegKey& key) override;
  Result<platform::RegKey> openSubExact(const platform::RegKey& parent,
                                        std::u16string_view exactPath,
                                        platform::RegAccess access) override;
  Result<std::vector<platform::RegValue>> values(const platform::RegKey& key) override;
  Result<platform::RegKeyInfo> info(const platform::RegKey& key) override;
  Result<bool> isLink(const platform::RegKey& key) override;

  Result<platform::RegValue> readValue(const platform::RegKey& key, std::string_view name) override;
  Status writeValue(const platform::RegKey& key, std::string_view name, std::uint32_t type,
                    std::span<const std::uint8_t> data) override;
  Status deleteValue(const platform::RegKey& key, std::string_view name) override;
  Status deleteValueExact(const platform::RegKey& key, std::u16string_view exactName) override;
  Status deleteTree(const platform::RegKey& parent, std::string_view subKey) override;
  Status deleteTreeExact(const platform::RegKey& parent, std::u16string_view exactName) override;

  // Fails with AlreadyExists when `file` exists (Wine would overwrite it).
  Status saveKey(const platform::RegKey& key, std::string_view file) override;
  Status replaceKey(platform::RootKey root, std::string_view path, std::string_view newFile,
                    std::string_view oldFile) override;

  // How deep deleteTree descends before it gives up (the registry itself
  // allows 512 levels).
  static constexpr int kMaxTreeDepth = 512;

 protected:
  void close(std::uintptr_t handle) noexcept override;

 private:
  // KEY_WOW64_64KEY, KEY_WOW64_32KEY or 0 (the program's own view, and
  // every view of a system that has one).
  std::uint32_t viewFlag(platform::RegView view) const;
  std::uint32_t viewFlagOf(const platform::RegKey& key) const;
  platform::RegKey keep(std::uintptr_t key, std::uint32_t viewFlag);

  const bool twoViews_;
  mutable std::mutex mutex_;
  std::unordered_map<std::uintptr_t, std::uint32_t> viewFlags_;  // keys opened in another view
};

}  // namespace nc::win32
