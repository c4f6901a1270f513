// The URL history through the IUrlHistoryStg2 object, and the cache
// through the WinINet entry enumeration (WinINet loaded at run time).
#include "platform/win32/win_browser_store.h"

#include <windows.h>

#include <objbase.h>
#include <urlhist.h>

#include <vector>

#include "platform/win32/wide.h"
#include "platform/win32/win_inet.h"

namespace nc::win32 {
namespace {

// {3C374A40-BAE4-11CF-BF7D-00AA006946EE}
constexpr CLSID kUrlHistoryClass = {
    0x3c374a40, 0xbae4, 0x11cf, {0xbf, 0x7d, 0x00, 0xaa, 0x00, 0x69, 0x46, 0xee}};
// {AFA0DC11-C313-11D0-831A-00C04FD5AE38}
constexpr IID kUrlHistoryStg2 = {
    0xafa0dc11, 0xc313, 0x11d0, {0x83, 0x1a, 0x00, 0xc0, 0x4f, 0xd5, 0xae, 0x38}};

class WinHistoryWalk : public platform::UrlHistoryWalk {
 public:
  WinHistoryWalk(bool comStarted, IUrlHistoryStg2* history, IEnumSTATURL* entries)
      : comStarted_(comStarted), history_(history), entries_(entries) {}
  ~WinHistoryWalk() override {
    entries_->Release();
    history_->Release();
    if (comStarted_) CoUninitialize();
  }
  WinHistoryWalk(const WinHistoryWalk&) = delete;
  WinHistoryWalk& operator=(const WinHistoryWalk&) = delete;

  std::optional<std::string> next() override {
    STATURL entry{};
    entry.cbSize = sizeof(entry);
    ULONG fetched = 0;
    if (entries_->Next(1, &entry, &fetched) != S_OK || fetched != 1) return std::nullopt;
    std::string url = entry.pwcsUrl != nullptr ? NarrowZ(entry.pwcsUrl) : std::string();
    CoTaskMemFree(entry.pwcsUrl);
    CoTaskMemFree(entry.pwcsTitle);
    return url;
  }
  platform::UrlDelete deleteUrl(std::string_view url) override {
    const HRESULT hr = history_->DeleteUrl(Widen(url).c_str(), 0);
    if (hr == S_OK) return platform::UrlDelete::Deleted;
    return hr == S_FALSE ? platform::UrlDelete::Declined : platform::UrlDelete::Failed;
  }

 private:
  bool comStarted_;
  IUrlHistoryStg2* history_;
  IEnumSTATURL* entries_;
};

// One cache entry read with the size the system asks for.
class WinCacheWalk : public platform::UrlCacheWalk {
 public:
  ~WinCacheWalk() override {
    if (find_ != nullptr) inet_.findCloseUrlCache(find_);
  }
  // `inet` has every function of the walk.
  explicit WinCacheWalk(const WinInetFunctions& inet) : inet_(inet) {}
  WinCacheWalk(const WinCacheWalk&) = delete;
  WinCacheWalk& operator=(const WinCacheWalk&) = delete;

  // Reads the first entry; false when there is none or the cache fails.
  bool start() {
    DWORD size = 0;
    find_ = inet_.findFirstUrlCacheEntry(nullptr, nullptr, &size);
    if (find_ != nullptr) return true;  // an entry of no size: cannot be
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
    Resize(size);
    find_ = inet_.findFirstUrlCacheEntry(nullptr, Entry(), &size);
    if (find_ == nullptr) return false;
    pending_ = Source();
    return true;
  }

  std::optional<std::string> next() override {
    if (pending_) {
      std::optional<std::string> first = std::move(pending_);
      pending_.reset();
      return first;
    }
    if (find_ == nullptr || done_) return std::nullopt;
    DWORD size = 0;
    if (!inet_.findNextUrlCacheEntry(find_, nullptr, &size)) {
      if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        done_ = true;  // ERROR_NO_MORE_ITEMS or any other error
        return std::nullopt;
      }
      Resize(size);
      if (!inet_.findNextUrlCacheEntry(find_, Entry(), &size)) {
        done_ = true;
        return std::nullopt;
      }
    }
    return Source();
  }

  bool deleteEntry(std::string_view url) override {
    return inet_.deleteUrlCacheEntry(Widen(url).c_str()) != FALSE;
  }

 private:
  void Resize(DWORD size) {
    buffer_.assign(size / sizeof(std::uint64_t) + 1, 0);
    Entry()->dwStructSize = sizeof(INTERNET_CACHE_ENTRY_INFOW);
  }
  INTERNET_CACHE_ENTRY_INFOW* Entry() {
    return reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buffer_.data());
  }
  std::string Source() {
    const wchar_t* url = Entry()->lpszSourceUrlName;
    return url != nullptr ? NarrowZ(url) : std::string();
  }

  const WinInetFunctions& inet_;
  HANDLE find_ = nullptr;
  bool done_ = false;
  std::optional<std::string> pending_;
  std::vector<std::uint64_t> buffer_;  // 8-byte aligned entry
};

}  // namespace

std::unique_ptr<platform::UrlHistoryWalk> WinBrowserStore::openUrlHistory() {
  const HRESULT init = CoInitialize(nullptr);
  const bool started = SUCCEEDED(init);
  IUrlHistoryStg2* history = nullptr;
  if (FAILED(CoCreateInstance(kUrlHistoryClass, nullptr, CLSCTX_INPROC_SERVER, kUrlHistoryStg2,
                              reinterpret_cast<void**>(&history))) ||
      history == nullptr) {
    if (started) CoUninitialize();
    return nullptr;
  }
  IEnumSTATURL* entries = nullptr;
  if (FAILED(history->EnumUrls(&entries)) || entries == nullptr) {
    history->Release();
    if (started) CoUninitialize();
    return nullptr;
  }
  return std::make_unique<WinHistoryWalk>(started, history, entries);
}

std::unique_ptr<platform::UrlCacheWalk> WinBrowserStore::openUrlCache() {
  // Without WinINet there is no cache to list.
  const WinInetFunctions& inet = WinInet();
  if (!inet.hasUrlCache()) return nullptr;
  auto walk = std::make_unique<WinCacheWalk>(inet);
  if (!walk->start()) return nullptr;
  return walk;
}

std::unique_ptr<platform::ProtectedStorage> WinBrowserStore::protectedStorage() {
  return MakeWinProtectedStorage();
}

}  // namespace nc::win32
