// What a registry section routine works with while the scan worker runs
// it: the ports, the stop request, the path test's inputs, and the
// registry page as the worker sees it.
#pragma once

#include <atomic>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "registry/problem.h"

namespace nc::registry {

// The registry page as the worker sees it. The window implements it over
// its controls (calls are carried to the window's thread in the order they
// are made); tests record them.
class ScanSink {
 public:
  virtual ~ScanSink() = default;
  // The section's status text above the problem list.
  virtual void SetSectionStatus(std::string_view text) = 0;
  // The registry key being read (the key line under the list).
  virtual void SetKeyLine(std::string_view text) = 0;
  // Appends one problem, whole.
  virtual void AppendProblem(const ProblemEntry& entry) = 0;
};

// Inputs of the missing-file test, fixed when a scan starts.
struct PathTest {
  platform::FileSystem& files;
  std::string ScannedDrives;  // drive letters that are judged, lower case
  bool FloppyA = false;       // A: held a readable volume at scan start
  bool FloppyB = false;
  bool IncludeRemoveMedia = true;  // "Ignore missing files on removable drives"
  bool IsWow64 = false;
};

struct ScanContext {
  platform::Platform platform;
  ScanSink& sink;
  const std::atomic<bool>& stop;
  PathTest pathTest;
  bool IsWindows7 = false;          // WindowsVersionCode 12
  std::vector<int> chosenSections;  // ids in tree order

  bool StopRequested() const { return stop.load(std::memory_order_relaxed); }
  bool SectionChosen(int id) const {
    for (int chosen : chosenSections) {
      if (chosen == id) return true;
    }
    return false;
  }
  void Add(std::string problem, std::string data, std::string registryKey, ProblemKind kind) {
    sink.AppendProblem(
        ProblemEntry{std::move(problem), std::move(data), std::move(registryKey), kind, false});
  }
};

}  // namespace nc::registry
