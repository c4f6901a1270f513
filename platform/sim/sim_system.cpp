#include "platform/sim/sim_system.h"

#include <utility>

#include <algorithm>

#include "core/text.h"

#include "platform/sim/shell_link.h"

namespace nc::sim {

// ---- SimSystem --------------------------------------------------------------

platform::VersionInfo SimSystem::version() {
  std::lock_guard lock(mutex_);
  return version_;
}

bool SimSystem::isWow64() {
  std::lock_guard lock(mutex_);
  return wow64_;
}

bool SimSystem::is64BitWindows() {
  std::lock_guard lock(mutex_);
  return windows64_ || wow64_;
}

bool SimSystem::isAdministrator() {
  std::lock_guard lock(mutex_);
  return administrator_;
}

std::string SimSystem::executablePath() {
  std::lock_guard lock(mutex_);
  return executablePath_;
}

std::vector<std::string> SimSystem::arguments() {
  std::lock_guard lock(mutex_);
  return arguments_;
}

bool SimSystem::emptyClipboard() {
  std::lock_guard lock(mutex_);
  ++emptyClipboardCalls_;
  if (!clipboardAvailable_) return false;
  clipboard_.clear();
  return true;
}

void SimSystem::setVersion(const platform::VersionInfo& version) {
  std::lock_guard lock(mutex_);
  version_ = version;
}

void SimSystem::setWow64(bool wow64) {
  std::lock_guard lock(mutex_);
  wow64_ = wow64;
}

void SimSystem::set64BitWindows(bool windows64) {
  std::lock_guard lock(mutex_);
  windows64_ = windows64;
}

void SimSystem::setAdministrator(bool administrator) {
  std::lock_guard lock(mutex_);
  administrator_ = administrator;
}

void SimSystem::setExecutablePath(std::string_view path) {
  std::lock_guard lock(mutex_);
  executablePath_ = std::string(path);
}

void SimSystem::setArguments(std::vector<std::string> arguments) {
  std::lock_guard lock(mutex_);
  arguments_ = std::move(arguments);
}

void SimSystem::setClipboardText(std::string_view text) {
  std::lock_guard lock(mutex_);
  clipboard_ = std::string(text);
}

std::string SimSystem::clipboardText() const {
  std::lock_guard lock(mutex_);
  return clipboard_;
}

void SimSystem::setClipboardAvailable(bool available) {
  std::lock_guard lock(mutex_);
  clipboardAvailable_ = available;
}

int SimSystem::emptyClipboardCalls() const {
  std::lock_guard lock(mutex_);
  return emptyClipboardCalls_;
}

// ---- SimShell -----------------------------------------------------------------

SimShell::SimShell(FaultPlan* faults) : faults_(faults) {
  if (faults_ == nullptr) {
    ownFaults_ = std::make_unique<FaultPlan>();
    faults_ = ownFaults_.get();
  }
}

Status SimShell::openDocument(std::string_view target) {
  if (auto e = faults_->checkError(PortMethod::ShellOpenDocument, "open document", target))
    return *e;
  std::lock_guard lock(mutex_);
  opened_.emplace_back(target);
  return Status::Ok();
}

void SimShell::endBrowserSession() {
  std::lock_guard lock(mutex_);
  ++endSessionCalls_;
}

std::vector<std::string> SimShell::openedDocuments() const {
  std::lock_guard lock(mutex_);
  return opened_;
}

int SimShell::endBrowserSessionCalls() const {
  std::lock_guard lock(mutex_);
  return endSessionCalls_;
}

// ---- SimClock -----------------------------------------------------------------

namespace {

// Days since 1970-01-01 of a civil date, and back (H. Hinnant's method).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2 ? 1 : 0;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? static_cast<unsigned>(-3) : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  year = static_cast<int>(y + (m <= 2 ? 1 : 0));
  month = static_cast<int>(m);
  day = static_cast<int>(d);
}

}  // namespace

platform::LocalTime SimClock::now() {
  std::lock_guard lock(mutex_);
  return now_;
}

std::uint64_t SimClock::tickMs() {
  std::lock_guard lock(mutex_);
  return tick_;
}

void SimClock::setNow(const platform::LocalTime& time) {
  std::lock_guard lock(mutex_);
  now_ = time;
}

void SimClock::setTickMs(std::uint64_t tick) {
  std::lock_guard lock(mutex_);
  tick_ = tick;
}

namespace {

// The time moved by a number of milliseconds, either way, with calendar
// carries.
platform::LocalTime Shifted(const platform::LocalTime& time, std::int64_t milliseconds) {
  const std::int64_t days =
      DaysFromCivil(time.year, static_cast<unsigned>(time.month), static_cast<unsigned>(time.day));
  std::int64_t ms =
      ((static_cast<std::int64_t>(time.hour) * 60 + time.minute) * 60 + time.second) * 1000 +
      time.millisecond + milliseconds;
  constexpr std::int64_t kDay = 86400000;
  std::int64_t newDays = days + ms / kDay;
  ms %= kDay;
  if (ms < 0) {
    ms += kDay;
    --newDays;
  }
  platform::LocalTime moved;
  CivilFromDays(newDays, moved.year, moved.month, moved.day);
  moved.hour = static_cast<int>(ms / 3600000);
  moved.minute = static_cast<int>(ms / 60000 % 60);
  moved.second = static_cast<int>(ms / 1000 % 60);
  moved.millisecond = static_cast<int>(ms % 1000);
  return moved;
}

}  // namespace

