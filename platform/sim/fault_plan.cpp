#include "platform/sim/fault_plan.h"

namespace nc::sim {

void FaultPlan::addRule(std::string_view method, std::uint64_t nth, Errc code,
                        std::string_view pathContains, bool persistent) {
  std::lock_guard lock(mutex_);
  Rule rule;
  rule.method = std::string(method);
  rule.pathContains = std::string(pathContains);
  rule.nth = nth == 0 ? 1 : nth;
  rule.persistent = persistent;
  rule.code = code;
  rules_.push_back(std::move(rule));
}

void FaultPlan::failOnce(std::string_view method, std::uint64_t nth, Errc code,
                         std::string_view pathContains) {
  addRule(method, nth, code, pathContains, false);
}

void FaultPlan::failFrom(std::string_view method, std::uint64_t nth, Errc code,
                         std::string_view pathContains) {
  addRule(method, nth, code, pathContains, true);
}

void FaultPlan::clearRules() {
  std::lock_guard lock(mutex_);
  rules_.clear();
}

void FaultPlan::reset() {
  std::lock_guard lock(mutex_);
  rules_.clear();
  calls_.clear();
  fired_.clear();
  firedTotal_ = 0;
}

std::optional<Errc> FaultPlan::check(std::string_view method, std::string_view path) {
  std::lock_guard lock(mutex_);
  auto it = calls_.find(method);
  if (it == calls_.end()) it = calls_.emplace(std::string(method), 0).first;
  ++it->second;

  std::optional<Errc> result;
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
    auto f = fired_.find(method);
    if (f == fired_.end()) f = fired_.emplace(std::string(method), 0).first;
    ++f->second;
  }
  return result;
}

std::optional<Error> FaultPlan::checkError(std::string_view method, std::string_view op,
                                           std::string_view path) {
  if (auto code = check(method, path)) return Error{*code, std::string(op), std::string(path)};
  return std::nullopt;
}

std::uint64_t FaultPlan::calls(std::string_view method) const {
  std::lock_guard lock(mutex_);
  const auto it = calls_.find(method);
  return it == calls_.end() ? 0 : it->second;
}

std::uint64_t FaultPlan::faultsFired() const {
  std::lock_guard lock(mutex_);
  return firedTotal_;
}

std::uint64_t FaultPlan::faultsFired(std::string_view method) const {
  std::lock_guard lock(mutex_);
  const auto it = fired_.find(method);
  return it == fired_.end() ? 0 : it->second;
}

}  // namespace nc::sim
