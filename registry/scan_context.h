// What a registry section routine works with while the scan worker runs
// it: the ports, the stop request, the path test's inputs, and the
// registry page as the worker sees it.
#pragma once

#include <atomic>
#include <optional>
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
  // The strings were written by 32-bit programs and are judged by a 64-bit
  // one: the system folder and the Program Files variables then mean the
  // folders those programs see.
  bool Entries32Bit = false;
  std::string SystemFolder{};  // "C:\Windows\system32", for Entries32Bit
};

// The passes of a section over the views of HKEY_LOCAL_MACHINE\Software.
enum class ViewPass : std::uint8_t {
  Only,    // one view, or a section that reads no fixed key there
  First,   // 64-bit Windows: the 64-bit view
  Second,  // then the 32-bit view
};

struct ScanContext {
  platform::Platform platform;
  ScanSink& sink;
  const std::atomic<bool>& stop;
  PathTest pathTest;
  bool IsWindows7 = false;          // WindowsVersionCode 12
  std::vector<int> chosenSections;  // ids in tree order

  // The view keys of HKEY_LOCAL_MACHINE are opened in: on 64-bit Windows
  // the 64-bit one, where the keys of 32-bit programs are found below
  // "Software\Wow6432Node" as the registry editor shows them, or the
  // 32-bit one in a second pass. Set by RunSection.
  platform::RegView machineView = platform::RegView::Default;
  ViewPass viewPass = ViewPass::Only;

  bool TwoViews() const { return machineView != platform::RegView::Default; }
  // Opens a key, in the pass's view when it is one of HKEY_LOCAL_MACHINE.
  // The second pass reads only the 32-bit view's own keys: a key of
  // another root, or one the views share (none of its own below
  // Wow6432Node), was read by the first pass and is NotFound.
  Result<platform::RegKey> Open(platform::RootKey root, std::string_view path,
                                platform::RegAccess access);
  // Shows the key being read (its path below the root); in the second
  // pass by its name in the 64-bit view.
  void ShowKey(std::string_view path);

  bool StopRequested() const { return stop.load(std::memory_order_relaxed); }
  bool SectionChosen(int id) const {
    for (int chosen : chosenSections) {
      if (chosen == id) return true;
    }
    return false;
  }
  // Appends a row; in the second pass its location is moved to the key
  // the 32-bit view reads, and a row elsewhere (read alike by both
  // passes) is dropped.
  // `valueName` is the exact name of the value a row designates; the row
  // keeps it only where the text cannot carry it.
  void Add(std::string problem, std::string data, std::string registryKey, ProblemKind kind,
           std::optional<std::u16string> valueName = std::nullopt);
};

}  // namespace nc::registry
