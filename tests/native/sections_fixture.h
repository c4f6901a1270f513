// What the tests of the registry scan sections share: a substitute
// platform with drive C:, a sink that records what the sections show and
// find, and a scan context over both.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/sim/sim_platform.h"
#include "registry/problem.h"
#include "registry/scan_context.h"

namespace nc::registry {

inline void PrintTo(const ProblemEntry& entry, std::ostream* os) {
  *os << "{\"" << entry.Problem << "\", \"" << entry.Data << "\", \"" << entry.RegistryKey
      << "\", kind " << static_cast<int>(entry.Kind) << "}";
}

}  // namespace nc::registry

namespace nc::testing {

class RecordingSink : public registry::ScanSink {
 public:
  void SetSectionStatus(std::string_view text) override { statuses.emplace_back(text); }
  void SetKeyLine(std::string_view text) override {
    keyLines.emplace_back(text);
    if (onKeyLine) onKeyLine(text);
  }
  void AppendProblem(const registry::ProblemEntry& entry) override { problems.push_back(entry); }

  std::vector<std::string> statuses;
  std::vector<std::string> keyLines;
  std::vector<registry::ProblemEntry> problems;
  // Called for every key line (a test requests the stop from here).
  std::function<void(std::string_view)> onKeyLine;
};

class SectionsTest : public ::testing::Test {
 protected:
  // Applies .reg text given without its header line.
  void Reg(std::string_view body) {
    std::string text = "REGEDIT4\n\n";
    text += body;
    sim.registry().loadRegText(text);
  }
  void File(std::string_view path) { ASSERT_TRUE(sim.writeFile(path, "x")) << path; }
  void Folder(std::string_view path) { ASSERT_TRUE(sim.files().createFolders(path).ok()) << path; }

  static registry::ProblemEntry Entry(std::string problem, std::string data, std::string key,
                                      registry::ProblemKind kind) {
    return registry::ProblemEntry{std::move(problem), std::move(data), std::move(key), kind, false};
  }
  const std::vector<registry::ProblemEntry>& Problems() const { return sink.problems; }

  sim::SimPlatform sim;
  RecordingSink sink;
  std::atomic<bool> stop{false};
  registry::ScanContext ctx{
      sim.ports(), sink, stop, registry::PathTest{sim.files(), "c", false, false, true, false},
      false,       {}};
};

}  // namespace nc::testing
