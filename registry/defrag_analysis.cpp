#include "registry/defrag_analysis.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

#include "core/text.h"
#include "registry/backups.h"
#include "registry/hive_list.h"

namespace nc::registry {

std::string CompactCopyOf(std::string_view hiveFile) {
  return std::string(hiveFile) + std::string(kCompactCopySuffix);
}

bool AnyCompactCopyLocked(platform::FileSystem& files, const std::vector<std::string>& hiveFiles) {
  for (const std::string& file : hiveFiles) {
    if (platform::FileLockedExclusive(files, CompactCopyOf(file))) return true;
  }
  return false;
}

void DeleteCompactCopies(platform::FileSystem& files, const std::vector<std::string>& hiveFiles) {
  for (const std::string& file : hiveFiles) {
    const std::string copy = CompactCopyOf(file);
    if (files.fileExists(copy)) (void)files.deleteFile(copy);
  }
}

std::optional<SpaceShortage> FindSpaceShortage(platform::FileSystem& files,
                                               const std::vector<std::string>& hiveFiles) {
  std::map<std::string, std::uint64_t> volumes;  // the hives' bytes on each
  for (const std::string& file : hiveFiles) {
    volumes[UpperAscii(file.substr(0, 3))] += FileSizeOf(files, file);
  }
  for (const auto& [root, hives] : volumes) {
    const std::uint64_t needed = hives + std::max(hives / 10, kMinimumSpareBytes);
    // A volume that cannot say how much room it has is taken as full.
    const std::uint64_t available = files.freeSpace(root).value_or(0);
    if (available < needed) return SpaceShortage{root, needed, available};
  }
  return std::nullopt;
}

std::string SpaceShortageText(const SpaceShortage& shortage) {
  return "There is not enough free disk space on " + shortage.root +
         " for the copies of the registry! Please free " +
         FormatSizeKB(shortage.needed - shortage.available) + " and try again.";
}

std::string StrandedBackupText(std::string_view backup, std::string_view keptAs) {
  return "The backup of an earlier compaction could not be put back as " + std::string(backup) +
         "! It was kept as " + std::string(keptAs) + ".";
}

bool SoftwareCopyTooSmall(platform::FileSystem& files, const std::vector<std::string>& hiveFiles) {
  for (const std::string& file : hiveFiles) {
    if (UpperAscii(file).find("SOFTWARE") == std::string::npos) continue;
    if (FileSizeOf(files, CompactCopyOf(file)) < FileSizeOf(files, file) / 4) return true;
  }
  return false;
}

std::string ReductionText(const HiveSizes& sizes) {
  if (sizes.compact > sizes.current || sizes.current == 0) return "0%";
  return std::to_string((sizes.current - sizes.compact) * 100 / sizes.current) + "%";
}

DefragSummary SummarizeSizes(const std::vector<HiveSizes>& hives) {
  DefragSummary summary;
  std::uint64_t totalOld = 0;
  std::uint64_t totalNew = 0;
  for (const HiveSizes& hive : hives) {
    totalOld += hive.current;
    totalNew += hive.compact;
    summary.rows.push_back(
        HiveSizeRow{FormatSizeKB(hive.current), FormatSizeKB(hive.compact), ReductionText(hive)});
  }
  summary.currentSize = FormatSizeKB(totalOld);
  summary.newSize = FormatSizeKB(totalNew);
  if (totalNew > totalOld) {
    summary.sizeReduction = "0 KB";
    summary.compactPercent = "0%";
    return summary;
  }
  summary.sizeReduction = FormatSizeKB(totalOld - totalNew);
  // No hive bytes at all: nothing was saved, and nothing divides by zero.
  const float percent = totalOld == 0 ? 0.0F
                                      : static_cast<float>(totalOld - totalNew) * 100.0F /
                                            static_cast<float>(totalOld);
  // One decimal, a half rounded up ("2.25" shows as "2.3").
  const auto tenths =
      static_cast<std::uint64_t>(std::floor(static_cast<double>(percent) * 10 + 0.5));
  summary.compactPercent = std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + "%";
  summary.lowFragmentation = percent < kLowFragmentationPercent;
  return summary;
}

std::vector<HiveSizes> MeasureHives(platform::FileSystem& files,
                                    const std::vector<std::string>& hiveFiles) {
  std::vector<HiveSizes> sizes;
  for (const std::string& file : hiveFiles) {
    sizes.push_back(HiveSizes{FileSizeOf(files, file), FileSizeOf(files, CompactCopyOf(file))});
  }
  return sizes;
}

std::string LowFragmentationAdvice(std::string_view percentText) {
  return "The fragment rate of your registry is only " + std::string(percentText) + ". " +
         "We suggest that your registry does not need to be compacted at this time. If you "
         "select to compact the registry now, the same fragment rate may appear again.";
}

}  // namespace nc::registry