platform::LocalTime SimClock::utcNow() {
  std::lock_guard lock(mutex_);
  return Shifted(now_, -static_cast<std::int64_t>(utcOffsetMinutes_) * 60000);
}

void SimClock::setUtcOffsetMinutes(int minutes) {
  std::lock_guard lock(mutex_);
  utcOffsetMinutes_ = minutes;
}

void SimClock::advance(std::uint64_t milliseconds) {
  std::lock_guard lock(mutex_);
  tick_ += milliseconds;
  now_ = Shifted(now_, static_cast<std::int64_t>(milliseconds));
}

// ---- SimRandom ------------------------------------------------------------------

std::uint32_t SimRandom::below(std::uint32_t bound) {
  std::lock_guard lock(mutex_);
  state_ += 0x9E3779B97F4A7C15ULL;
  std::uint64_t z = state_;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  z ^= z >> 31;
  return bound == 0 ? 0 : static_cast<std::uint32_t>(z % bound);
}

void SimRandom::seed(std::uint64_t seed) {
  std::lock_guard lock(mutex_);
  state_ = seed;
}

// ---- SimPrompts ------------------------------------------------------------------

void SimPrompts::inform(std::string_view text) {
  std::lock_guard lock(mutex_);
  records_.push_back({Kind::Inform, std::string(text)});
}

void SimPrompts::error(std::string_view text) {
  std::lock_guard lock(mutex_);
  records_.push_back({Kind::Error, std::string(text)});
}

bool SimPrompts::confirm(std::string_view text) {
  std::lock_guard lock(mutex_);
  records_.push_back({Kind::Confirm, std::string(text)});
  if (answers_.empty()) return defaultAnswer_;
  const bool answer = answers_.front();
  answers_.pop_front();
  return answer;
}

void SimPrompts::answerConfirm(bool yes) {
  std::lock_guard lock(mutex_);
  answers_.push_back(yes);
}

void SimPrompts::setDefaultAnswer(bool yes) {
  std::lock_guard lock(mutex_);
  defaultAnswer_ = yes;
}

std::vector<SimPrompts::Record> SimPrompts::records() const {
  std::lock_guard lock(mutex_);
  return records_;
}

std::size_t SimPrompts::count(Kind kind) const {
  std::lock_guard lock(mutex_);
  std::size_t n = 0;
  for (const auto& r : records_) n += r.kind == kind ? 1 : 0;
  return n;
}

void SimPrompts::clear() {
  std::lock_guard lock(mutex_);
  records_.clear();
  answers_.clear();
}

Status SimShell::deleteFileSilently(std::string_view path) {
  if (files_ == nullptr) return Error{Errc::NotSupported, "shell delete", std::string(path)};
  Status first = files_->deleteFile(path);
  if (first.ok() || first.error().code != Errc::AccessDenied) return first;
  auto entry = files_->stat(path);
  if (!entry) return first;
  const std::uint32_t protectedBits = platform::FileAttr::ReadOnly | platform::FileAttr::System;
  if ((entry->attributes & protectedBits) == 0) return first;
  if (!files_->setAttributes(path, entry->attributes & ~protectedBits).ok()) return first;
  return files_->deleteFile(path);
}

bool SimShell::emptyRecycleBins() {
  std::lock_guard lock(mutex_);
  if (!recycleBinsAvailable_) return false;
  ++emptyRecycleBinsCalls_;
  return true;
}

void SimShell::setRecycleBinsAvailable(bool available) {
  std::lock_guard lock(mutex_);
  recycleBinsAvailable_ = available;
}

Result<std::string> SimShell::resolveShortcut(std::string_view lnkPath) {
  if (files_ == nullptr) return Error{Errc::NotSupported, "read shortcut", std::string(lnkPath)};
  auto bytes = platform::ReadWholeFile(*files_, lnkPath);
  if (!bytes) return bytes.error();
  return ParseShellLinkTarget(*bytes);
}

int SimShell::emptyRecycleBinsCalls() const {
  std::lock_guard lock(mutex_);
  return emptyRecycleBinsCalls_;
}

std::string SimSystem::toAnsiCodePage(std::string_view utf8) {
  std::string out;
  for (char16_t unit : Utf8ToUtf16(utf8)) {
    out += unit < 0x100 ? static_cast<char>(unit) : '?';
  }
  return out;
}

std::string SimSystem::fromAnsiCodePage(std::string_view ansi) {
  return Latin1ToUtf8(ansi);
}

bool SimSystem::showCriticalErrorBoxes(bool shown) {
  std::lock_guard lock(mutex_);
  return std::exchange(criticalErrorBoxes_, shown);
}

bool SimSystem::criticalErrorBoxesShown() const {
  std::lock_guard lock(mutex_);
  return criticalErrorBoxes_;
}

bool SimSystem::createRestorePoint(std::string_view description) {
  std::lock_guard lock(mutex_);
  restorePoints_.emplace_back(description);
  return restorePointSucceeds_;
}

void SimSystem::setRestorePointResult(bool succeeds) {
  std::lock_guard lock(mutex_);
  restorePointSucceeds_ = succeeds;
}

std::vector<std::string> SimSystem::restorePoints() const {
  std::lock_guard lock(mutex_);
  return restorePoints_;
}

}  // namespace nc::sim
