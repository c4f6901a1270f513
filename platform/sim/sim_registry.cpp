#include "platform/sim/sim_registry.h"

#include <algorithm>

#include "core/text.h"

namespace nc::sim {

using platform::RegAccess;
using platform::RegKey;
using platform::RegValue;
using platform::RootKey;

namespace {
constexpr std::size_t kRootCount = 5;
constexpr std::size_t kMaxKeyNameLength = 255;

Error Fail(Errc code, std::string_view op, std::string_view path) {
  return Error{code, std::string(op), std::string(path)};
}

char16_t UpperUnit(char16_t unit) {
  return unit >= u'a' && unit <= u'z' ? static_cast<char16_t>(unit - u'a' + u'A') : unit;
}

std::u16string UpperUnits(std::u16string_view name) {
  std::u16string out(name);
  for (char16_t& unit : out) unit = UpperUnit(unit);
  return out;
}

// Value names match unit for unit, without regard to ASCII letter case.
bool SameName(const RegValue& value, std::u16string_view exactName) {
  const std::u16string& name = value.exactName;
  if (name.size() != exactName.size()) return false;
  for (std::size_t i = 0; i < name.size(); ++i) {
    if (UpperUnit(name[i]) != UpperUnit(exactName[i])) return false;
  }
  return true;
}

bool Writable(RegAccess access) {
  return access == RegAccess::Full || access == RegAccess::FullNoFollow;
}

// A value name as the registry editor reads it from a file: up to a NUL,
// each unit as written (a lone surrogate half included).
std::u16string FileName(std::string_view name) {
  return Wtf8ToUtf16(name.substr(0, name.find('\0')));
}

std::vector<RegValue>::iterator FindValue(std::vector<RegValue>& values,
                                          std::u16string_view exactName) {
  return std::find_if(values.begin(), values.end(),
                      [&](const RegValue& v) { return SameName(v, exactName); });
}
}  // namespace

SimRegistry::SimRegistry(FaultPlan* faults) : faults_(faults) {
  if (faults_ == nullptr) {
    ownFaults_ = std::make_unique<FaultPlan>();
    faults_ = ownFaults_.get();
  }
  for (std::size_t i = 0; i < kRootCount; ++i) {
    auto node = std::make_shared<Node>();
    node->root = static_cast<RootKey>(i);
    node->name = Utf8ToUtf16(platform::RootKeyName(node->root));
    roots_.push_back(std::move(node));
  }
}

SimRegistry::~SimRegistry() {
  handles_.clear();
  for (const auto& root : roots_) DetachTree(root);
}

void SimRegistry::attachFiles(platform::FileSystem* files) {
  std::lock_guard lock(mutex_);
  files_ = files;
}

// ---- paths and rights -----------------------------------------------------

std::vector<std::string> SimRegistry::SplitPath(std::string_view path) {
  std::vector<std::string> parts;
  for (auto& part : Split(path, '\\')) {
    if (!part.empty()) parts.push_back(std::move(part));
  }
  return parts;
}

SimRegistry::Parts SimRegistry::SplitExact(std::u16string_view path) {
  Parts parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    auto end = path.find(u'\\', start);
    if (end == std::u16string_view::npos) end = path.size();
    if (end > start) parts.emplace_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

SimRegistry::Parts SimRegistry::ExactParts(std::string_view path, bool wtf8) {
  return SplitExact(wtf8 ? Wtf8ToUtf16(path) : platform::ExactNameOf(path));
}

std::string SimRegistry::DenyKey(RootKey root, std::string_view upperPath) {
  return std::to_string(static_cast<int>(root)) + ":" + std::string(upperPath);
}

std::string SimRegistry::upperPathOf(const Node* node) const {
  std::vector<const Node*> chain;
  for (const Node* n = node; n != nullptr && n->parent != nullptr; n = n->parent) {
    chain.push_back(n);
  }
  std::string out;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    if (!out.empty()) out += '\\';
    out += UpperAscii(Utf16ToUtf8((*it)->name));
  }
  return out;
}

std::string SimRegistry::fullPathOf(const Node* node) const {
  std::vector<const Node*> chain;
  for (const Node* n = node; n != nullptr; n = n->parent) chain.push_back(n);
  std::string out;
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    if (!out.empty()) out += '\\';
    out += Utf16ToUtf8((*it)->name);
  }
  return out;
}

