// Injected faults for the substitute ports.
//
// Every substitute port method that can fail asks the plan first, by a
// method name such as "registry.open", "files.deleteFile" or
// "files.write". A rule makes the Nth matching call (1-based) fail once,
// or fail from then on, with a chosen error; a rule may be limited to
// calls whose path contains a given text. The plan counts the calls of
// each method and the faults that fired, so a test can sweep N upwards
// until no fault fires and check each time that nothing is half done.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/result.h"

namespace nc::sim {

class FaultPlan {
 public:
  // The `nth` matching call of `method` fails with `code`; later calls
  // succeed again.
  void failOnce(std::string_view method, std::uint64_t nth, Errc code,
                std::string_view pathContains = {});
  // The `nth` matching call of `method` and every matching call after it
  // fail with `code`.
  void failFrom(std::string_view method, std::uint64_t nth, Errc code,
                std::string_view pathContains = {});
  // Removes every rule; the counters are kept.
  void clearRules();
  // Removes every rule and zeroes every counter.
  void reset();

  // Called by the ports: counts the call and gives the error to report
  // when a rule fires.
  std::optional<Errc> check(std::string_view method, std::string_view path = {});
  // The same, as an `Error` for `op` on `path`.
  std::optional<Error> checkError(std::string_view method, std::string_view op,
                                  std::string_view path);

  // Calls of `method` so far (faulted ones included).
  std::uint64_t calls(std::string_view method) const;
  // Faults fired so far, in all or for one method.
  std::uint64_t faultsFired() const;
  std::uint64_t faultsFired(std::string_view method) const;

 private:
  struct Rule {
    std::string method;
    std::string pathContains;
    std::uint64_t nth = 1;
    bool persistent = false;
    Errc code = Errc::IoError;
    std::uint64_t matched = 0;  // matching calls seen by this rule
  };

  void addRule(std::string_view method, std::uint64_t nth, Errc code, std::string_view pathContains,
               bool persistent);

  mutable std::mutex mutex_;
  std::vector<Rule> rules_;
  std::map<std::string, std::uint64_t, std::less<>> calls_;
  std::map<std::string, std::uint64_t, std::less<>> fired_;
  std::uint64_t firedTotal_ = 0;
};

}  // namespace nc::sim
