// The sections of the registry scan, by id: the caption of the node in
// the sections tree, its level there, the status text a section shows
// while it runs and the problem text of the entries it finds. The id is
// the image index of the section's node in the tree.
#pragma once

#include <span>
#include <string_view>

namespace nc::registry {

inline constexpr int kFirstSectionId = 1;
inline constexpr int kLastSectionId = 24;
// The root "My Computers" and "Files and Folders" group other sections
// and run nothing; ids 3 to 6 are the whole-hive walks.
inline constexpr int kRootSectionId = 1;
inline constexpr int kFilesAndFoldersId = 2;

struct SectionInfo {
  int id = 0;
  std::string_view caption;      // the node's text in the sections tree
  int level = 0;                 // 0 root, 1 section or group, 2 hive
  std::string_view statusText;   // "" when the section sets none
  std::string_view problemText;  // "" when the section finds nothing itself
};

// The 24 sections in tree order (which is the order of their ids).
std::span<const SectionInfo> AllSections();

// The section of `id`; ids outside 1..24 give an entry with id 0 and
// empty texts.
const SectionInfo& SectionById(int id);

// The whole-hive walks (ids 3 to 6).
bool IsHiveWalk(int id);

}  // namespace nc::registry