SimRegistry::Refusal SimRegistry::refusalOf(RootKey root, const std::string& upperPath) const {
  const auto it = refused_.find(DenyKey(root, upperPath));
  return it == refused_.end() ? Refusal::None : it->second;
}

SimRegistry::Refusal SimRegistry::refusalOf(const Node* node) const {
  if (refused_.empty()) return Refusal::None;
  return refusalOf(node->root, upperPathOf(node));
}

void SimRegistry::denyAccess(RootKey root, std::string_view path) {
  refuse(root, path, Refusal::All);
}

void SimRegistry::denyWrite(RootKey root, std::string_view path) {
  refuse(root, path, Refusal::Write);
}

void SimRegistry::denyRead(RootKey root, std::string_view path) {
  refuse(root, path, Refusal::Read);
}

void SimRegistry::refuse(RootKey root, std::string_view path, Refusal refusal) {
  std::string upper;
  for (const auto& part : SplitPath(path)) upper += (upper.empty() ? "" : "\\") + UpperAscii(part);
  std::lock_guard lock(mutex_);
  refused_[DenyKey(root, upper)] = refusal;
}

void SimRegistry::allowAccess(RootKey root, std::string_view path) {
  std::string upper;
  for (const auto& part : SplitPath(path)) upper += (upper.empty() ? "" : "\\") + UpperAscii(part);
  std::lock_guard lock(mutex_);
  refused_.erase(DenyKey(root, upper));
}

// ---- tree -------------------------------------------------------------------

SimRegistry::NodePtr SimRegistry::find(const NodePtr& base, const Parts& parts, bool followLast,
                                       int hops) const {
  NodePtr node = base;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const auto it = node->children.find(UpperUnits(parts[i]));
    if (it == node->children.end()) return nullptr;
    node = it->second;
    if (node->linkTo && (followLast || i + 1 < parts.size())) {
      if (hops >= kMaxLinkHops) return nullptr;
      node = find(roots_[static_cast<std::size_t>(node->linkTo->first)],
                  ExactParts(node->linkTo->second), true, hops + 1);
      if (!node) return nullptr;
    }
  }
  return node;
}

void SimRegistry::addLink(RootKey root, std::string_view path, RootKey targetRoot,
                          std::string_view target) {
  std::lock_guard lock(mutex_);
  linkLocked(root, path, targetRoot, target);
}

void SimRegistry::linkLocked(RootKey root, std::string_view path, RootKey targetRoot,
                             std::string_view target) {
  auto node = createFrom(roots_[static_cast<std::size_t>(root)], ExactParts(path), false);
  if (!node) return;
  (*node)->linkTo.emplace(targetRoot, std::string(target));
  const std::string text =
      std::string(platform::RootKeyName(targetRoot)) + "\\" + std::string(target);
  const std::vector<std::uint8_t> data = Utf8ToUtf16Le(text);
  writeValueLocked(**node, u"SymbolicLinkValue",
                   static_cast<std::uint32_t>(platform::RegType::Link), data);
}

Result<SimRegistry::NodePtr> SimRegistry::createLocked(RootKey root, std::string_view path,
                                                       bool wtf8) {
  return createFrom(roots_[static_cast<std::size_t>(root)], ExactParts(path, wtf8));
}

