// Injected faults for the substitute ports.
//
// Every substitute port method that can fail asks the plan first, naming
// itself by a `PortMethod` (`PortMethod::RegistryOpen`,
// `PortMethod::FilesDeleteFile`, ...), so a rule for a method that does not
// exist cannot be written. A rule makes the Nth matching call (1-based)
// fail once, or fail from then on, with a chosen error; a rule may be
// limited to calls whose path contains a given text. The plan counts the
// calls of each method and the faults that fired, so a test can sweep N
// upwards until no fault fires and check each time that nothing is half
// done.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"

namespace nc::sim {

// The port methods that can fail, one per substitute port method.
enum class PortMethod {
  RegistryOpen,
  RegistryCreate,
  RegistryEnumKeys,
  RegistryEnumValues,
  RegistryInfo,
  RegistryReadValue,
  RegistryWriteValue,
  RegistryDeleteValue,
  RegistryDeleteTree,
  RegistrySaveKey,
  RegistryReplaceKey,
  FilesList,
  FilesStat,
  FilesDeleteFile,
  FilesRemoveFolder,
  FilesCreateFolders,
  FilesSetAttributes,
  FilesMoveFile,
  FilesOpen,
  FilesRead,
  FilesWrite,
  FilesFlush,
  FilesDeleteAtRestart,
  FilesShortPath,
  FilesFreeSpace,
  FilesFolderIdentity,
  ShellOpenDocument,
};
inline constexpr std::size_t kPortMethodCount =
    static_cast<std::size_t>(PortMethod::ShellOpenDocument) + 1;

// "files.deleteFile", "registry.open", ...: for messages of failed tests.
std::string_view PortMethodName(PortMethod method);

class FaultPlan {
 public:
  // The `nth` matching call of `method` fails with `code`; later calls
  // succeed again.
  void failOnce(PortMethod method, std::uint64_t nth, Errc code,
                std::string_view pathContains = {});
  // The `nth` matching call of `method` and every matching call after it
  // fail with `code`.
  void failFrom(PortMethod method, std::uint64_t nth, Errc code,
                std::string_view pathContains = {});
  // The `nth` port call from now on, whatever its method and path, fails
  // once with `code`: a sweep over every call an operation makes.
  void failNthCall(std::uint64_t nth, Errc code);
  // Calls of every method so far.
  std::uint64_t totalCalls() const;
  // Removes every rule; the counters are kept.
  void clearRules();
  // Removes every rule and zeroes every counter.
  void reset();

  // Called by the ports: counts the call and gives the error to report
  // when a rule fires.
  std::optional<Errc> check(PortMethod method, std::string_view path = {});
  // The same, as an `Error` for `op` on `path`.
  std::optional<Error> checkError(PortMethod method, std::string_view op, std::string_view path);

  // Calls of `method` so far (faulted ones included).
  std::uint64_t calls(PortMethod method) const;
  // Faults fired so far, in all or for one method.
  std::uint64_t faultsFired() const;
  std::uint64_t faultsFired(PortMethod method) const;

 private:
  struct Rule {
    PortMethod method = PortMethod::FilesOpen;
    std::string pathContains;
    std::uint64_t nth = 1;
    bool persistent = false;
    Errc code = Errc::IoError;
    std::uint64_t matched = 0;  // matching calls seen by this rule
  };

  void addRule(PortMethod method, std::uint64_t nth, Errc code, std::string_view pathContains,
               bool persistent);

  mutable std::mutex mutex_;
  std::vector<Rule> rules_;
  std::uint64_t anyNth_ = 0;  // 0: no rule for the nth call of any method
  std::uint64_t anySeen_ = 0;
  Errc anyCode_ = Errc::IoError;
  std::uint64_t totalCalls_ = 0;
  std::array<std::uint64_t, kPortMethodCount> calls_{};
  std::array<std::uint64_t, kPortMethodCount> fired_{};
  std::uint64_t firedTotal_ = 0;
};

}  // namespace nc::sim
