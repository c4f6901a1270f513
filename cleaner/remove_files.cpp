// Files and folders. Folder walks keep their own stack of open
// folders instead of recursing, so a tree of any depth cannot exhaust the
// thread's stack, and they never enter a symbolic link, junction or other
// reparse point: such an entry is removed as the link itself.
#include "cleaner/remove_files.h"

#include <array>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "cleaner/folder_guard.h"
#include "core/text.h"

namespace nc::cleaner {

namespace {

using platform::FileEntry;

constexpr std::size_t kWipeBlock = 4096;
// Folders nested deeper than this are left alone (a Windows path cannot
// hold more than about 16,000 levels; a sane tree holds far fewer).
constexpr std::size_t kMaxFolderDepth = 8192;

// Upper case of a file name as the system compares names: ASCII, Latin-1,
// Latin Extended-A, Greek and Cyrillic letters; everything else as it is.
char16_t UpperChar(char16_t c) {
  if (c < 0x80) return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 0x20) : c;
  if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return static_cast<char16_t>(c - 0x20);
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x17F) {
    // Pairs: even upper, odd lower, except the stretches that pair odd
    // with even.
    const bool oddPairs = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if (oddPairs) return (c % 2 == 0) ? static_cast<char16_t>(c - 1) : c;
    if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    return (c % 2 == 1) ? static_cast<char16_t>(c - 1) : c;
  }
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return static_cast<char16_t>(c - 0x20);
  if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 0x20);
  if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 0x50);
  return c;
}

std::string UpperName(std::string_view name) {
  bool ascii = true;
  for (char c : name) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      ascii = false;
      break;
    }
  }
  if (ascii) return UpperAscii(name);
  std::u16string wide = Utf8ToUtf16(name);
  for (char16_t& c : wide) c = UpperChar(c);
  return Utf16ToUtf8(wide);
}

// The file-name test of DeleteFilesByMask. Only the first "*" is a
// wildcard; a mask without one matches its exact name only.
class MaskMatcher {
 public:
  explicit MaskMatcher(std::string_view mask) : mask_(mask) {
    all_ = mask == "*.*";
    const auto star = mask.find('*');
    if (star == std::string_view::npos) {
      prefix_ = "*";  // no name holds a "*": nothing but the exact name matches
    } else {
      prefix_ = UpperName(mask.substr(0, star));
      suffix_ = UpperName(mask.substr(star + 1));
    }
  }

  bool matches(std::string_view name) const {
    if (all_ || name == mask_) return true;
    const std::string upper = UpperName(name);
    return (prefix_.empty() || StartsWith(upper, prefix_)) &&
           (suffix_.empty() || EndsWith(upper, suffix_));
  }

 private:
  std::string mask_;
  std::string prefix_;
  std::string suffix_;
  bool all_ = false;
};

enum class FolderQuestion { AllUnder, FilesOn };

// The questions before a folder is emptied, asked in clean mode only and
// on the window's thread; false when the user answered No. `folder` ends
// with a backslash; `judged` is what the guard found it to be.
bool ConfirmFolderDeletion(CleanRun& run, const std::string& folder, FolderQuestion kind,
                           bool askForRoot, const FolderJudgement& judged) {
  if (run.TestMode()) return true;
  const std::string allUnder = "Do you want to delete all files and folders under " + folder + "?";
  if (folder.size() < 4 || judged.Is(GuardedFolder::DriveRoot)) {
    if (!askForRoot) return true;
    return run.Ask(allUnder);
  }
  if (judged.Is(GuardedFolder::Documents) || judged.Is(GuardedFolder::MyPictures)) {
    const std::string text = kind == FolderQuestion::AllUnder
                                 ? allUnder
                                 : "Do you want to delete the files on " + folder + "?";
    return run.Ask(text);
  }
  return true;
}

// The guard at the entry of a public walk, in both modes: a folder the
// guard refuses is left alone with a line, unless only files of one kind
// are deleted directly in it. A folder that cannot be judged is always
// left alone.
bool GuardAllows(CleanRun& run, const std::string& folder, const FolderJudgement& judged,
                 bool everything) {
  if (!judged.Refused()) return true;
  if (!everything && judged.standing != FolderJudgement::Standing::Unknown) return true;
  run.AddLine("The folder \"" + folder + "\" is refused: " + judged.Reason() + ".");
  return false;
}

// What a walk does with the entries it meets.
struct WalkRules {
  bool byMask = false;       // DeleteFilesByMask; else a folder tree
  bool log = true;           // file lines
  bool removeFirst = false;  // the first folder is removed at the end (clean mode)
  bool recurse = true;       // sub-folders are entered
  std::string keepUpper;     // trees: upper-cased name of the files kept
  const MaskMatcher* mask = nullptr;
};

