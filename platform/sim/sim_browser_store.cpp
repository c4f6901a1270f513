#include "platform/sim/sim_browser_store.h"

#include <algorithm>
#include <utility>

namespace nc::sim {
namespace {

using platform::StorageId;
using State = SimBrowserStore::State;

// Walks a snapshot of the list taken when it was opened, as the system's
// enumerators do; deletions go to the live list.
class SimHistoryWalk : public platform::UrlHistoryWalk {
 public:
  SimHistoryWalk(std::shared_ptr<State> state, std::vector<std::string> urls)
      : state_(std::move(state)), urls_(std::move(urls)) {}
  std::optional<std::string> next() override {
    if (index_ >= urls_.size()) return std::nullopt;
    return urls_[index_++];
  }
  platform::UrlDelete deleteUrl(std::string_view url) override {
    std::lock_guard lock(state_->mutex);
    auto& declined = state_->declined;
    if (std::find(declined.begin(), declined.end(), url) != declined.end()) {
      return platform::UrlDelete::Declined;
    }
    auto& h = state_->history;
    const auto it = std::find(h.begin(), h.end(), url);
    if (it == h.end()) return platform::UrlDelete::Failed;
    h.erase(it);
    return platform::UrlDelete::Deleted;
  }

 private:
  std::shared_ptr<State> state_;
  std::vector<std::string> urls_;
  std::size_t index_ = 0;
};

class SimCacheWalk : public platform::UrlCacheWalk {
 public:
  SimCacheWalk(std::shared_ptr<State> state, std::vector<std::string> urls)
      : state_(std::move(state)), urls_(std::move(urls)) {}
  std::optional<std::string> next() override {
    if (index_ >= urls_.size()) return std::nullopt;
    return urls_[index_++];
  }
  bool deleteEntry(std::string_view url) override {
    std::lock_guard lock(state_->mutex);
    auto& c = state_->cache;
    const auto it = std::find(c.begin(), c.end(), url);
    if (it == c.end()) return false;
    c.erase(it);
    return true;
  }

 private:
  std::shared_ptr<State> state_;
  std::vector<std::string> urls_;
  std::size_t index_ = 0;
};

class SimProtectedStorage : public platform::ProtectedStorage {
 public:
  explicit SimProtectedStorage(std::shared_ptr<State> state) : state_(std::move(state)) {}
  ~SimProtectedStorage() override { Close(); }

  bool Available() override {
    std::lock_guard lock(state_->mutex);
    return state_->storageAvailable;
  }
  bool Open(const StorageId* /*provider*/) override {
    Close();
    std::lock_guard lock(state_->mutex);
    if (!state_->storageAvailable || !state_->storageOpens) return false;
    ++state_->opens;
    open_ = true;
    return true;
  }
  void Close() override {
    std::lock_guard lock(state_->mutex);
    if (!open_) return;
    open_ = false;
    ++state_->closes;
  }
  std::vector<StorageId> EnumTypes() override {
    std::lock_guard lock(state_->mutex);
    std::vector<StorageId> ids;
    if (!open_) return ids;
    for (const auto& t : state_->storage) ids.push_back(t.id);
    return Batched(ids);
  }
  std::vector<StorageId> EnumSubtypes(const StorageId& type) override {
    std::lock_guard lock(state_->mutex);
    std::vector<StorageId> ids;
    if (const SimStorageType* t = FindType(type)) {
      for (const auto& s : t->subtypes) ids.push_back(s.id);
    }
    return Batched(ids);
  }
  std::vector<std::string> EnumItems(const StorageId& type, const StorageId& subtype) override {
    std::lock_guard lock(state_->mutex);
    std::vector<std::string> names;
    if (SimStorageSubtype* s = FindSubtype(type, subtype)) {
      for (const auto& item : s->items) names.push_back(platform::CutItemName(item));
    }
    return Batched(names);
  }
  std::string GetTypeName(const StorageId& type) override {
    std::lock_guard lock(state_->mutex);
    const SimStorageType* t = FindType(type);
    return t ? t->name : std::string();
  }
  bool DeleteItem(const StorageId& type, const StorageId& subtype, std::string_view name) override {
    std::lock_guard lock(state_->mutex);
    SimStorageSubtype* s = FindSubtype(type, subtype);
    if (s == nullptr) return false;
    const auto it = std::find(s->items.begin(), s->items.end(), name);
    if (it == s->items.end()) return false;
    s->items.erase(it);
    return true;
  }