Result<SimRegistry::NodePtr> SimRegistry::createFrom(const NodePtr& base, const Parts& parts,
                                                     bool followLast, int hops) {
  NodePtr node = base;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const std::u16string& part = parts[i];
    const RootKey root = node->root;
    if (part.size() > kMaxKeyNameLength) {
      return Fail(Errc::InvalidArgument, "create key", Utf16ToUtf8(part));
    }
    const std::u16string upper = UpperUnits(part);
    auto it = node->children.find(upper);
    if (it == node->children.end()) {
      if (refusalOf(node.get()) != Refusal::None) {
        return Fail(Errc::AccessDenied, "create key", fullPathOf(node.get()));
      }
      auto child = std::make_shared<Node>();
      child->name = part;
      child->parent = node.get();
      child->root = root;
      it = node->children.emplace(upper, std::move(child)).first;
    }
    node = it->second;
    // As the system does, a key is created through a registry link on its
    // way, and the link's target with it.
    if (node->linkTo && (followLast || i + 1 < parts.size())) {
      if (hops >= kMaxLinkHops) return Fail(Errc::NotFound, "create key", fullPathOf(node.get()));
      auto target = createFrom(roots_[static_cast<std::size_t>(node->linkTo->first)],
                               ExactParts(node->linkTo->second), true, hops + 1);
      if (!target) return target;
      node = *target;
    }
  }
  return node;
}

void SimRegistry::DetachTree(const NodePtr& node) {
  // Iterative, so that deep chains neither recurse here nor in the
  // destructors (each node is freed with its children already gone).
  std::vector<NodePtr> all{node};
  for (std::size_t i = 0; i < all.size(); ++i) {
    for (auto& entry : all[i]->children) all.push_back(entry.second);
  }
  if (node->parent != nullptr) node->parent->children.erase(UpperUnits(node->name));
  for (const auto& n : all) {
    n->deleted = true;
    n->parent = nullptr;
    n->children.clear();
  }
}

RegKey SimRegistry::makeHandle(const NodePtr& node, RegAccess access,
                               std::optional<std::string> path32) {
  const std::uintptr_t id = nextHandle_;
  nextHandle_ += 4;
  handles_.emplace(id, OpenKey{node, access, std::move(path32)});
  return RegKey(this, id);
}

// ---- the two views ------------------------------------------------------------

void SimRegistry::modelTwoViews(bool program64Bit) {
  std::lock_guard lock(mutex_);
  twoViews_ = true;
  program64_ = program64Bit;
  // The 32-bit programs' classes lie below Software\Classes\Wow6432Node;
  // the system links the place where their view names them to there.
  linkLocked(RootKey::LocalMachine, "Software\\Wow6432Node\\Classes", RootKey::LocalMachine,
             "Software\\Classes\\Wow6432Node");
}

void SimRegistry::shareKey(std::string_view path) {
  std::vector<std::string> parts = SplitPath(path);
  for (auto& part : parts) part = UpperAscii(part);
  std::lock_guard lock(mutex_);
  sharedKeys_.push_back(std::move(parts));
}

std::string SimRegistry::treePath32(std::string_view path) const {
  std::vector<std::string> parts = SplitPath(path);
  auto upper = [&](std::size_t i) { return UpperAscii(parts[i]); };
  if (parts.empty() || upper(0) != "SOFTWARE") return std::string(path);
  if (parts.size() >= 2 && upper(1) == "WOW6432NODE") return std::string(path);
  for (const auto& shared : sharedKeys_) {
    if (shared.size() > parts.size()) continue;
    bool below = true;
    for (std::size_t i = 0; i < shared.size() && below; ++i) below = upper(i) == shared[i];
    if (below) return std::string(path);
  }
  std::string mapped = parts[0] + "\\Wow6432Node";
  for (std::size_t i = 1; i < parts.size(); ++i) mapped += "\\" + parts[i];
  return mapped;
}

Result<RegKey> SimRegistry::open32(std::string path, RegAccess access, std::string_view what,
                                   bool wtf8) {
  auto key = openFrom(roots_[static_cast<std::size_t>(RootKey::LocalMachine)], treePath32(path),
                      access, what, wtf8);
  if (key) handles_.at(key->handle()).path32 = std::move(path);
  return key;
}

