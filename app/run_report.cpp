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
  if (!facts.failure.empty() || !facts.failures.empty()) return true;
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
  // A row that left the list without its entry being deleted was not fixed.
  for (const auto& failure : fix.failures) {
    if (failure.stayedListed) continue;
    for (auto& section : facts.sections) {
      if (section.problem == failure.problem && section.fixed > 0) {
        --section.fixed;
        break;
      }
    }
  }
  facts.failures = fix.failures;
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

std::string ReportTimeText(const platform::LocalTime& utc) {
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", utc.year, utc.month, utc.day,
                utc.hour, utc.minute, utc.second);
  return text;
}

std::string MakeRunId(platform::Random& random) {
  std::uint8_t bytes[16];
  for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random.below(256));
  bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40);  // version 4
  bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
  static constexpr char kHex[] = "0123456789abcdef";
  std::string id;
  for (int i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) id += '-';
    id += kHex[bytes[i] >> 4];
    id += kHex[bytes[i] & 0x0F];
  }
  return id;
}

namespace {

nlohmann::ordered_json ReportHead(const RunReport& report) {
  return {{"schema", kReportSchemaVersion}, {"program", "Norvik Cleaner"},
          {"version", report.version},      {"mode", report.mode},
          {"runId", report.runId},          {"started", ReportTimeText(report.started)}};
}

std::string JsonText(const nlohmann::ordered_json& json) {
  // Paths that are not valid UTF-8 never stop the report.
  return json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

}  // namespace

std::string RunningReportJson(const RunReport& report) {
  nlohmann::ordered_json json = ReportHead(report);
  json["outcome"] = "running";
  return JsonText(json);
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

  ordered_json json = ReportHead(report);
  json["ended"] = ReportTimeText(report.ended);
  json["clean"] = std::move(clean);

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
    ordered_json fixFailures = ordered_json::array();
    for (const auto& failure : facts.failures) {
      fixFailures.push_back(
          {{"problem", failure.problem}, {"key", failure.location}, {"reason", failure.reason}});
    }
    json["registry"] = {{"scanned", facts.scanned}, {"sections", std::move(sections)},
                        {"found", found},           {"fixed", fixed},
                        {"deleted", facts.deleted}, {"backupFile", facts.backupFile},
                        {"failure", facts.failure}, {"failures", std::move(fixFailures)}};
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
  return JsonText(json);
}

void UnattendedReport::Begin(std::string_view version, std::string_view mode, std::string file,
                             bool withRegistry, const platform::LocalTime& utcNow,
                             std::string runId, platform::FileSystem& files) {
  report_ = {};
  report_.version = std::string(version);
  report_.mode = std::string(mode);
  report_.runId = std::move(runId);
  report_.started = utcNow;
  report_.withRegistry = withRegistry;
  file_ = std::move(file);
  active_ = true;
  begun_ = true;
  cleanExpected_ = false;
  cleanRunning_ = false;
  if (!file_.empty()) (void)Write(files, RunningReportJson(report_));
}

bool UnattendedReport::Write(platform::FileSystem& files, std::string_view json) {
  // The report's folder is made when it is missing.
  const std::string folder = platform::FolderOf(file_);
  if (!folder.empty() && !files.folderExists(folder)) (void)files.createFolders(folder);
  if (platform::WriteWholeFile(files, file_, json).ok()) return true;
  // An earlier run's report must not pass for this run's.
  if (files.fileExists(file_)) (void)files.deleteFile(file_);
  return false;
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

int UnattendedReport::Finish(platform::FileSystem& files, const platform::LocalTime& utcNow,
                             bool interrupted) {
  report_.ended = utcNow;
  report_.interrupted = interrupted || cleanRunning_;
  active_ = false;
  cleanExpected_ = false;
  cleanRunning_ = false;
  const int code = ExitCodeOf(OutcomeOf(report_));
  if (file_.empty()) return code;
  const bool written = Write(files, ReportJson(report_));
  return !written && code == 0 ? 1 : code;
}

}  // namespace nc::app
