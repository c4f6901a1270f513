// Folder walks keep their own stack of open folders, as the removal
// primitives do, and remove files only through DeleteFileLogged.
#include "cleaner/community/runner.h"

#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "cleaner/community/folder_match.h"
#include "cleaner/folder_guard.h"
#include "cleaner/remove_files.h"
#include "cleaner/remove_registry.h"
#include "core/text.h"

namespace nc::cleaner::community {

namespace {

// A folder as exclusions and the files already met compare it: by its
// identity where the system tells it, else by its path in upper case.
struct FolderRef {
  std::optional<platform::FolderIdentity> id;
  std::string upper;  // with trailing backslash
};

FolderRef RefOf(platform::FileSystem& files, std::string_view folder) {
  FolderRef ref;
  if (auto id = files.folderIdentity(folder)) ref.id = *id;
  ref.upper = UpperAscii(WithTrailingBackslash(folder));
  return ref;
}

bool SameFolder(const FolderRef& a, const FolderRef& b) {
  if (a.id && b.id) return *a.id == *b.id;
  return a.upper == b.upper;
}

// The files an ExcludeKey keeps in one of the folders it stands for.
struct KeptFiles {
  ExclusionKind kind = ExclusionKind::File;  // File: the folder only; Path: and below
  FolderRef folder;
  const std::vector<std::string>* patterns = nullptr;
};
using KeptList = std::vector<const KeptFiles*>;

bool MatchesAny(const std::vector<std::string>& patterns, std::string_view name) {
  for (const std::string& pattern : patterns) {
    if (MatchesPattern(pattern, name)) return true;
  }
  return false;
}

// `inner` is `outer` or lies below it.
bool KeyHolds(const RegistryPath& outer, const RegistryPath& inner) {
  return outer.root == inner.root && (EqualsNoCase(outer.keyPath, inner.keyPath) ||
                                      StartsWithNoCase(inner.keyPath, outer.keyPath + "\\"));
}

// Whether removing what `rule` names would remove what `kept` keeps.
bool RemovesKept(const RegistryRule& rule, const RegistryRule& kept) {
  if (!rule.valueName) return KeyHolds(rule.key, kept.key);
  if (!KeyHolds(kept.key, rule.key)) return false;
  if (!kept.valueName) return true;
  return EqualsNoCase(kept.key.keyPath, rule.key.keyPath) &&
         EqualsNoCase(*kept.valueName, *rule.valueName);
}

// Whether a rule that reaches below its folder or not is refused in a
// folder judged so.
bool RefusedFolder(const FolderJudgement& judged, bool recursive) {
  using Standing = FolderJudgement::Standing;
  switch (judged.standing) {
    case Standing::Plain:
      return false;
    case Standing::Unknown:
    case Standing::Within:
      return true;
    case Standing::Is:
      return recursive || judged.folder == GuardedFolder::Program;
    case Standing::Holds:
      return recursive;
  }
  return true;
}

// "is the profile folder" from "it is the profile folder".
std::string WhatItIs(const FolderJudgement& judged) {
  std::string reason = judged.Reason();
  if (StartsWith(reason, "it ")) reason.erase(0, 3);
  return reason;
}

// One open folder of a rule's walk.
struct Frame {
  std::string path;  // with trailing backslash
  KeptList kept;     // the exclusions that keep files here
  std::vector<std::string> subFolders;
  std::size_t next = 0;
  std::size_t depth = 0;
};

class EntryRunner {
 public:
  EntryRunner(CleanRun& run, const CommunityEntry& entry, std::span<const PathVariable> vars)
      : run_(run), ports_(run.platform()), entry_(entry), vars_(vars) {}

  void Run() {
    if (entry_.unreadExclusions != 0) {
      run_.AddLine(entry_.name + " is refused: " + std::to_string(entry_.unreadExclusions) +
                   " of its ExcludeKey lines could not be read, so what they keep is not known.");
      return;
    }
    LoadExclusions();
    for (std::size_t i = 0; i < entry_.fileRules.size() && !run_.Terminated(); ++i) {
      RunFileRule(entry_.fileRules[i], RuleName("FileKey", entry_.fileKeyNumbers, i));
    }
    for (std::size_t i = 0; i < entry_.registryRules.size() && !run_.Terminated(); ++i) {
      RunRegistryRule(entry_.registryRules[i], RuleName("RegKey", entry_.regKeyNumbers, i));
    }
    run_.SetItemSize(bytes_);
  }

