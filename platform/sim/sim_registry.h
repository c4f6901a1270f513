// The substitute registry: an in-memory tree per root key.
//
// Key and value names match without regard to ASCII letter case and keep
// the case they were first written with. Key and value names are kept
// exactly, as counted UTF-16 units (a NUL or a lone surrogate half
// included); the calls that take a text name or path read it up to its
// first NUL, and list such names as text with a lone half shown as U+FFFD,
// as the system's do. Sub-keys enumerate sorted
// by their upper-cased names, values in creation order, as the system gives them. Handles are ids
// into a table of open keys; a key deleted while open makes further calls on its handle fail with
// NotFound. Keys can be refused (as for an account without rights) and every call consults the
// fault plan ("registry.open", "registry.create", "registry.enumKeys",
// "registry.enumValues", "registry.info", "registry.readValue",
// "registry.writeValue", "registry.deleteValue", "registry.deleteTree",
// "registry.saveKey", "registry.replaceKey").
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/reg_file.h"
#include "platform/filesystem.h"
#include "platform/registry.h"
#include "platform/sim/fault_plan.h"

namespace nc::sim {

// A hive replacement asked for with replaceKey.
struct HiveReplacement {
  platform::RootKey root = platform::RootKey::LocalMachine;
  std::string path;
  std::string newFile;
  std::string oldFile;
};

struct RegLoadReport {
  bool headerFound = false;
  std::size_t keysCreated = 0;
  std::size_t keysDeleted = 0;
  std::size_t valuesSet = 0;
  std::size_t valuesDeleted = 0;
  std::size_t skippedLines = 0;
};

class SimRegistry : public platform::Registry {
 public:
  // `faults` may be null: the registry then has a plan of its own.
  explicit SimRegistry(FaultPlan* faults = nullptr);
  ~SimRegistry() override;
  SimRegistry(const SimRegistry&) = delete;
  SimRegistry& operator=(const SimRegistry&) = delete;

  // ---- the port --------------------------------------------------------
  Result<platform::RegKey> open(platform::RootKey root, std::string_view path,
                                platform::RegAccess access,
                                platform::RegView view = platform::RegView::Default) override;
  Result<platform::RegKey> openSub(const platform::RegKey& parent, std::string_view path,
                                   platform::RegAccess access) override;
  Result<platform::RegKey> create(platform::RootKey root, std::string_view path) override;
  Result<std::vector<std::string>> subKeyNames(const platform::RegKey& key) override;
  Result<std::vector<std::u16string>> exactSubKeyNames(const platform::RegKey& key) override;
  Result<platform::RegKey> openSubExact(const platform::RegKey& parent,
                                        std::u16string_view exactPath,
                                        platform::RegAccess access) override;
  Result<std::vector<platform::RegValue>> values(const platform::RegKey& key) override;
  Result<platform::RegKeyInfo> info(const platform::RegKey& key) override;
  Result<bool> isLink(const platform::RegKey& key) override;
  Result<platform::RegValue> readValue(const platform::RegKey& key, std::string_view name) override;
  Status writeValue(const platform::RegKey& key, std::string_view name, std::uint32_t type,
                    std::span<const std::uint8_t> data) override;
  Status deleteValue(const platform::RegKey& key, std::string_view name) override;
  Status deleteValueExact(const platform::RegKey& key, std::u16string_view exactName) override;
  Status deleteTree(const platform::RegKey& parent, std::string_view subKey) override;
  Status deleteTreeExact(const platform::RegKey& parent, std::u16string_view exactName) override;
  // Writes the key's subtree as version-5 .reg text (UTF-8) through the
  // attached file system; AlreadyExists when the file exists, as the
  // system refuses to overwrite a hive file.
  Status saveKey(const platform::RegKey& key, std::string_view file) override;
  // Records the request (see replacements()); the key must exist, and
  // `newFile` too when a file system is attached.
  Status replaceKey(platform::RootKey root, std::string_view path, std::string_view newFile,
                    std::string_view oldFile) override;