// One open folder of a walk. The folders' paths share one buffer: a
// frame knows only where its folder's path ends.
struct Frame {
  std::size_t pathLength = 0;  // of the folder with its trailing backslash
  std::vector<FileEntry> entries;
  std::size_t next = 0;
  bool remove = false;
};

// Deletes a file met in a walk. A file link goes as the link, never
// overwritten (that would overwrite its target).
bool DeleteListedFile(CleanRun& run, const std::string& path, const FileEntry& entry, bool log) {
  if (!entry.isLink()) return DeleteFileLogged(run, path, log);
  if (log && !run.FastMode()) {
    run.AddDetailLine("deleting " + path);
    run.ScrollLog(50);
  }
  if (run.TestMode()) return true;
  const Status deleted = run.platform().files.deleteFile(path);
  if (!deleted) {
    run.NoteFailure(path, deleted.error());
    return false;
  }
  run.NoteFileRemoved();
  return true;
}

class FolderWalk {
 public:
  FolderWalk(CleanRun& run, const WalkRules& rules, std::int32_t& counter, FolderGuard& guard)
      : run_(run), rules_(rules), counter_(counter), test_(run.TestMode()), guard_(guard) {}

  // `folder` exists and ends with a backslash; its questions were asked.
  std::uint64_t run(std::string folder) {
    // Sub-folders are asked about only where Documents can lie below.
    judgeSubFolders_ = !test_ && rules_.recurse && guard_.HoldsAskedFolder(folder);
    path_ = std::move(folder);
    enter(rules_.removeFirst);
    while (!stack_.empty()) step();
    return bytes_;
  }

 private:
  // Opens the folder whose path (with trailing backslash) is in path_.
  void enter(bool remove) {
    Frame frame;
    frame.pathLength = path_.size();
    frame.remove = remove;
    auto listed = run_.platform().files.list(path_);
    // A folder that cannot be listed (gone meanwhile, access denied) has
    // nothing to count; removing it is still tried, and fails when it is
    // not empty.
    if (listed) frame.entries = std::move(*listed);
    stack_.push_back(std::move(frame));
  }

  void finish() {
    const Frame& frame = stack_.back();
    if (frame.remove && !test_ && !run_.Terminated()) {
      path_.resize(frame.pathLength - 1);  // without the trailing backslash
      (void)run_.platform().files.removeFolder(path_);
    }
    stack_.pop_back();
  }

  void step() {
    Frame& frame = stack_.back();
    if (run_.Terminated() || frame.next == frame.entries.size()) {
      finish();
      return;
    }
    const FileEntry& entry = frame.entries[frame.next++];
    path_.resize(frame.pathLength);
    path_ += entry.name;
    if (entry.isFolder()) {
      folder(entry);
      return;
    }
    if (rules_.byMask) {
      if (!rules_.mask->matches(entry.name)) return;
    } else if (!rules_.keepUpper.empty() && UpperName(entry.name) == rules_.keepUpper) {
      return;
    }
    if (DeleteListedFile(run_, path_, entry, rules_.log)) {
      ++counter_;
      bytes_ += entry.size;
      run_.ReportProgress();
    }
  }

  // A sub-folder met in the walk; its path is in path_.
  void folder(const FileEntry& entry) {
    if (entry.isLink()) {
      // Never entered; in a tree that is being removed the link goes too.
      if (!rules_.byMask && !test_) (void)run_.platform().files.removeFolder(path_);
      return;
    }
    if (!rules_.recurse || stack_.size() >= kMaxFolderDepth) return;
    if (run_.Terminated()) return;
    path_ += '\\';
    const auto kind = rules_.byMask ? FolderQuestion::FilesOn : FolderQuestion::AllUnder;
    const FolderJudgement judged = judgeSubFolders_ ? guard_.Judge(path_) : FolderJudgement{};
    if (!ConfirmFolderDeletion(run_, path_, kind, false, judged)) return;
    // Sub-folders of a tree are always removed; DeleteFilesByMask keeps
    // every folder.
    enter(!rules_.byMask);
  }

  CleanRun& run_;
  const WalkRules& rules_;
  std::int32_t& counter_;
  const bool test_;
  FolderGuard& guard_;
  bool judgeSubFolders_ = false;
  std::string path_;  // the entry or folder being handled
  std::vector<Frame> stack_;
  std::uint64_t bytes_ = 0;
};

// The checks at the entry of a public walk: termination, the folder's
// existence, the folder "\". Gives the folder with a trailing backslash,
// or "" when there is nothing to do.
std::string EnterableFolder(CleanRun& run, std::string_view folder) {
  if (run.Terminated() || folder.empty() || folder == "\\") return {};
  if (!run.platform().files.folderExists(folder)) return {};
  return WithTrailingBackslash(folder);
}

}  // namespace

