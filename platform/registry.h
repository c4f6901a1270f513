// Registry port: keys and values of the Windows registry.
//
// Names and paths are UTF-8. A value name may hold what UTF-8 text cannot
// carry (a NUL, or one half of a surrogate pair: a known way to hide an
// entry from tools that read names as C strings), so a listed value also
// carries its exact name, the counted UTF-16 units the system keeps; a
// deletion that must hit the value shown goes by that name. Value data is
// kept as the system stores it
// for the wide functions: string types (REG_SZ, REG_EXPAND_SZ,
// REG_MULTI_SZ) are UTF-16LE bytes, usually with their terminating NUL.
// Use the helpers at the end of this header to read and write text.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/reg_file.h"
#include "core/result.h"

namespace nc::platform {

enum class RootKey : std::uint8_t {
  ClassesRoot,
  CurrentUser,
  LocalMachine,
  Users,
  CurrentConfig,
};

// "HKEY_CLASSES_ROOT" ... "HKEY_CURRENT_CONFIG".
const char* RootKeyName(RootKey root);
// The full root name, compared without regard to letter case; nullopt for
// anything else (abbreviations such as "HKLM" included).
std::optional<RootKey> RootKeyFromName(std::string_view name);

// Between the port's roots and the seven predefined roots of .reg files:
// HKEY_PERFORMANCE_DATA and HKEY_DYN_DATA are only named, never opened.
PredefinedRoot ToPredefinedRoot(RootKey root);
std::optional<RootKey> ToPortRoot(PredefinedRoot root);

enum class RegAccess : std::uint8_t {
  Read,          // query values, enumerate
  Full,          // also write, create and delete
  ReadNoFollow,  // as Read, but a registry link is opened as itself, never followed
  FullNoFollow,  // as Full, but a registry link is opened as itself, never followed
};

// The views of HKEY_LOCAL_MACHINE\Software on 64-bit Windows: 64-bit
// programs see their keys in one and 32-bit programs in the other (kept
// below "Software\Wow6432Node"), apart from keys the system shares between
// them. A key opened in a view keeps it for what is opened below it.
// Default is the view of the running program; the others are ignored
// where the system has only one view.
enum class RegView : std::uint8_t {
  Default,
  Bits64,
  Bits32,
};

// Registry value types, numbered as the system numbers them.
enum class RegType : std::uint32_t {
  None = 0,
  String = 1,
  ExpandString = 2,
  Binary = 3,
  Dword = 4,
  DwordBigEndian = 5,
  Link = 6,
  MultiString = 7,
  ResourceList = 8,
  FullResourceDescriptor = 9,
  ResourceRequirementsList = 10,
  Qword = 11,
};

struct RegValue {
  std::string name;  // "" is the key's default value; the text to show
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  // The name exactly as the system keeps it (values() and readValue()
  // fill it): the same as `name` unless that one could not carry it.
  std::u16string exactName{};
};

struct RegKeyInfo {
  std::uint32_t subKeyCount = 0;
  std::uint32_t valueCount = 0;
};

class Registry;

// An open key. Move-only; closes its handle when destroyed.
class RegKey {
 public:
  RegKey() = default;
  RegKey(Registry* owner, std::uintptr_t handle) : owner_(owner), handle_(handle) {}
  RegKey(RegKey&& other) noexcept;
  RegKey& operator=(RegKey&& other) noexcept;
  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;
  ~RegKey();

  bool valid() const { return owner_ != nullptr; }
  std::uintptr_t handle() const { return handle_; }

 private:
  void reset() noexcept;
  Registry* owner_ = nullptr;
  std::uintptr_t handle_ = 0;
};

class Registry {
 public:
  virtual ~Registry() = default;

  // Opens an existing key below a root, in `view`; an empty path opens the
  // root itself.
  [[nodiscard]] virtual Result<RegKey> open(RootKey root, std::string_view path, RegAccess access,
                                            RegView view = RegView::Default) = 0;
  // Opens an existing key below an open key, in the view of `parent`.
  [[nodiscard]] virtual Result<RegKey> openSub(const RegKey& parent, std::string_view path,
                                               RegAccess access) = 0;
  // Opens a key with full access, creating it and its missing parents.
  [[nodiscard]] virtual Result<RegKey> create(RootKey root, std::string_view path) = 0;