Result<SimRegistry::OpenKey> SimRegistry::lookup(const RegKey& key, std::string_view op) const {
  const auto it = handles_.find(key.handle());
  if (!key.valid() || it == handles_.end()) return Fail(Errc::InvalidArgument, op, "");
  if (it->second.node->deleted) return Fail(Errc::NotFound, op, "");
  return it->second;
}

void SimRegistry::close(std::uintptr_t handle) noexcept {
  std::lock_guard lock(mutex_);
  handles_.erase(handle);
}

// ---- the port -----------------------------------------------------------------

Result<RegKey> SimRegistry::openFrom(const NodePtr& base, std::string_view path, RegAccess access,
                                     std::string_view what, bool wtf8) {
  NodePtr node = find(base, ExactParts(path, wtf8),
                      access != RegAccess::ReadNoFollow && access != RegAccess::FullNoFollow);
  if (!node) return Fail(Errc::NotFound, "open key", what);
  const Refusal refusal = refusalOf(node.get());
  if (refusal == Refusal::All || refusal == Refusal::Read ||
      (refusal == Refusal::Write && Writable(access))) {
    return Fail(Errc::AccessDenied, "open key", what);
  }
  return makeHandle(node, access);
}

Result<RegKey> SimRegistry::open(RootKey root, std::string_view path, RegAccess access,
                                 platform::RegView view) {
  const std::string what = std::string(platform::RootKeyName(root)) + "\\" + std::string(path);
  if (auto e = faults_->checkError(PortMethod::RegistryOpen, "open key", what)) return *e;
  std::lock_guard lock(mutex_);
  const bool view32 =
      view == platform::RegView::Bits32 || (view == platform::RegView::Default && !program64_);
  if (twoViews_ && view32 && root == RootKey::LocalMachine) {
    return open32(std::string(path), access, what);
  }
  return openFrom(roots_[static_cast<std::size_t>(root)], path, access, what);
}

Result<RegKey> SimRegistry::openSub(const RegKey& parent, std::string_view path, RegAccess access) {
  std::lock_guard lock(mutex_);
  auto base = lookup(parent, "open key");
  if (!base) return base.error();
  const std::string what = fullPathOf(base->node.get()) + "\\" + std::string(path);
  if (auto e = faults_->checkError(PortMethod::RegistryOpen, "open key", what)) return *e;
  if (base->path32) {
    std::string below = *base->path32;
    if (!below.empty()) below += '\\';
    below += path;
    return open32(std::move(below), access, what);
  }
  return openFrom(base->node, path, access, what);
}

Result<RegKey> SimRegistry::openSubExact(const RegKey& parent, std::u16string_view exactPath,
                                         RegAccess access) {
  std::lock_guard lock(mutex_);
  auto base = lookup(parent, "open key");
  if (!base) return base.error();
  const std::string path = Utf16ToWtf8(exactPath);
  const std::string what = fullPathOf(base->node.get()) + "\\" + Utf16ToUtf8(exactPath);
  if (auto e = faults_->checkError(PortMethod::RegistryOpen, "open key", what)) return *e;
  // The system's call takes a NUL-terminated path.
  if (exactPath.find(u'\0') != std::u16string_view::npos) {
    return Fail(Errc::NotSupported, "open key", what);
  }
  if (base->path32) {
    std::string below = *base->path32;
    if (!below.empty()) below += '\\';
    below += path;
    return open32(std::move(below), access, what, true);
  }
  return openFrom(base->node, path, access, what, true);
}

Result<RegKey> SimRegistry::create(RootKey root, std::string_view path) {
  const std::string what = std::string(platform::RootKeyName(root)) + "\\" + std::string(path);
  if (auto e = faults_->checkError(PortMethod::RegistryCreate, "create key", what)) return *e;
  std::lock_guard lock(mutex_);
  auto node = createLocked(root, path);
  if (!node) return Error{node.error().code, "create key", what};
  if (refusalOf(node->get()) != Refusal::None) return Fail(Errc::AccessDenied, "create key", what);
  return makeHandle(*node, RegAccess::Full);
}

