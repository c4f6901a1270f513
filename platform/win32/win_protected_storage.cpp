// Protected Storage through the provider interface of "pstorec.dll". The
// library is loaded once, on first use, from the system folder, and
// released when the program ends; where it or its entry point is missing
// the storage is unavailable.
#include <windows.h>

#include <objbase.h>
#include <pstore.h>

#include <cstring>
#include <mutex>

#include "platform/win32/system_library.h"
#include "platform/win32/wide.h"
#include "platform/win32/win_browser_store.h"

namespace nc::win32 {
namespace {

using platform::StorageId;
using CreateInstanceFn = HRESULT(WINAPI*)(IPStore**, PST_PROVIDERID*, void*, DWORD);

// The library and its entry point, for the whole run.
class StorageLibrary {
 public:
  static StorageLibrary& Get() {
    static StorageLibrary library;
    return library;
  }
  ~StorageLibrary() {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  StorageLibrary(const StorageLibrary&) = delete;
  StorageLibrary& operator=(const StorageLibrary&) = delete;

  bool available() const { return create_ != nullptr; }
  CreateInstanceFn create() const { return create_; }

 private:
  StorageLibrary() {
    module_ = LoadSystemLibrary(L"pstorec.dll");
    if (module_ == nullptr) return;
    create_ = reinterpret_cast<CreateInstanceFn>(
        reinterpret_cast<void*>(GetProcAddress(module_, "PStoreCreateInstance")));
    if (create_ == nullptr) {
      FreeLibrary(module_);
      module_ = nullptr;
    }
  }

  HMODULE module_ = nullptr;
  CreateInstanceFn create_ = nullptr;
};

GUID ToGuid(const StorageId& id) {
  GUID guid;
  std::memcpy(&guid, id.data(), sizeof(guid));
  return guid;
}

StorageId FromGuid(const GUID& guid) {
  StorageId id;
  std::memcpy(id.data(), &guid, sizeof(guid));
  return id;
}

// Drains an enumerator of identifiers in batches, then releases it.
std::vector<StorageId> DrainTypes(IEnumPStoreTypes* types) {
  auto ids = platform::FetchInBatches<StorageId>([&](std::span<StorageId> batch) -> std::size_t {
    GUID guids[platform::ProtectedStorage::kBatch];
    DWORD fetched = 0;
    const HRESULT hr = types->Next(static_cast<DWORD>(batch.size()), guids, &fetched);
    if (FAILED(hr) || fetched > batch.size()) return 0;
    for (DWORD i = 0; i < fetched; ++i) batch[i] = FromGuid(guids[i]);
    return fetched;
  });
  types->Release();
  return ids;
}

class WinProtectedStorage : public platform::ProtectedStorage {
 public:
  WinProtectedStorage() = default;
  ~WinProtectedStorage() override { Close(); }
  WinProtectedStorage(const WinProtectedStorage&) = delete;
  WinProtectedStorage& operator=(const WinProtectedStorage&) = delete;

  bool Available() override { return StorageLibrary::Get().available(); }

  bool Open(const StorageId* provider) override {
    if (!Available()) return false;
    Close();
    GUID id{};
    if (provider != nullptr) id = ToGuid(*provider);
    IPStore* store = nullptr;
    const HRESULT hr =
        StorageLibrary::Get().create()(&store, provider != nullptr ? &id : nullptr, nullptr, 0);
    if (hr != S_OK || store == nullptr) {
      if (store != nullptr) store->Release();
      return false;
    }
    store_ = store;
    return true;
  }

  void Close() override {
    if (store_ != nullptr) store_->Release();
    store_ = nullptr;
  }

  std::vector<StorageId> EnumTypes() override {
    if (store_ == nullptr) return {};
    IEnumPStoreTypes* types = nullptr;
    if (store_->EnumTypes(kKey, 0, &types) != S_OK || types == nullptr) return {};
    return DrainTypes(types);
  }

  std::vector<StorageId> EnumSubtypes(const StorageId& type) override {
    if (store_ == nullptr) return {};
    const GUID t = ToGuid(type);
    IEnumPStoreTypes* subtypes = nullptr;
    if (store_->EnumSubtypes(kKey, &t, 0, &subtypes) != S_OK || subtypes == nullptr) return {};
    return DrainTypes(subtypes);
  }

  std::vector<std::string> EnumItems(const StorageId& type, const StorageId& subtype) override {
    if (store_ == nullptr) return {};
    const GUID t = ToGuid(type);
    const GUID s = ToGuid(subtype);
    IEnumPStoreItems* items = nullptr;
    if (store_->EnumItems(kKey, &t, &s, 0, &items) != S_OK || items == nullptr) return {};
    auto names =
        platform::FetchInBatches<std::string>([&](std::span<std::string> batch) -> std::size_t {
          LPWSTR wide[platform::ProtectedStorage::kBatch] = {};
          DWORD fetched = 0;
          const HRESULT hr = items->Next(static_cast<DWORD>(batch.size()), wide, &fetched);
          if (FAILED(hr) || fetched > batch.size()) return 0;
          for (DWORD i = 0; i < fetched; ++i) {
            batch[i] = wide[i] != nullptr ? platform::CutItemName(NarrowZ(wide[i])) : "";
            CoTaskMemFree(wide[i]);
          }
          return fetched;
        });
    items->Release();
    return names;
  }

  std::string GetTypeName(const StorageId& type) override {
    if (store_ == nullptr) return {};
    const GUID t = ToGuid(type);
    PST_TYPEINFO* info = nullptr;
    if (store_->GetTypeInfo(kKey, &t, &info, 0) != S_OK || info == nullptr) return {};
    std::string name = info->szDisplayName != nullptr ? NarrowZ(info->szDisplayName) : "";
    CoTaskMemFree(info);
    return name;
  }

  bool DeleteItem(const StorageId& type, const StorageId& subtype, std::string_view name) override {
    if (store_ == nullptr) return false;
    const GUID t = ToGuid(type);
    const GUID s = ToGuid(subtype);
    PST_PROMPTINFO prompt{};
    prompt.cbSize = sizeof(prompt);
    prompt.dwPromptFlags = 4;
    prompt.hwndApp = nullptr;
    prompt.szPrompt = L"";
    const std::wstring wide = Widen(name);
    return store_->DeleteItem(kKey, &t, &s, wide.c_str(), &prompt, 0) == S_OK;
  }

 private:
  static constexpr PST_KEY kKey = PST_KEY_CURRENT_USER;
  IPStore* store_ = nullptr;
};

}  // namespace

std::unique_ptr<platform::ProtectedStorage> MakeWinProtectedStorage() {
  return std::make_unique<WinProtectedStorage>();
}

}  // namespace nc::win32
