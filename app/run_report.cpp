#include "app/run_report.h"

#include <cstdio>
#include <map>
#include <utility>

#include <nlohmann/json.hpp>

namespace nc::app {

int ExitCodeOf(RunOutcome outcome) {
  switch (outcome) {
    case RunOutcome::Done:
      return 0;
    case RunOutcome::Failures:
    case RunOutcome::Refused:
      return 1;
    case RunOutcome::CouldNotRun:
      return 2;
  }
  return 2;
}

const char* OutcomeName(RunOutcome outcome) {
  switch (outcome) {
    case RunOutcome::Done:
      return "done";
    case RunOutcome::Failures:
      return "failures";
    case RunOutcome::Refused:
      return "refused";
    case RunOutcome::CouldNotRun:
      return "could not run";
  }
  return "could not run";
}

namespace {

bool RegistryFailed(const RegistryRepairFacts& facts) {
  if (!facts.failure.empty()) return true;
  for (const auto& section : facts.sections) {
    if (section.fixed < section.found) return true;
  }
  return false;
}

}  // namespace

RunOutcome OutcomeOf(const RunReport& report) {
  if (!report.couldNotRun.empty()) return RunOutcome::CouldNotRun;
  if (report.cleanRefused) return RunOutcome::Refused;
  const bool registryRan = report.withRegistry && report.registry.scanned;
  if (!report.cleanStarted && !registryRan && !report.interrupted) return RunOutcome::CouldNotRun;
  if (report.interrupted || report.cleanStoppedOnError || !report.answeredBoxes.empty()) {
    return RunOutcome::Failures;
  }
  for (const auto& item : report.clean.items) {
    if (item.FailureCount() > 0) return RunOutcome::Failures;
  }
  if (registryRan && RegistryFailed(report.registry)) return RunOutcome::Failures;
  return RunOutcome::Done;
}

std::vector<RegistrySectionCount> CountFixedBySection(
    const std::vector<registry::ProblemEntry>& before,
    const std::vector<registry::ProblemEntry>& after) {
  std::vector<RegistrySectionCount> sections;
  std::map<std::string, std::size_t> index;
  for (const auto& row : before) {
    if (!row.Ticked) continue;
    auto [at, added] = index.try_emplace(row.Problem, sections.size());
    if (added) sections.push_back({row.Problem, 0, 0});
    ++sections[at->second].found;
    ++sections[at->second].fixed;
  }
  // What is still listed and ticked after the repair was not fixed.
  for (const auto& row : after) {
    if (!row.Ticked) continue;
    auto at = index.find(row.Problem);
    if (at != index.end() && sections[at->second].fixed > 0) --sections[at->second].fixed;
  }
  return sections;
}

RegistryRepairFacts RepairFacts(const std::vector<registry::ProblemEntry>& before,
                                const std::vector<registry::ProblemEntry>& after,
                                const registry::FixResult& fix) {
  RegistryRepairFacts facts;
  facts.scanned = true;
  facts.sections = CountFixedBySection(before, after);
  facts.backupFile = fix.backupFile;
  facts.deleted = fix.deleted;
  switch (fix.outcome) {
    case registry::FixOutcome::Finished:
    case registry::FixOutcome::NoRows:
      break;
    case registry::FixOutcome::FolderDeclined:
    case registry::FixOutcome::FolderNotCreated:
      facts.failure = "the backup folder could not be made";
      break;
    case registry::FixOutcome::RestorePointCancelled:
      facts.failure = "the restore point could not be made";
      break;
    case registry::FixOutcome::Stopped:
      facts.failure = "the backup could not be written";
      if (fix.error) {
        facts.failure += std::string(": ") + fix.error->op + ": " + ErrcName(fix.error->code);
      }
      break;
  }
  return facts;
}

std::string ReportTimeText(const platform::LocalTime& time) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", time.year, time.month, time.day,
                time.hour, time.minute, time.second);
  return text;
}