Result<std::vector<std::string>> SimRegistry::subKeyNames(const RegKey& key) {
  std::lock_guard lock(mutex_);
  auto open = lookup(key, "list keys");
  if (!open) return open.error();
  const std::string what = fullPathOf(open->node.get());
  if (auto e = faults_->checkError(PortMethod::RegistryEnumKeys, "list keys", what)) return *e;
  std::vector<std::string> names;
  names.reserve(open->node->children.size());
  for (const auto& entry : open->node->children) {
    names.push_back(Utf16ToUtf8(entry.second->name));
  }
  return names;
}

Result<std::vector<std::u16string>> SimRegistry::exactSubKeyNames(const RegKey& key) {
  std::lock_guard lock(mutex_);
  auto open = lookup(key, "list keys");
  if (!open) return open.error();
  const std::string what = fullPathOf(open->node.get());
  if (auto e = faults_->checkError(PortMethod::RegistryEnumKeys, "list keys", what)) return *e;
  std::vector<std::u16string> names;
  names.reserve(open->node->children.size());
  for (const auto& entry : open->node->children) names.push_back(entry.second->name);
  return names;
}

Result<std::vector<RegValue>> SimRegistry::values(const RegKey& key) {
  std::lock_guard lock(mutex_);
  auto open = lookup(key, "list values");
  if (!open) return open.error();
  const std::string what = fullPathOf(open->node.get());
  if (auto e = faults_->checkError(PortMethod::RegistryEnumValues, "list values", what)) return *e;
  return open->node->values;
}

Result<platform::RegKeyInfo> SimRegistry::info(const RegKey& key) {
  std::lock_guard lock(mutex_);
  auto open = lookup(key, "query key");
  if (!open) return open.error();
  const std::string what = fullPathOf(open->node.get());
  if (auto e = faults_->checkError(PortMethod::RegistryInfo, "query key", what)) return *e;
  platform::RegKeyInfo result;
  result.subKeyCount = static_cast<std::uint32_t>(open->node->children.size());
  result.valueCount = static_cast<std::uint32_t>(open->node->values.size());
  return result;
}

Result<bool> SimRegistry::isLink(const RegKey& key) {
  std::lock_guard lock(mutex_);
  auto open = lookup(key, "query key");
  if (!open) return open.error();
  return open->node->linkTo.has_value();
}

Result<RegValue> SimRegistry::readValue(const RegKey& key, std::string_view name) {
  std::lock_guard lock(mutex_);
  auto open = lookup(key, "read value");
  if (!open) return open.error();
  const std::string what = fullPathOf(open->node.get()) + "\\" + std::string(name);
  if (auto e = faults_->checkError(PortMethod::RegistryReadValue, "read value", what)) return *e;
  // As the system's call reads a name: up to its first NUL.
  const auto it = FindValue(open->node->values, platform::ExactNameOf(name));
  if (it != open->node->values.end()) return *it;
  return Fail(Errc::NotFound, "read value", what);
}

void SimRegistry::writeValueLocked(Node& node, std::u16string_view exactName, std::uint32_t type,
                                   std::vector<std::uint8_t> data) {
  if (const auto it = FindValue(node.values, exactName); it != node.values.end()) {
    it->type = type;
    it->data = std::move(data);
    return;
  }
  node.values.push_back(
      RegValue{Utf16ToUtf8(exactName), type, std::move(data), std::u16string(exactName)});
}

Status SimRegistry::writeValue(const RegKey& key, std::string_view name, std::uint32_t type,
                               std::span<const std::uint8_t> data) {
  std::lock_guard lock(mutex_);
  auto open = lookup(key, "write value");
  if (!open) return open.error();
  const std::string what = fullPathOf(open->node.get()) + "\\" + std::string(name);
  if (auto e = faults_->checkError(PortMethod::RegistryWriteValue, "write value", what)) return *e;
  if (!Writable(open->access)) return Fail(Errc::AccessDenied, "write value", what);
  writeValueLocked(*open->node, platform::ExactNameOf(name), type,
                   std::vector<std::uint8_t>(data.begin(), data.end()));
  return Status::Ok();
}

