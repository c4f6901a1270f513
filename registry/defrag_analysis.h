// What an analysis of the hives shows: the per-hive and total sizes of
// the live files and their compact copies, the compact percent, and the
// checks made before and after the copies are written.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/filesystem.h"

namespace nc::registry {

inline constexpr std::string_view kCannotAnalyzeNow =
    "Can not analyze the registry now! Please try again later.";
inline constexpr std::string_view kFailedToAnalyze = "Failed to analyze the registry!";
inline constexpr std::string_view kFailedToDefrag = "Failed to defrag the registry";
inline constexpr std::string_view kRestartQuestion =
    "You must restart your computer for the changes to take effect. Click the YES button to "
    "restart your computer now.";
inline constexpr std::string_view kRestartRefused =
    "Failed to restart your computer! Please restart it yourself for the changes to take effect.";
// An earlier backup of a hive was set aside to free its name and could
// not be put back.
std::string StrandedBackupText(std::string_view backup, std::string_view keptAs);
// Below this compact percent the user is told compaction is not needed.
inline constexpr float kLowFragmentationPercent = 3.0F;

// The compact copy of a hive file.
std::string CompactCopyOf(std::string_view hiveFile);

// A compact copy still held by the system (a replacement is pending):
// no analysis may run until the restart.
bool AnyCompactCopyLocked(platform::FileSystem& files, const std::vector<std::string>& hiveFiles);

// Deletes the compact copies of an earlier analysis that can be deleted
// (each would go before its hive is saved again): only then is their
// room free.
void DeleteCompactCopies(platform::FileSystem& files, const std::vector<std::string>& hiveFiles);

// A volume without room for the copies of the hives whose files lie on
// it: they need the hives' sizes and a margin of a tenth of that, at
// least 50 MB, in the space the volume reports free. A copy of an earlier
// analysis counts as room only once it has been deleted.
struct SpaceShortage {
  std::string root;  // "C:\"
  std::uint64_t needed = 0;
  std::uint64_t available = 0;
};
inline constexpr std::uint64_t kMinimumSpareBytes = 50ULL * 1024 * 1024;
std::optional<SpaceShortage> FindSpaceShortage(platform::FileSystem& files,
                                               const std::vector<std::string>& hiveFiles);
std::string SpaceShortageText(const SpaceShortage& shortage);

// The software hive's copy came out smaller than a quarter of its file:
// the save cannot have been complete (a missing copy counts as 0).
bool SoftwareCopyTooSmall(platform::FileSystem& files, const std::vector<std::string>& hiveFiles);

struct HiveSizes {
  std::uint64_t current = 0;  // the live hive file
  std::uint64_t compact = 0;  // its compact copy
};

struct HiveSizeRow {
  std::string currentSize;
  std::string newSize;
  std::string reduction;
  bool operator==(const HiveSizeRow&) const = default;
};

struct DefragSummary {
  std::vector<HiveSizeRow> rows;  // one per hive, in list order
  std::string currentSize;
  std::string newSize;
  std::string sizeReduction;
  std::string compactPercent;
  // The copies are so close to the files that compaction gains little.
  bool lowFragmentation = false;
};

// "0%" when the copy is larger, else the whole percent saved.
std::string ReductionText(const HiveSizes& sizes);
DefragSummary SummarizeSizes(const std::vector<HiveSizes>& hives);
// The sizes of every hive file and its copy as the file system lists them.
std::vector<HiveSizes> MeasureHives(platform::FileSystem& files,
                                    const std::vector<std::string>& hiveFiles);

// The advice shown outside silent mode for a low compact percent.
std::string LowFragmentationAdvice(std::string_view percentText);

}  // namespace nc::registry
