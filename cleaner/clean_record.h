// What a clean run removed and what it could not remove, item by item: the
// facts an unattended run reports. The removal primitives note files,
// registry entries and failures of the item going on; the worker files the
// item's record when the item ends, on the window's thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace nc::cleaner {

// A file, folder, key or value that stayed, and why.
struct CleanFailure {
  std::string target;  // a path, or a registry location ("HKEY_CURRENT_USER\...")
  std::string reason;  // "delete file: access denied"
};

struct CleanItemRecord {
  // Failures kept per item; a run over a locked folder of thousands of
  // files reports the first ones and how many more there were.
  static constexpr std::size_t kMaxFailures = 100;

  std::string runName;
  std::int32_t items = 0;            // as the log counts them (files, entries, rows, keys)
  std::int32_t files = 0;            // files and links deleted
  std::int32_t registryEntries = 0;  // registry values deleted (a key as the values of its tree)
  std::uint64_t bytes = 0;
  std::vector<CleanFailure> failures;
  std::size_t failuresLeftOut = 0;  // failures past kMaxFailures

  std::size_t FailureCount() const { return failures.size() + failuresLeftOut; }
};

struct CleanRecord {
  std::vector<CleanItemRecord> items;
};

}  // namespace nc::cleaner