 private:
  // "FileKey3 of Discord".
  std::string RuleName(std::string_view key, const std::vector<unsigned>& numbers,
                       std::size_t index) const {
    const std::size_t number = index < numbers.size() ? numbers[index] : index + 1;
    return std::string(key) + std::to_string(number) + " of " + entry_.name;
  }

  void Refuse(const std::string& rule, std::string_view why) {
    run_.AddLine(rule + " is refused: " + std::string(why) + ".");
  }

  // The existing folders a path stands for, at most kMaxFoldersPerRule.
  std::vector<std::string> FoldersOf(std::string_view path, bool& cut) {
    std::vector<std::string> folders;
    for (const std::string& expanded : RulePaths(ports_, path, vars_)) {
      const std::size_t left = kMaxFoldersPerRule - folders.size();
      MatchedFolders matched = MatchFolders(ports_.files, expanded, left);
      cut = cut || matched.cut;
      for (std::string& folder : matched.folders) folders.push_back(std::move(folder));
      if (folders.size() >= kMaxFoldersPerRule) break;
    }
    return folders;
  }

  void LoadExclusions() {
    for (const ExclusionRule& exclusion : entry_.exclusions) {
      if (exclusion.kind == ExclusionKind::Registry) continue;
      bool cut = false;
      for (const std::string& folder : FoldersOf(exclusion.folder, cut)) {
        kept_.push_back(
            KeptFiles{exclusion.kind, RefOf(ports_.files, folder), &exclusion.patterns});
      }
    }
  }

  void RunFileRule(const FileRule& rule, const std::string& name) {
    if (rule.patterns.empty()) return;
    if (CountWildcards(rule.patterns) > kMaxRuleWildcards) {
      Refuse(name,
             "its patterns hold more than " + std::to_string(kMaxRuleWildcards) + " wildcards");
      return;
    }
    bool cut = false;
    const std::vector<std::string> folders = FoldersOf(rule.folder, cut);
    const bool recursive = rule.depth != FileRuleDepth::Folder;
    for (const std::string& folder : folders) {
      const FolderJudgement judged = run_.Guard().JudgeForRules(folder);
      if (RefusedFolder(judged, recursive)) {
        Refuse(name, "the folder \"" + folder + "\" " + WhatItIs(judged));
        return;
      }
    }
    if (cut) {
      run_.AddLine(name + " is cut short: its wildcards match more than " +
                   std::to_string(kMaxFoldersPerRule) + " folders.");
    }
    for (const std::string& folder : folders) {
      if (run_.Terminated()) return;
      Walk(rule, folder);
    }
  }

  // The exclusions that keep files in `folder`, the walk's first folder:
  // those of its own and those of PATH kind of the folders above it.
  KeptList KeptAbove(const std::string& folder) {
    KeptList inherited;
    bool anyPath = false;
    for (const KeptFiles& kept : kept_) anyPath = anyPath || kept.kind == ExclusionKind::Path;
    if (!anyPath) return inherited;
    std::string current = WithoutTrailingBackslash(folder);
    for (std::size_t i = 0; i < kMaxRuleDepth * 16; ++i) {
      const std::string parent = platform::FolderOf(current);
      if (parent.empty() || parent == current) break;
      const FolderRef ref = RefOf(ports_.files, parent);
      for (const KeptFiles& kept : kept_) {
        if (kept.kind == ExclusionKind::Path && SameFolder(kept.folder, ref)) {
          inherited.push_back(&kept);
        }
      }
      current = parent;
    }
    return inherited;
  }