  // Names of the direct sub-keys, in the system's enumeration order.
  [[nodiscard]] virtual Result<std::vector<std::string>> subKeyNames(const RegKey& key) = 0;
  // The same names exactly as the system keeps them (counted UTF-16 units,
  // a lone surrogate half or a NUL included), where the text above shows
  // a lone half as U+FFFD.
  [[nodiscard]] virtual Result<std::vector<std::u16string>> exactSubKeyNames(const RegKey& key) = 0;
  // Opens the key below an open key whose path is these exact names, each
  // followed by a backslash but the last, in the view of `parent`.
  // NotSupported when a name holds a NUL: the system's call cannot be
  // given it.
  [[nodiscard]] virtual Result<RegKey> openSubExact(const RegKey& parent,
                                                    std::u16string_view exactPath,
                                                    RegAccess access) = 0;
  // All values with their data, in enumeration order.
  [[nodiscard]] virtual Result<std::vector<RegValue>> values(const RegKey& key) = 0;
  [[nodiscard]] virtual Result<RegKeyInfo> info(const RegKey& key) = 0;
  // Whether the key is a registry link; only a key opened with
  // ReadNoFollow or FullNoFollow can be one (others are already what the
  // link points to).
  [[nodiscard]] virtual Result<bool> isLink(const RegKey& key) = 0;

  // One value; NotFound when it does not exist.
  [[nodiscard]] virtual Result<RegValue> readValue(const RegKey& key, std::string_view name) = 0;
  [[nodiscard]] virtual Status writeValue(const RegKey& key, std::string_view name,
                                          std::uint32_t type,
                                          std::span<const std::uint8_t> data) = 0;
  [[nodiscard]] virtual Status deleteValue(const RegKey& key, std::string_view name) = 0;
  // Deletes the value of exactly this name (a RegValue's exactName);
  // NotFound when there is none. NotSupported, with nothing deleted, when
  // the system's call cannot be given the name (one that holds a NUL).
  [[nodiscard]] virtual Status deleteValueExact(const RegKey& key,
                                                std::u16string_view exactName) = 0;
  // Deletes `subKey` below `parent` with everything below it. Registry
  // links inside are removed, never followed.
  [[nodiscard]] virtual Status deleteTree(const RegKey& parent, std::string_view subKey) = 0;
  // The same for the sub-key of exactly this name; NotSupported, with
  // nothing deleted, for a name holding a NUL.
  [[nodiscard]] virtual Status deleteTreeExact(const RegKey& parent,
                                               std::u16string_view exactName) = 0;

  // Hives: save a key to a hive file; have the system replace the hive
  // of a loaded key by `newFile` at the next restart, keeping the old one
  // as `oldFile`.
  [[nodiscard]] virtual Status saveKey(const RegKey& key, std::string_view file) = 0;
  [[nodiscard]] virtual Status replaceKey(RootKey root, std::string_view path,
                                          std::string_view newFile, std::string_view oldFile) = 0;

 protected:
  friend class RegKey;
  virtual void close(std::uintptr_t handle) noexcept = 0;
};

// ---- text helpers over value bytes -------------------------------------

// The exact name a text name stands for, as the system's calls that take a
// NUL-terminated name see it: up to its first NUL.
std::u16string ExactNameOf(std::string_view name);

// The value of exactly this name, found among the key's values (a name
// that holds a NUL cannot be asked for directly); NotFound when none.
Result<RegValue> ReadExactValue(Registry& registry, const RegKey& key,
                                std::u16string_view exactName);
// Whether a name of counted units is whole text: no NUL and no lone
// surrogate half, so that UTF-8 text carries it.
bool IsWholeText(std::u16string_view exactName);

bool IsStringType(std::uint32_t type);
// The text of a REG_SZ or REG_EXPAND_SZ value up to its first NUL (a
// missing terminator is tolerated); nullopt for other types.
std::optional<std::string> ValueText(const RegValue& value);
// The strings of a REG_MULTI_SZ value.
std::vector<std::string> ValueStrings(const RegValue& value);
// A DWORD value (also a shorter binary one, zero-extended); nullopt for
// other types.
std::optional<std::uint32_t> ValueDword(const RegValue& value);
// UTF-16LE bytes of `text` with a terminating NUL.
std::vector<std::uint8_t> StringData(std::string_view text);
std::vector<std::uint8_t> MultiStringData(const std::vector<std::string>& strings);
std::vector<std::uint8_t> DwordData(std::uint32_t value);

// Convenience calls used throughout: read a string value (empty on any
// failure), write a string or DWORD value.
std::string ReadStringValue(Registry& registry, RootKey root, std::string_view path,
                            std::string_view name);
Status WriteStringValue(Registry& registry, const RegKey& key, std::string_view name,
                        std::string_view text, RegType type = RegType::String);
Status WriteDwordValue(Registry& registry, const RegKey& key, std::string_view name,
                       std::uint32_t value);

}  // namespace nc::platform