 private:
  // Hands the list out through the same batching as the real storage.
  template <class T>
  static std::vector<T> Batched(const std::vector<T>& all) {
    std::size_t at = 0;
    return platform::FetchInBatches<T>([&](std::span<T> batch) {
      const std::size_t n = std::min(batch.size(), all.size() - at);
      std::copy_n(all.begin() + static_cast<std::ptrdiff_t>(at), n, batch.begin());
      at += n;
      return n;
    });
  }
  SimStorageType* FindType(const StorageId& type) {
    if (!open_) return nullptr;
    for (auto& t : state_->storage) {
      if (t.id == type) return &t;
    }
    return nullptr;
  }
  SimStorageSubtype* FindSubtype(const StorageId& type, const StorageId& subtype) {
    SimStorageType* t = FindType(type);
    if (t == nullptr) return nullptr;
    for (auto& s : t->subtypes) {
      if (s.id == subtype) return &s;
    }
    return nullptr;
  }

  std::shared_ptr<State> state_;
  bool open_ = false;
};

}  // namespace

std::unique_ptr<platform::UrlHistoryWalk> SimBrowserStore::openUrlHistory() {
  std::lock_guard lock(state_->mutex);
  if (!state_->historyAvailable) return nullptr;
  return std::make_unique<SimHistoryWalk>(state_, state_->history);
}

std::unique_ptr<platform::UrlCacheWalk> SimBrowserStore::openUrlCache() {
  std::lock_guard lock(state_->mutex);
  if (!state_->cacheAvailable) return nullptr;
  return std::make_unique<SimCacheWalk>(state_, state_->cache);
}

std::unique_ptr<platform::ProtectedStorage> SimBrowserStore::protectedStorage() {
  return std::make_unique<SimProtectedStorage>(state_);
}

void SimBrowserStore::setHistoryAvailable(bool available) {
  std::lock_guard lock(state_->mutex);
  state_->historyAvailable = available;
}
void SimBrowserStore::setHistory(std::vector<std::string> urls) {
  std::lock_guard lock(state_->mutex);
  state_->history = std::move(urls);
}
void SimBrowserStore::declineDelete(std::string url) {
  std::lock_guard lock(state_->mutex);
  state_->declined.push_back(std::move(url));
}
std::vector<std::string> SimBrowserStore::history() const {
  std::lock_guard lock(state_->mutex);
  return state_->history;
}
void SimBrowserStore::setCacheAvailable(bool available) {
  std::lock_guard lock(state_->mutex);
  state_->cacheAvailable = available;
}
void SimBrowserStore::setCache(std::vector<std::string> urls) {
  std::lock_guard lock(state_->mutex);
  state_->cache = std::move(urls);
}
std::vector<std::string> SimBrowserStore::cache() const {
  std::lock_guard lock(state_->mutex);
  return state_->cache;
}
void SimBrowserStore::setStorageAvailable(bool available) {
  std::lock_guard lock(state_->mutex);
  state_->storageAvailable = available;
}
void SimBrowserStore::setStorageOpens(bool opens) {
  std::lock_guard lock(state_->mutex);
  state_->storageOpens = opens;
}
void SimBrowserStore::setStorage(std::vector<SimStorageType> types) {
  std::lock_guard lock(state_->mutex);
  state_->storage = std::move(types);
}
std::vector<SimStorageType> SimBrowserStore::storage() const {
  std::lock_guard lock(state_->mutex);
  return state_->storage;
}
int SimBrowserStore::storageOpens() const {
  std::lock_guard lock(state_->mutex);
  return state_->opens;
}
int SimBrowserStore::storageCloses() const {
  std::lock_guard lock(state_->mutex);
  return state_->closes;
}

}  // namespace nc::sim
