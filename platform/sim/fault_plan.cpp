#include "platform/sim/fault_plan.h"

namespace nc::sim {

namespace {

std::size_t Index(PortMethod method) {
  return static_cast<std::size_t>(method);
}

}  // namespace

std::string_view PortMethodName(PortMethod method) {
  switch (method) {
    case PortMethod::RegistryOpen:
      return "registry.open";
    case PortMethod::RegistryCreate:
      return "registry.create";
    case PortMethod::RegistryEnumKeys:
      return "registry.enumKeys";
    case PortMethod::RegistryEnumValues:
      return "registry.enumValues";
    case PortMethod::RegistryInfo:
      return "registry.info";
    case PortMethod::RegistryReadValue:
      return "registry.readValue";
    case PortMethod::RegistryWriteValue:
      return "registry.writeValue";
    case PortMethod::RegistryDeleteValue:
      return "registry.deleteValue";
    case PortMethod::RegistryDeleteTree:
      return "registry.deleteTree";
    case PortMethod::RegistrySaveKey:
      return "registry.saveKey";
    case PortMethod::RegistryReplaceKey:
      return "registry.replaceKey";
    case PortMethod::FilesList:
      return "files.list";
    case PortMethod::FilesStat:
      return "files.stat";
    case PortMethod::FilesDeleteFile:
      return "files.deleteFile";
    case PortMethod::FilesRemoveFolder:
      return "files.removeFolder";
    case PortMethod::FilesCreateFolders:
      return "files.createFolders";
    case PortMethod::FilesSetAttributes:
      return "files.setAttributes";
    case PortMethod::FilesMoveFile:
      return "files.moveFile";
    case PortMethod::FilesOpen:
      return "files.open";
    case PortMethod::FilesRead:
      return "files.read";
    case PortMethod::FilesWrite:
      return "files.write";
    case PortMethod::FilesFlush:
      return "files.flush";
    case PortMethod::FilesDeleteAtRestart:
      return "files.deleteAtRestart";
    case PortMethod::FilesShortPath:
      return "files.shortPath";
    case PortMethod::FilesFreeSpace:
      return "files.freeSpace";
    case PortMethod::FilesFolderIdentity:
      return "files.folderIdentity";
    case PortMethod::ShellOpenDocument:
      return "shell.openDocument";
  }
  return "?";
}

void FaultPlan::addRule(PortMethod method, std::uint64_t nth, Errc code,
                        std::string_view pathContains, bool persistent) {
  std::lock_guard lock(mutex_);
  Rule rule;
  rule.method = method;
  rule.pathContains = std::string(pathContains);
  rule.nth = nth == 0 ? 1 : nth;
  rule.persistent = persistent;
  rule.code = code;
  rules_.push_back(std::move(rule));
}

void FaultPlan::failOnce(PortMethod method, std::uint64_t nth, Errc code,
                         std::string_view pathContains) {
  addRule(method, nth, code, pathContains, false);
}

void FaultPlan::failFrom(PortMethod method, std::uint64_t nth, Errc code,
                         std::string_view pathContains) {
  addRule(method, nth, code, pathContains, true);
}

void FaultPlan::failNthCall(std::uint64_t nth, Errc code) {
  std::lock_guard lock(mutex_);
  anyNth_ = nth == 0 ? 1 : nth;
  anySeen_ = 0;
  anyCode_ = code;
}

std::uint64_t FaultPlan::totalCalls() const {
  std::lock_guard lock(mutex_);
  return totalCalls_;
}

void FaultPlan::clearRules() {
  std::lock_guard lock(mutex_);
  rules_.clear();
  anyNth_ = 0;
}

void FaultPlan::reset() {
  std::lock_guard lock(mutex_);
  rules_.clear();
  anyNth_ = 0;
  totalCalls_ = 0;
  calls_.fill(0);
  fired_.fill(0);
  firedTotal_ = 0;
}

std::optional<Errc> FaultPlan::check(PortMethod method, std::string_view path) {
  std::lock_guard lock(mutex_);
  ++calls_[Index(method)];
  ++totalCalls_;

  std::optional<Errc> result;
  if (anyNth_ != 0 && ++anySeen_ == anyNth_) result = anyCode_;
  for (Rule& rule : rules_) {
    if (rule.method != method) continue;
    if (!rule.pathContains.empty() && path.find(rule.pathContains) == std::string_view::npos) {
      continue;
    }
    ++rule.matched;
    const bool fires = rule.persistent ? rule.matched >= rule.nth : rule.matched == rule.nth;
    if (fires && !result) result = rule.code;
  }
  if (result) {
    ++firedTotal_;
    ++fired_[Index(method)];
  }
  return result;
}

std::optional<Error> FaultPlan::checkError(PortMethod method, std::string_view op,
                                           std::string_view path) {
  if (auto code = check(method, path)) return Error{*code, std::string(op), std::string(path)};
  return std::nullopt;
}

std::uint64_t FaultPlan::calls(PortMethod method) const {
  std::lock_guard lock(mutex_);
  return calls_[Index(method)];
}

std::uint64_t FaultPlan::faultsFired() const {
  std::lock_guard lock(mutex_);
  return firedTotal_;
}

std::uint64_t FaultPlan::faultsFired(PortMethod method) const {
  std::lock_guard lock(mutex_);
  return fired_[Index(method)];
}

}  // namespace nc::sim
