// The substitute browser store: a URL history and a cache as lists of
// addresses, and a Protected Storage of types, subtypes and items that can
// also be absent or refuse to open. Deletions change the lists, so a second
// run sees what the first one left.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/browser_store.h"

namespace nc::sim {

struct SimStorageSubtype {
  platform::StorageId id{};
  std::vector<std::string> items;
};

struct SimStorageType {
  platform::StorageId id{};
  std::string name;  // its display name
  std::vector<SimStorageSubtype> subtypes;
};

class SimBrowserStore : public platform::BrowserStore {
 public:
  std::unique_ptr<platform::UrlHistoryWalk> openUrlHistory() override;
  std::unique_ptr<platform::UrlCacheWalk> openUrlCache() override;
  std::unique_ptr<platform::ProtectedStorage> protectedStorage() override;

  // URL history. Deleting an address named by `declineDelete` answers
  // Declined and keeps it.
  void setHistoryAvailable(bool available);
  void setHistory(std::vector<std::string> urls);
  void declineDelete(std::string url);
  std::vector<std::string> history() const;

  // Cache entries by source address.
  void setCacheAvailable(bool available);
  void setCache(std::vector<std::string> urls);
  std::vector<std::string> cache() const;

  // Protected Storage: missing altogether, or present but refusing to
  // open.
  void setStorageAvailable(bool available);
  void setStorageOpens(bool opens);
  void setStorage(std::vector<SimStorageType> types);
  std::vector<SimStorageType> storage() const;
  // Providers obtained and released so far.
  int storageOpens() const;
  int storageCloses() const;

  // Shared with the walks and storage objects it hands out.
  struct State;

 private:
  std::shared_ptr<State> state_ = std::make_shared<State>();
};

struct SimBrowserStore::State {
  mutable std::mutex mutex;
  bool historyAvailable = true;
  std::vector<std::string> history;
  std::vector<std::string> declined;
  bool cacheAvailable = true;
  std::vector<std::string> cache;
  bool storageAvailable = true;
  bool storageOpens = true;
  std::vector<SimStorageType> storage;
  int opens = 0;
  int closes = 0;
};

}  // namespace nc::sim