Status SimRegistry::deleteValue(const RegKey& key, std::string_view name) {
  return deleteValueExact(key, platform::ExactNameOf(name));
}

Status SimRegistry::deleteValueExact(const RegKey& key, std::u16string_view exactName) {
  std::lock_guard lock(mutex_);
  auto open = lookup(key, "delete value");
  if (!open) return open.error();
  const std::string what = fullPathOf(open->node.get()) + "\\" + Utf16ToUtf8(exactName);
  if (auto e = faults_->checkError(PortMethod::RegistryDeleteValue, "delete value", what))
    return *e;
  // The system's call takes a NUL-terminated name.
  if (exactName.find(u'\0') != std::u16string_view::npos) {
    return Fail(Errc::NotSupported, "delete value", what);
  }
  if (!Writable(open->access)) return Fail(Errc::AccessDenied, "delete value", what);
  auto& values = open->node->values;
  const auto it = FindValue(values, exactName);
  if (it == values.end()) return Fail(Errc::NotFound, "delete value", what);
  values.erase(it);
  return Status::Ok();
}

Status SimRegistry::deleteTree(const RegKey& parent, std::string_view subKey) {
  std::lock_guard lock(mutex_);
  return deleteTreeAt(parent, ExactParts(subKey), subKey);
}

Status SimRegistry::deleteTreeExact(const RegKey& parent, std::u16string_view exactName) {
  std::lock_guard lock(mutex_);
  const std::string name = Utf16ToUtf8(exactName);
  if (exactName.empty()) return Fail(Errc::InvalidArgument, "delete key", name);
  if (exactName.find(u'\0') != std::u16string_view::npos) {
    // Checked after the fault plan, as the system's call would be made.
    if (auto open = lookup(parent, "delete key"); !open) return open.error();
    if (auto e = faults_->checkError(PortMethod::RegistryDeleteTree, "delete key", name)) return *e;
    return Fail(Errc::NotSupported, "delete key", name);
  }
  return deleteTreeAt(parent, Parts{std::u16string(exactName)}, name);
}

Status SimRegistry::deleteTreeAt(const RegKey& parent, const Parts& parts,
                                 std::string_view subKey) {
  auto open = lookup(parent, "delete key");
  if (!open) return open.error();
  const std::string what = fullPathOf(open->node.get()) + "\\" + std::string(subKey);
  if (auto e = faults_->checkError(PortMethod::RegistryDeleteTree, "delete key", what)) return *e;
  if (!Writable(open->access)) return Fail(Errc::AccessDenied, "delete key", what);
  // A link goes as the link; what it points to stays.
  NodePtr target = find(open->node, parts, false);
  if (!target) return Fail(Errc::NotFound, "delete key", what);

  // A refused key anywhere below stops the deletion before anything goes;
  // one refused only to readers goes with the rest.
  if (!refused_.empty()) {
    std::vector<const Node*> stack{target.get()};
    while (!stack.empty()) {
      const Node* n = stack.back();
      stack.pop_back();
      const Refusal refusal = refusalOf(n);
      if (refusal != Refusal::None && refusal != Refusal::Read) {
        return Fail(Errc::AccessDenied, "delete key", what);
      }
      for (const auto& entry : n->children) stack.push_back(entry.second.get());
    }
  }
  if (target == open->node) {
    // No sub-key named: the key stays, its contents go.
    std::vector<NodePtr> children;
    for (const auto& entry : target->children) children.push_back(entry.second);
    for (const auto& child : children) DetachTree(child);
    target->values.clear();
    return Status::Ok();
  }
  if (target->parent == nullptr) return Fail(Errc::AccessDenied, "delete key", what);
  DetachTree(target);
  return Status::Ok();
}

