// The report of an unattended run ("/Clear", and the clean at start of
// "/Auto"): what each clean item removed and could not remove, what the
// registry repair of "/Clear" found and fixed, the totals and the outcome,
// written as JSON to the file named after the switch. The outcome is also
// the process exit code: 0 the run did its job, 1 it ended with failures
// or refusals, 2 it could not run at all. A report that cannot be written
// turns an exit code of 0 into 1 and changes nothing else.
//
// A report is never left from an earlier run: when the run begins, a short
// report with the outcome "running", the run's own id and its start time
// replaces whatever the file held, and the final report replaces that. A
// reader that finds "running" with an old start time knows the run died.
// Every time is universal time, written with its "Z".
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "cleaner/clean_record.h"
#include "cleaner/clean_starter.h"
#include "platform/clock.h"
#include "platform/filesystem.h"
#include "registry/fixer.h"
#include "registry/problem.h"

namespace nc::app {

// 2: times in universal time, the run id and the "running" report.
inline constexpr int kReportSchemaVersion = 2;

enum class RunOutcome {
  Done,         // exit code 0
  Failures,     // exit code 1: something stayed, or the run was cut short
  Refused,      // exit code 1: the clean did not start (a browser was open)
  CouldNotRun,  // exit code 2
};

int ExitCodeOf(RunOutcome outcome);
// "done", "failures", "refused", "could not run".
const char* OutcomeName(RunOutcome outcome);

// The registry problems of one scan section (named by its problem text):
// how many the scan left ticked and how many the repair removed.
struct RegistrySectionCount {
  std::string problem;
  std::size_t found = 0;
  std::size_t fixed = 0;
};

struct RegistryRepairFacts {
  bool scanned = false;  // a scan ran to its end and the repair was tried
  std::vector<RegistrySectionCount> sections;
  std::string backupFile;
  std::size_t deleted = 0;  // keys, values and shortcut files deleted
  std::string failure;      // why the repair stopped; "" when it did not
  // Each ticked row whose fix changed nothing, with the system's reason.
  std::vector<registry::FixFailure> failures;
};

// A box of an unattended run that was answered without a window.
struct AnsweredBox {
  std::string kind;    // "question", "notice" or "error"
  std::string text;    // the box's text
  std::string answer;  // "No" for a question, "OK" otherwise
};

struct RunReport {
  std::string version;
  std::string mode;             // "/Clear" or "/Auto"
  std::string runId;            // fresh for every run
  platform::LocalTime started;  // universal time
  platform::LocalTime ended;
  bool cleanStarted = false;
  std::string cleanNotStarted;  // why no clean ran ("Please close Mozilla Firefox first!")
  bool cleanRefused = false;    // that reason is a refusal (a browser was open)
  bool cleanStoppedOnError = false;
  bool interrupted = false;  // the program closed before the run ended
  cleaner::CleanRecord clean;
  bool withRegistry = false;  // "/Clear": the registry part belongs to the run
  RegistryRepairFacts registry;
  std::string couldNotRun;  // why the run could not start at all
  // Boxes answered without a window ("/Clear"); each leaves something
  // undone, so the run ends with failures.
  std::vector<AnsweredBox> answeredBoxes;
};

RunOutcome OutcomeOf(const RunReport& report);

// Problems per section before and after the repair, in the order the
// sections first appear in `before`.
std::vector<RegistrySectionCount> CountFixedBySection(
    const std::vector<registry::ProblemEntry>& before,
    const std::vector<registry::ProblemEntry>& after);
RegistryRepairFacts RepairFacts(const std::vector<registry::ProblemEntry>& before,
                                const std::vector<registry::ProblemEntry>& after,
                                const registry::FixResult& fix);

// The report as JSON text (UTF-8).
std::string ReportJson(const RunReport& report);
// The report of a run that has begun and not ended: the run's name, id and
// start, with the outcome "running".
std::string RunningReportJson(const RunReport& report);
// "2026-12-07T21:55:23Z", a universal time.
std::string ReportTimeText(const platform::LocalTime& utc);
// A random id in the form of a version 4 UUID.
std::string MakeRunId(platform::Random& random);

// The run's report in the making, held by the main window from the
// unattended start to the run's end.
class UnattendedReport {
 public:
  // Starts a report and writes its "running" form; `file` may be empty
  // (only the exit code then). A file that cannot be written is deleted,
  // so that no earlier run's report stays in its place.
  void Begin(std::string_view version, std::string_view mode, std::string file, bool withRegistry,
             const platform::LocalTime& utcNow, std::string runId, platform::FileSystem& files);
  bool Active() const { return active_; }
  // A report was begun in this process (one unattended run per start).
  bool Begun() const { return begun_; }
  RunReport& report() { return report_; }

  // The run cannot start: the reason goes into the report.
  void CouldNotRun(std::string_view why) { report_.couldNotRun = std::string(why); }
  // The unattended clean is about to be asked for; the next clean that
  // starts is the one the report records.
  void ExpectClean() { cleanExpected_ = active_; }
  // The record the expected clean writes into, or none when this clean
  // is not the expected one.
  cleaner::CleanRecord* StartClean();
  // Items the expected clean leaves out (an open browser's in "/Clear"):
  // each is recorded as an item that failed, with the reason.
  void CleanItemsSkipped(const std::vector<cleaner::SkippedCleanItem>& skipped);
  // The expected clean did not start.
  void CleanNotStarted(std::string_view why, bool refused);
  // The recorded clean ended.
  void CleanEnded(bool stoppedOnError);
  bool RecordsRunningClean() const { return cleanRunning_; }
  void RegistryRepaired(RegistryRepairFacts facts) { report_.registry = std::move(facts); }

  // Ends the report, writes the file when one was named, and gives the
  // exit code.
  int Finish(platform::FileSystem& files, const platform::LocalTime& utcNow, bool interrupted);

 private:
  bool Write(platform::FileSystem& files, std::string_view json);

  RunReport report_;
  std::string file_;
  bool active_ = false;
  bool begun_ = false;
  bool cleanExpected_ = false;
  bool cleanRunning_ = false;
};

}  // namespace nc::app