  // ---- for tests and the substitute platform ----------------------------
  FaultPlan& faults() { return *faults_; }
  // The file system that saveKey writes to and replaceKey checks.
  void attachFiles(platform::FileSystem* files);

  // Opening the key (or creating it) fails with AccessDenied; denyWrite
  // refuses only full access, so reading still works.
  void denyAccess(platform::RootKey root, std::string_view path);
  void denyWrite(platform::RootKey root, std::string_view path);
  // Opening the key fails with AccessDenied, yet deleting a tree that
  // holds it succeeds, as with a key whose rights let the system's tree
  // deletion in but not a reader.
  void denyRead(platform::RootKey root, std::string_view path);
  void allowAccess(platform::RootKey root, std::string_view path);
  // Makes `path` a registry link to `target` (created when missing), as a
  // key made with REG_OPTION_CREATE_LINK and its "SymbolicLinkValue".
  void addLink(platform::RootKey root, std::string_view path, platform::RootKey targetRoot,
               std::string_view target);

  // Applies .reg text ("REGEDIT4" or version 5) or a file's bytes (UTF-16LE
  // with its byte-order mark, or 8-bit text). Malformed lines are skipped.
  // Names reach the registry unit for unit, as the registry editor reads a
  // UTF-16 file: a lone surrogate half stays one (the text is read as
  // Wtf8ToUtf16 reads it).
  RegLoadReport loadRegText(std::string_view text);
  RegLoadReport loadRegFile(std::span<const std::uint8_t> bytes);
  // Version-5 text of a key and everything below it; NotFound when the
  // key does not exist.
  Result<std::string> saveRegText(platform::RootKey root, std::string_view path);

  // The helpers below read their paths as Wtf8ToUtf16 does, so that a test
  // can name a key that text cannot (Utf16ToWtf8).
  bool keyExists(platform::RootKey root, std::string_view path);
  // Whether the existing key lets a reader open it (its refusals only; the
  // fault plan is not asked). False when the key does not exist.
  bool readAllowed(platform::RootKey root, std::string_view path);
  // Creates the key `exactName` below `parentPath` (and the parents).
  bool createExactKey(platform::RootKey root, std::string_view parentPath,
                      std::u16string_view exactName);
  std::optional<platform::RegValue> value(platform::RootKey root, std::string_view path,
                                          std::string_view name);
  // A value by its exact name, and one written under an exact name that
  // text cannot carry (as the system's native calls allow); the key is
  // created when missing.
  std::optional<platform::RegValue> exactValue(platform::RootKey root, std::string_view path,
                                               std::u16string_view exactName);
  bool writeExactValue(platform::RootKey root, std::string_view path, std::u16string_view exactName,
                       std::uint32_t type, std::span<const std::uint8_t> data);
  std::vector<HiveReplacement> replacements() const;
  std::size_t openHandleCount() const;

  // 64-bit Windows, with the program 64-bit or 32-bit: from then on keys
  // below HKEY_LOCAL_MACHINE\Software opened in the 32-bit view are those
  // below "Software\Wow6432Node", apart from the shared keys. Before, every
  // view is the one tree, as on 32-bit Windows. As on Windows,
  // "Software\Wow6432Node\Classes" becomes a registry link to
  // "Software\Classes\Wow6432Node", where the 32-bit classes are kept.
  void modelTwoViews(bool program64Bit);
  // A key below HKEY_LOCAL_MACHINE\Software that both views see.
  void shareKey(std::string_view path);

 protected:
  void close(std::uintptr_t handle) noexcept override;