std::string SimRegistry::saveTextLocked(const NodePtr& node) const {
  std::string out = RegFileHeaderLine(RegFileForm::Unicode);
  // Paths are built on the way down, not walked up again for each key.
  std::vector<std::pair<const Node*, std::string>> stack{{node.get(), fullPathOf(node.get())}};
  while (!stack.empty()) {
    auto [n, path] = std::move(stack.back());
    stack.pop_back();
    for (auto it = n->children.rbegin(); it != n->children.rend(); ++it) {
      stack.emplace_back(it->second.get(), path + "\\" + Utf16ToUtf8(it->second->name));
    }
    AppendRegKeyLine(out, path);
    for (const RegValue& value : n->values) {
      AppendRegValueLine(out, value.name, value.type, value.data, RegFileLayout::Regedit5);
    }
  }
  out += "\r\n";
  return out;
}

Status SimRegistry::saveKey(const RegKey& key, std::string_view file) {
  std::string text;
  platform::FileSystem* files = nullptr;
  {
    std::lock_guard lock(mutex_);
    auto open = lookup(key, "save key");
    if (!open) return open.error();
    if (auto e = faults_->checkError(PortMethod::RegistrySaveKey, "save key", file)) return *e;
    if (files_ == nullptr) return Fail(Errc::NotSupported, "save key", file);
    text = saveTextLocked(open->node);
    files = files_;
  }
  if (files->fileExists(file)) return Fail(Errc::AlreadyExists, "save key", file);
  auto out = files->open(file, platform::FileOpen::CreateAlways, platform::FileShare::None);
  if (!out) return out.error();
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
  if (auto st = (*out)->write({bytes, text.size()}); !st) return st;
  return (*out)->flush();
}

Status SimRegistry::replaceKey(RootKey root, std::string_view path, std::string_view newFile,
                               std::string_view oldFile) {
  const std::string what = std::string(platform::RootKeyName(root)) + "\\" + std::string(path);
  if (auto e = faults_->checkError(PortMethod::RegistryReplaceKey, "replace key", what)) return *e;
  platform::FileSystem* files = nullptr;
  {
    std::lock_guard lock(mutex_);
    if (!find(roots_[static_cast<std::size_t>(root)], ExactParts(path))) {
      return Fail(Errc::NotFound, "replace key", what);
    }
    files = files_;
  }
  if (files != nullptr && !files->fileExists(newFile)) {
    return Fail(Errc::NotFound, "replace key", newFile);
  }
  std::lock_guard lock(mutex_);
  replacements_.push_back(
      HiveReplacement{root, std::string(path), std::string(newFile), std::string(oldFile)});
  return Status::Ok();
}

// ---- test helpers ---------------------------------------------------------------

RegLoadReport SimRegistry::apply(const RegFileParse& parsed) {
  RegLoadReport report;
  report.headerFound = parsed.headerFound;
  report.skippedLines = parsed.skippedLines;
  std::lock_guard lock(mutex_);
  // Loading is set-up: refusals do not apply.
  auto saved = std::move(refused_);
  refused_.clear();
  // The last key block, so that a deep chain of blocks is not walked from
  // the root each time.
  NodePtr lastNode;
  std::string lastPath;
  for (const RegFileOp& op : parsed.ops) {
    const auto portRoot = platform::ToPortRoot(op.root);
    if (!portRoot) {
      // HKEY_PERFORMANCE_DATA and HKEY_DYN_DATA hold nothing here: their
      // lines count as skipped.
      ++report.skippedLines;
      continue;
    }
    const RootKey opRoot = *portRoot;
    const NodePtr& root = roots_[static_cast<std::size_t>(opRoot)];
    switch (op.kind) {
      case RegFileOp::Kind::CreateKey: {
        Result<NodePtr> node = Error{};
        if (lastNode && lastNode->root == opRoot && op.path.size() > lastPath.size() &&
            StartsWith(op.path, lastPath) && op.path[lastPath.size()] == '\\') {
          node = createFrom(lastNode,
                            ExactParts(std::string_view(op.path).substr(lastPath.size()), true));
        } else {
          node = createLocked(opRoot, op.path, true);
        }
        if (node) {
          ++report.keysCreated;
          lastNode = *node;
          lastPath = op.path;
        }
        break;
      }
      case RegFileOp::Kind::DeleteKey:
        lastNode.reset();
        if (NodePtr node = find(root, ExactParts(op.path, true)); node && node->parent != nullptr) {
          DetachTree(node);
          ++report.keysDeleted;
        }
        break;
      case RegFileOp::Kind::SetValue:
        if (auto node = createLocked(opRoot, op.path, true)) {
          writeValueLocked(**node, FileName(op.value.name), op.value.type, op.value.data);
          ++report.valuesSet;
        }
        break;
      case RegFileOp::Kind::DeleteValue:
        if (NodePtr node = find(root, ExactParts(op.path, true))) {
          auto& values = node->values;
          const auto it = FindValue(values, FileName(op.value.name));
          if (it != values.end()) {
            values.erase(it);
            ++report.valuesDeleted;
          }
        }
        break;
    }
  }
  refused_ = std::move(saved);
  return report;
}