  Frame Open(const FileRule& rule, std::string path, KeptList kept, std::size_t depth) {
    Frame frame;
    frame.path = std::move(path);
    frame.depth = depth;
    const FolderRef ref = RefOf(ports_.files, frame.path);
    frame.kept = std::move(kept);
    for (const KeptFiles& each : kept_) {
      if (SameFolder(each.folder, ref)) frame.kept.push_back(&each);
    }
    auto listed = ports_.files.list(frame.path);
    if (!listed) return frame;
    const bool recursive = rule.depth != FileRuleDepth::Folder;
    for (const platform::FileEntry& entry : *listed) {
      if (entry.isFolder()) {
        if (recursive && !entry.isLink() && depth < kMaxRuleDepth) {
          frame.subFolders.push_back(entry.name);
        }
        continue;
      }
      if (!MatchesAny(rule.patterns, entry.name) || IsKept(frame.kept, entry.name)) continue;
      DeleteOnce(frame.path, ref, entry);
    }
    return frame;
  }

  static bool IsKept(const KeptList& kept, std::string_view name) {
    for (const KeptFiles* each : kept) {
      if (MatchesAny(*each->patterns, name)) return true;
    }
    return false;
  }

  // A file that an earlier rule of the entry already met is not met again,
  // so that a test counts what a clean removes.
  void DeleteOnce(const std::string& folder, const FolderRef& ref,
                  const platform::FileEntry& entry) {
    std::string key =
        ref.id ? std::to_string(ref.id->volume) + ":" + std::to_string(ref.id->file) : ref.upper;
    key += "|" + UpperAscii(entry.name);
    if (!seen_.insert(std::move(key)).second) return;
    if (DeleteFileLogged(run_, folder + entry.name, true)) {
      ++run_.ItemCount;
      bytes_ += entry.size;
      run_.ReportProgress();
    }
  }

  void Walk(const FileRule& rule, const std::string& folder) {
    std::vector<Frame> stack;
    stack.push_back(Open(rule, folder, KeptAbove(folder), 0));
    while (!stack.empty() && !run_.Terminated()) {
      Frame& top = stack.back();
      if (top.next < top.subFolders.size()) {
        std::string sub = top.path + top.subFolders[top.next++] + "\\";
        KeptList inherited;
        for (const KeptFiles* kept : top.kept) {
          if (kept->kind == ExclusionKind::Path) inherited.push_back(kept);
        }
        const std::size_t depth = top.depth + 1;
        stack.push_back(Open(rule, std::move(sub), std::move(inherited), depth));
        continue;
      }
      // A folder that is not empty stays.
      if (rule.depth == FileRuleDepth::RemoveSelf && !run_.TestMode()) {
        (void)ports_.files.removeFolder(WithoutTrailingBackslash(top.path));
      }
      stack.pop_back();
    }
  }

  void RunRegistryRule(const RegistryRule& rule, const std::string& name) {
    if (rule.valueName && rule.valueName->empty()) return;
    for (const ExclusionRule& exclusion : entry_.exclusions) {
      if (exclusion.kind == ExclusionKind::Registry && RemovesKept(rule, exclusion.registry)) {
        Refuse(name, "an ExcludeKey of the entry keeps what it would remove");
        return;
      }
    }
    for (const ViewedKey& viewed : KeyInViews(ports_, rule.key)) {
      if (!rule.valueName) {
        run_.ItemCount += DeleteUserKey(run_, rule.key.root, viewed.keyPath, viewed.view);
      } else {
        run_.ItemCount +=
            DeleteUserValues(run_, rule.key.root, viewed.keyPath, *rule.valueName, viewed.view);
      }
    }
  }

  CleanRun& run_;
  platform::Platform& ports_;
  const CommunityEntry& entry_;
  std::span<const PathVariable> vars_;
  std::vector<KeptFiles> kept_;
  std::set<std::string> seen_;
  std::uint64_t bytes_ = 0;
};

}  // namespace

void RunCommunityEntry(CleanRun& run, const CommunityEntry& entry,
                       std::span<const PathVariable> vars) {
  EntryRunner runner(run, entry, vars);
  runner.Run();
}

}  // namespace nc::cleaner::community