 private:
  struct Node;
  using NodePtr = std::shared_ptr<Node>;
  // Exact names of a path, each upper-cased (ASCII) for matching.
  using Parts = std::vector<std::u16string>;
  struct Node {
    std::u16string name;
    Node* parent = nullptr;
    platform::RootKey root = platform::RootKey::CurrentUser;
    std::map<std::u16string, NodePtr> children;  // by upper-cased name: the enumeration order
    std::vector<platform::RegValue> values;      // creation order
    bool deleted = false;
    // A registry link: opening the key opens this key instead.
    std::optional<std::pair<platform::RootKey, std::string>> linkTo;
  };
  struct OpenKey {
    NodePtr node;
    platform::RegAccess access = platform::RegAccess::Read;
    // A key of HKEY_LOCAL_MACHINE opened in the 32-bit view: its path as
    // that view names it, from which keys below it are found again.
    std::optional<std::string> path32;
  };
  enum class Refusal { None, Write, Read, All };

  static std::vector<std::string> SplitPath(std::string_view path);
  // The exact names of a text path: up to its first NUL as the system's
  // calls read it, or, with `wtf8`, unit for unit (Wtf8ToUtf16).
  static Parts ExactParts(std::string_view path, bool wtf8 = false);
  static Parts SplitExact(std::u16string_view path);
  static std::string DenyKey(platform::RootKey root, std::string_view upperPath);
  std::string upperPathOf(const Node* node) const;
  std::string fullPathOf(const Node* node) const;
  Refusal refusalOf(const Node* node) const;
  void refuse(platform::RootKey root, std::string_view path, Refusal refusal);
  Refusal refusalOf(platform::RootKey root, const std::string& upperPath) const;

  // Links on the way are followed, the last one only with `followLast`; a
  // chain of more than kMaxLinkHops links finds nothing.
  NodePtr find(const NodePtr& base, const Parts& parts, bool followLast = true, int hops = 0) const;
  static constexpr int kMaxLinkHops = 16;
  // Creates missing keys; AccessDenied when a refused key is in the way.
  Result<NodePtr> createLocked(platform::RootKey root, std::string_view path, bool wtf8 = false);
  // Links on the way are followed, the last one only with `followLast`.
  Result<NodePtr> createFrom(const NodePtr& base, const Parts& parts, bool followLast = true,
                             int hops = 0);
  void linkLocked(platform::RootKey root, std::string_view path, platform::RootKey targetRoot,
                  std::string_view target);
  // Looks up an open handle; the error for a closed or deleted key.
  Result<OpenKey> lookup(const platform::RegKey& key, std::string_view op) const;
  platform::RegKey makeHandle(const NodePtr& node, platform::RegAccess access,
                              std::optional<std::string> path32 = std::nullopt);
  // Where `path` of HKEY_LOCAL_MACHINE lies in the tree when named in the
  // 32-bit view.
  std::string treePath32(std::string_view path) const;
  Result<platform::RegKey> open32(std::string path, platform::RegAccess access,
                                  std::string_view what, bool wtf8 = false);
  Result<platform::RegKey> openFrom(const NodePtr& base, std::string_view path,
                                    platform::RegAccess access, std::string_view what,
                                    bool wtf8 = false);
  Status deleteTreeAt(const platform::RegKey& parent, const Parts& parts, std::string_view what);
  static void DetachTree(const NodePtr& node);
  void writeValueLocked(Node& node, std::u16string_view exactName, std::uint32_t type,
                        std::vector<std::uint8_t> data);
  std::string saveTextLocked(const NodePtr& node) const;
  RegLoadReport apply(const RegFileParse& parsed);

  std::unique_ptr<FaultPlan> ownFaults_;
  FaultPlan* faults_;
  platform::FileSystem* files_ = nullptr;

  mutable std::mutex mutex_;
  std::vector<NodePtr> roots_;
  std::unordered_map<std::uintptr_t, OpenKey> handles_;
  std::uintptr_t nextHandle_ = 0x100;
  std::map<std::string, Refusal> refused_;
  std::vector<HiveReplacement> replacements_;
  bool twoViews_ = false;
  bool program64_ = false;
  std::vector<std::vector<std::string>> sharedKeys_;  // upper-cased parts
};

}  // namespace nc::sim