std::string ReportJson(const RunReport& report) {
  using nlohmann::ordered_json;
  const RunOutcome outcome = OutcomeOf(report);

  ordered_json totals = {
      {"items", 0}, {"files", 0}, {"registryEntries", 0}, {"bytes", 0}, {"failures", 0}};
  std::int64_t items = 0, files = 0, entries = 0;
  std::uint64_t bytes = 0, failures = 0;

  ordered_json cleanItems = ordered_json::array();
  for (const auto& item : report.clean.items) {
    ordered_json failed = ordered_json::array();
    for (const auto& failure : item.failures) {
      failed.push_back({{"target", failure.target}, {"reason", failure.reason}});
    }
    cleanItems.push_back({{"runName", item.runName},
                          {"items", item.items},
                          {"files", item.files},
                          {"registryEntries", item.registryEntries},
                          {"bytes", item.bytes},
                          {"failures", std::move(failed)},
                          {"failuresLeftOut", item.failuresLeftOut}});
    items += item.items;
    files += item.files;
    entries += item.registryEntries;
    bytes += item.bytes;
    failures += item.FailureCount();
  }
  ordered_json clean = {{"started", report.cleanStarted}};
  if (!report.cleanNotStarted.empty()) clean["notStartedBecause"] = report.cleanNotStarted;
  clean["stoppedOnError"] = report.cleanStoppedOnError;
  clean["items"] = std::move(cleanItems);

  ordered_json json = {{"schema", kReportSchemaVersion},
                       {"program", "Norvik Cleaner"},
                       {"version", report.version},
                       {"mode", report.mode},
                       {"started", ReportTimeText(report.started)},
                       {"ended", ReportTimeText(report.ended)},
                       {"clean", std::move(clean)}};

  if (report.withRegistry) {
    const RegistryRepairFacts& facts = report.registry;
    ordered_json sections = ordered_json::array();
    std::size_t found = 0, fixed = 0;
    for (const auto& section : facts.sections) {
      sections.push_back(
          {{"problem", section.problem}, {"found", section.found}, {"fixed", section.fixed}});
      found += section.found;
      fixed += section.fixed;
    }
    json["registry"] = {{"scanned", facts.scanned}, {"sections", std::move(sections)},
                        {"found", found},           {"fixed", fixed},
                        {"deleted", facts.deleted}, {"backupFile", facts.backupFile},
                        {"failure", facts.failure}};
    totals["registryProblemsFound"] = found;
    totals["registryProblemsFixed"] = fixed;
  }
  totals["items"] = items;
  totals["files"] = files;
  totals["registryEntries"] = entries;
  totals["bytes"] = bytes;
  totals["failures"] = failures;
  json["totals"] = std::move(totals);
  if (!report.answeredBoxes.empty()) {
    ordered_json boxes = ordered_json::array();
    for (const AnsweredBox& box : report.answeredBoxes) {
      boxes.push_back({{"kind", box.kind}, {"text", box.text}, {"answer", box.answer}});
    }
    json["answeredWithoutWindow"] = std::move(boxes);
  }
  json["interrupted"] = report.interrupted;
  json["outcome"] = OutcomeName(outcome);
  if (!report.couldNotRun.empty()) json["couldNotRunBecause"] = report.couldNotRun;
  json["exitCode"] = ExitCodeOf(outcome);
  // Paths that are not valid UTF-8 never stop the report.
  return json.dump(2, ' ', false, ordered_json::error_handler_t::replace) + "\n";
}

void UnattendedReport::Begin(std::string_view version, std::string_view mode, std::string file,
                             bool withRegistry, const platform::LocalTime& now) {
  report_ = {};
  report_.version = std::string(version);
  report_.mode = std::string(mode);
  report_.started = now;
  report_.withRegistry = withRegistry;
  file_ = std::move(file);
  active_ = true;
  begun_ = true;
  cleanExpected_ = false;
  cleanRunning_ = false;
}

cleaner::CleanRecord* UnattendedReport::StartClean() {
  if (!cleanExpected_) return nullptr;
  cleanExpected_ = false;
  cleanRunning_ = true;
  report_.cleanStarted = true;
  return &report_.clean;
}

void UnattendedReport::CleanItemsSkipped(const std::vector<cleaner::SkippedCleanItem>& skipped) {
  if (!cleanExpected_) return;
  for (const cleaner::SkippedCleanItem& item : skipped) {
    cleaner::CleanItemRecord record;
    record.runName = item.runName;
    record.failures.push_back({item.browser, item.reason});
    report_.clean.items.push_back(std::move(record));
  }
}

void UnattendedReport::CleanNotStarted(std::string_view why, bool refused) {
  if (!cleanExpected_) return;
  cleanExpected_ = false;
  report_.cleanNotStarted = std::string(why);
  report_.cleanRefused = refused;
}

void UnattendedReport::CleanEnded(bool stoppedOnError) {
  if (!cleanRunning_) return;
  cleanRunning_ = false;
  report_.cleanStoppedOnError = stoppedOnError;
}

int UnattendedReport::Finish(platform::FileSystem& files, const platform::LocalTime& now,
                             bool interrupted) {
  report_.ended = now;
  report_.interrupted = interrupted || cleanRunning_;
  active_ = false;
  cleanExpected_ = false;
  cleanRunning_ = false;
  const int code = ExitCodeOf(OutcomeOf(report_));
  if (file_.empty()) return code;
  // The report's folder is made when it is missing.
  const std::string folder = platform::FolderOf(file_);
  if (!folder.empty() && !files.folderExists(folder)) (void)files.createFolders(folder);
  const bool written = platform::WriteWholeFile(files, file_, ReportJson(report_)).ok();
  return !written && code == 0 ? 1 : code;
}

}  // namespace nc::app