RegLoadReport SimRegistry::loadRegText(std::string_view text) {
  return apply(ParseRegFile(text));
}

RegLoadReport SimRegistry::loadRegFile(std::span<const std::uint8_t> bytes) {
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    return apply(ParseRegFile(Utf16ToWtf8(Utf16LeUnits(bytes.subspan(2)))));
  }
  return apply(ParseRegFile(DecodeRegFileBytes(bytes)));
}

Result<std::string> SimRegistry::saveRegText(RootKey root, std::string_view path) {
  std::lock_guard lock(mutex_);
  NodePtr node = find(roots_[static_cast<std::size_t>(root)], ExactParts(path));
  if (!node) return Fail(Errc::NotFound, "save key", path);
  return saveTextLocked(node);
}

bool SimRegistry::keyExists(RootKey root, std::string_view path) {
  std::lock_guard lock(mutex_);
  return find(roots_[static_cast<std::size_t>(root)], ExactParts(path, true)) != nullptr;
}

bool SimRegistry::createExactKey(RootKey root, std::string_view parentPath,
                                 std::u16string_view exactName) {
  std::lock_guard lock(mutex_);
  Parts parts = ExactParts(parentPath, true);
  parts.emplace_back(exactName);
  return createFrom(roots_[static_cast<std::size_t>(root)], parts).ok();
}

bool SimRegistry::readAllowed(RootKey root, std::string_view path) {
  std::lock_guard lock(mutex_);
  const NodePtr node = find(roots_[static_cast<std::size_t>(root)], ExactParts(path, true));
  if (node == nullptr) return false;
  const Refusal refusal = refusalOf(node.get());
  return refusal == Refusal::None || refusal == Refusal::Write;
}

std::optional<RegValue> SimRegistry::value(RootKey root, std::string_view path,
                                           std::string_view name) {
  return exactValue(root, path, platform::ExactNameOf(name));
}

std::optional<RegValue> SimRegistry::exactValue(RootKey root, std::string_view path,
                                                std::u16string_view exactName) {
  std::lock_guard lock(mutex_);
  NodePtr node = find(roots_[static_cast<std::size_t>(root)], ExactParts(path, true));
  if (!node) return std::nullopt;
  const auto it = FindValue(node->values, exactName);
  if (it == node->values.end()) return std::nullopt;
  return *it;
}

bool SimRegistry::writeExactValue(RootKey root, std::string_view path,
                                  std::u16string_view exactName, std::uint32_t type,
                                  std::span<const std::uint8_t> data) {
  std::lock_guard lock(mutex_);
  auto node = createLocked(root, path, true);
  if (!node) return false;
  writeValueLocked(**node, exactName, type, std::vector<std::uint8_t>(data.begin(), data.end()));
  return true;
}

std::vector<HiveReplacement> SimRegistry::replacements() const {
  std::lock_guard lock(mutex_);
  return replacements_;
}

std::size_t SimRegistry::openHandleCount() const {
  std::lock_guard lock(mutex_);
  return handles_.size();
}

}  // namespace nc::sim
