// The custom list editor: "Custom Lists" with its two child dialogs "Add
// File and Folder" and "Add Registry", modal windows built in code. The
// rules live in cleaner/custom_list_editor.h; these classes only show.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace nc::ui {

// Shows the editor of "Custom.dat" in `programFolder` (which ends with a
// backslash) modally over `owner`; returns when it is closed.
void ShowCustomListEditor(HWND owner, nc::platform::Platform platform,
                          const std::string& programFolder);

// The shell's folder picker, file-system folders only, owned by `owner`
// and centred on the screen. It is rooted at `rootFolder` when one is
// given and opens at `folder` when that is an existing folder. The chosen
// folder, or nullopt when the user cancelled.
std::optional<std::string> BrowseForFolder(HWND owner, std::string_view title,
                                           std::string_view rootFolder, std::string_view folder);

// Window classes and control identifiers, for tests that drive the dialogs.
inline constexpr const wchar_t* kCustomListsClass = L"NorvikCleanerCustomLists";
inline constexpr const wchar_t* kAddFolderClass = L"NorvikCleanerAddFolder";
inline constexpr const wchar_t* kAddRegistryClass = L"NorvikCleanerAddRegistry";

namespace custom_list_ids {
// "Custom Lists"
inline constexpr int kList = 4001;
inline constexpr int kAddFileFolder = 4002;
inline constexpr int kAddRegistry = 4003;
inline constexpr int kEdit = 4004;
inline constexpr int kRemove = 4005;
inline constexpr int kSelectAll = 4006;
inline constexpr int kSelectNone = 4007;
// "Add File and Folder"
inline constexpr int kSingleFile = 4101;
inline constexpr int kFolders = 4102;
inline constexpr int kFolderEdit = 4103;
inline constexpr int kBrowse = 4104;
inline constexpr int kFileGroup = 4105;
inline constexpr int kFileList = 4106;
inline constexpr int kModeGroup = 4107;
inline constexpr int kDeleteFolder = 4108;
inline constexpr int kDeleteByMask = 4109;
inline constexpr int kMaskEdit = 4110;
inline constexpr int kMaskHint = 4111;
// "Add Registry"
inline constexpr int kKeyEdit = 4201;
inline constexpr int kDeleteKey = 4202;
inline constexpr int kDeleteValues = 4203;
inline constexpr int kDeleteValue = 4204;
inline constexpr int kValueNameEdit = 4205;
inline constexpr int kRunRegistryEditor = 4206;
}  // namespace custom_list_ids

}  // namespace nc::ui