bool DeleteFileLogged(CleanRun& run, std::string_view path, bool log) {
  if (log && !run.FastMode()) {
    run.AddDetailLine("deleting " + std::string(path));
    run.ScrollLog(50);
  }
  if (run.TestMode()) return true;
  platform::Platform& ports = run.platform();
  const CleanSettings& settings = run.env().settings;
  if (settings.IsWipeFile && !platform::FileLockedExclusive(ports.files, path)) {
    WipeFileContents(run, path, settings.WipeNumber);
  }
  const Status deleted = ports.shell.deleteFileSilently(path);
  if (!deleted) {
    run.NoteFailure(path, deleted.error());
    return false;
  }
  run.NoteFileRemoved();
  return true;
}

void WipeFileContents(CleanRun& run, std::string_view path, int passes) {
  if (passes < 1) return;
  platform::FileSystem& files = run.platform().files;
  // Where a read-only file can be opened for writing after all (an
  // administrator under Wine), the shell then refuses to delete it, and
  // it would stay behind overwritten.
  auto found = files.stat(path);
  if (!found || found->isFolder() || found->isLink()) return;
  if ((found->attributes & platform::FileAttr::ReadOnly) != 0) return;
  // One open for every pass, of the name itself and never of what a link
  // points to. The open file, not the path, must be a plain file with this
  // one name: a link swapped in after the check, or a hard link whose
  // other names lie elsewhere, is deleted without being overwritten, so
  // those other names keep their data.
  auto file = files.open(path, platform::FileOpen::ReadWriteNoFollow, platform::FileShare::None);
  if (!file) return;
  auto facts = (*file)->facts();
  if (!facts || !facts->plainFile || facts->links != 1) return;
  auto size = (*file)->size();
  if (!size) return;
  std::array<std::uint8_t, kWipeBlock> block{};
  for (int pass = 1; pass <= passes; ++pass) {
    block.fill(static_cast<std::uint8_t>(run.platform().random.below(255)));
    if (!(*file)->seek(0)) return;
    std::uint64_t left = *size;
    while (left > 0) {
      const std::size_t piece = left < kWipeBlock ? static_cast<std::size_t>(left) : kWipeBlock;
      if (!(*file)->write({block.data(), piece})) return;
      left -= piece;
    }
    if (!(*file)->flush()) return;
  }
}

std::uint64_t DeleteFolderContents(CleanRun& run, std::string_view folder,
                                   const FolderContentsOptions& options, std::int32_t& counter) {
  std::string start = EnterableFolder(run, folder);
  if (start.empty()) return 0;
  FolderGuard& guard = run.Guard();
  const FolderJudgement judged = guard.Judge(start);
  if (!GuardAllows(run, start, judged, true)) return 0;
  if (!ConfirmFolderDeletion(run, start, FolderQuestion::AllUnder, true, judged)) {
    return 0;
  }
  WalkRules rules;
  rules.log = options.logFiles;
  rules.removeFirst = options.removeFolder;
  rules.keepUpper = UpperName(options.keepName);
  FolderWalk walk(run, rules, counter, guard);
  return walk.run(std::move(start));
}

std::uint64_t DeleteFolderTree(CleanRun& run, std::string_view folder,
                               const FolderTreeOptions& options, std::int32_t& counter) {
  // Callers hand in sub-folders they listed themselves: a link among them
  // goes as the link and is never entered.
  if (!run.Terminated()) {
    auto found = run.platform().files.stat(WithoutTrailingBackslash(folder));
    if (found && found->isLink()) {
      if (!run.TestMode()) (void)run.platform().files.removeFolder(folder);
      return 0;
    }
  }
  return DeleteFolderContents(
      run, folder,
      {.removeFolder = true, .logFiles = options.logFiles, .keepName = options.keepName}, counter);
}

std::uint64_t DeleteFilesByMask(CleanRun& run, std::string_view folder, std::string_view mask,
                                const MaskOptions& options, std::int32_t& counter) {
  std::string start = EnterableFolder(run, folder);
  if (start.empty()) return 0;
  const bool askForRoot = mask.empty() || mask.find('*') != std::string_view::npos;
  FolderGuard& guard = run.Guard();
  const FolderJudgement judged = guard.Judge(start);
  if (!GuardAllows(run, start, judged, mask == "*" || mask == "*.*")) return 0;
  if (!ConfirmFolderDeletion(run, start, FolderQuestion::FilesOn, askForRoot, judged)) {
    return 0;
  }
  const MaskMatcher matcher(mask);
  WalkRules rules;
  rules.byMask = true;
  rules.recurse = options.recurse;
  rules.mask = &matcher;
  FolderWalk walk(run, rules, counter, guard);
  return walk.run(std::move(start));
}

}  // namespace nc::cleaner
