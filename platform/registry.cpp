#include "platform/registry.h"

#include "core/text.h"

namespace nc::platform {

namespace {
void AppendUtf16(std::vector<std::uint8_t>& out, std::string_view text) {
  const auto bytes = Utf8ToUtf16Le(text);
  out.insert(out.end(), bytes.begin(), bytes.end());
}
}  // namespace

const char* RootKeyName(RootKey root) {
  return nc::RootKeyName(ToPredefinedRoot(root));
}

std::optional<RootKey> RootKeyFromName(std::string_view name) {
  const auto root = PredefinedRootFromName(name);
  return root ? ToPortRoot(*root) : std::nullopt;
}

PredefinedRoot ToPredefinedRoot(RootKey root) {
  switch (root) {
    case RootKey::ClassesRoot:
      return PredefinedRoot::ClassesRoot;
    case RootKey::CurrentUser:
      return PredefinedRoot::CurrentUser;
    case RootKey::LocalMachine:
      return PredefinedRoot::LocalMachine;
    case RootKey::Users:
      return PredefinedRoot::Users;
    case RootKey::CurrentConfig:
      return PredefinedRoot::CurrentConfig;
  }
  return PredefinedRoot::LocalMachine;
}

std::optional<RootKey> ToPortRoot(PredefinedRoot root) {
  switch (root) {
    case PredefinedRoot::ClassesRoot:
      return RootKey::ClassesRoot;
    case PredefinedRoot::CurrentUser:
      return RootKey::CurrentUser;
    case PredefinedRoot::LocalMachine:
      return RootKey::LocalMachine;
    case PredefinedRoot::Users:
      return RootKey::Users;
    case PredefinedRoot::CurrentConfig:
      return RootKey::CurrentConfig;
    case PredefinedRoot::PerformanceData:
    case PredefinedRoot::DynData:
      return std::nullopt;
  }
  return std::nullopt;
}

RegKey::RegKey(RegKey&& other) noexcept : owner_(other.owner_), handle_(other.handle_) {
  other.owner_ = nullptr;
  other.handle_ = 0;
}

RegKey& RegKey::operator=(RegKey&& other) noexcept {
  if (this != &other) {
    reset();
    owner_ = other.owner_;
    handle_ = other.handle_;
    other.owner_ = nullptr;
    other.handle_ = 0;
  }
  return *this;
}

RegKey::~RegKey() {
  reset();
}

void RegKey::reset() noexcept {
  if (owner_ != nullptr) owner_->close(handle_);
  owner_ = nullptr;
  handle_ = 0;
}

std::u16string ExactNameOf(std::string_view name) {
  return Utf8ToUtf16(name.substr(0, name.find('\0')));
}

bool IsWholeText(std::u16string_view exactName) {
  if (exactName.find(u'\0') != std::u16string_view::npos) return false;
  return Utf8ToUtf16(Utf16ToUtf8(exactName)) == exactName;
}

Result<RegValue> ReadExactValue(Registry& registry, const RegKey& key,
                                std::u16string_view exactName) {
  // Whole text names the value itself when asked for by its text.
  if (IsWholeText(exactName)) return registry.readValue(key, Utf16ToUtf8(exactName));
  auto values = registry.values(key);
  if (!values) return values.error();
  for (RegValue& value : *values) {
    if (value.exactName == exactName) return std::move(value);
  }
  return Error{Errc::NotFound, "read value", Utf16ToUtf8(exactName)};
}

bool IsStringType(std::uint32_t type) {
  return type == static_cast<std::uint32_t>(RegType::String) ||
         type == static_cast<std::uint32_t>(RegType::ExpandString);
}

std::optional<std::string> ValueText(const RegValue& value) {
  if (!IsStringType(value.type)) return std::nullopt;
  std::u16string units = Utf16LeUnits(value.data);
  const auto nul = units.find(u'\0');
  if (nul != std::u16string::npos) units.resize(nul);
  return Utf16ToUtf8(units);
}

std::vector<std::string> ValueStrings(const RegValue& value) {
  std::vector<std::string> strings;
  if (value.type != static_cast<std::uint32_t>(RegType::MultiString)) return strings;
  const std::u16string units = Utf16LeUnits(value.data);
  std::size_t start = 0;
  while (start < units.size()) {
    auto end = units.find(u'\0', start);
    if (end == std::u16string::npos) end = units.size();
    if (end == start) break;  // the empty string that ends the list
    strings.push_back(Utf16ToUtf8(std::u16string_view(units).substr(start, end - start)));
    start = end + 1;
  }
  return strings;
}

std::optional<std::uint32_t> ValueDword(const RegValue& value) {
  if (value.type != static_cast<std::uint32_t>(RegType::Dword) &&
      value.type != static_cast<std::uint32_t>(RegType::Binary)) {
    return std::nullopt;
  }
  if (value.data.empty() || value.data.size() > 4) return std::nullopt;
  std::uint32_t result = 0;
  for (std::size_t i = 0; i < value.data.size(); ++i) {
    result |= static_cast<std::uint32_t>(value.data[i]) << (8 * i);
  }
  return result;
}

std::vector<std::uint8_t> StringData(std::string_view text) {
  std::vector<std::uint8_t> out;
  AppendUtf16(out, text);
  out.push_back(0);
  out.push_back(0);
  return out;
}

std::vector<std::uint8_t> MultiStringData(const std::vector<std::string>& strings) {
  std::vector<std::uint8_t> out;
  for (const auto& s : strings) {
    AppendUtf16(out, s);
    out.push_back(0);
    out.push_back(0);
  }
  out.push_back(0);
  out.push_back(0);
  return out;
}

std::vector<std::uint8_t> DwordData(std::uint32_t value) {
  return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
          static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

std::string ReadStringValue(Registry& registry, RootKey root, std::string_view path,
                            std::string_view name) {
  auto key = registry.open(root, path, RegAccess::Read);
  if (!key) return {};
  auto value = registry.readValue(*key, name);
  if (!value) return {};
  return ValueText(*value).value_or(std::string());
}

Status WriteStringValue(Registry& registry, const RegKey& key, std::string_view name,
                        std::string_view text, RegType type) {
  const auto data = StringData(text);
  return registry.writeValue(key, name, static_cast<std::uint32_t>(type), data);
}

Status WriteDwordValue(Registry& registry, const RegKey& key, std::string_view name,
                       std::uint32_t value) {
  const auto data = DwordData(value);
  return registry.writeValue(key, name, static_cast<std::uint32_t>(RegType::Dword), data);
}

}  // namespace nc::platform
