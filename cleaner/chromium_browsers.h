// The browsers built on Chromium, as one table: where each keeps its
// "User Data" folder, the group it has in the clean tree and the words
// that refuse a clean while it runs. Google Chrome is the first row; the
// others share its items, its profile rules and its lock.
//
// A Chromium browser holds "User Data\lockfile" open without write
// sharing for as long as it runs (and the system deletes the file when
// the browser ends, however it ends), so a file there that cannot be
// opened for exclusive access means the browser runs; a window class
// says nothing, since every Chromium browser shares one.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/filesystem.h"
#include "platform/registry.h"

namespace nc::cleaner {

struct ChromiumBrowser {
  std::string_view group;  // the group's caption and the start of its run names
  int imageIndex = 0;      // the group's slot of the expansion flags
  bool roaming = false;    // "User Data" below the roaming application data, else the local
  // The "User Data" folder of each channel below that folder, without
  // trailing backslash: the stable one first, then Beta, Dev, Canary as
  // far as the browser has them; the rest empty. The group covers them
  // all, and any of them that runs refuses its clean.
  std::array<std::string_view, 4> userData{};
  // Google Chrome: in the tree whatever is installed, and its "Default"
  // folder is a profile even without "Preferences", as its first
  // versions left it.
  bool original = false;
  // Opera: the "User Data" folder itself holds a profile (before the
  // browser's sub-folders), and its caches lie in the folder of the same
  // name below the local application data.
  bool folderIsProfile = false;
  std::string_view closeText;  // shown when a clean is refused while it runs
};

// Google Chrome first, then the others in the tree's order.
std::span<const ChromiumBrowser> ChromiumBrowsers();
// The browser whose group has exactly this caption; null when none has.
const ChromiumBrowser* ChromiumBrowserOfGroup(std::string_view group);
// The items of every Chromium group, in the tree's order.
std::span<const std::string_view> ChromiumItems();

// The browser a run name designates ("Microsoft Edge - Cookies") and the
// item's position in ChromiumItems; null when the name is no Chromium
// browser's item (compared exactly, letter case included).
const ChromiumBrowser* ChromiumItemOf(std::string_view runName, std::size_t& item);

// The current user's "Local AppData" folder as the shell records it
// (HKEY_CURRENT_USER, "Shell Folders"), with a trailing backslash; "" when
// the value is missing or empty.
std::string LocalAppDataFolder(platform::Registry& registry);

// The application data folder the browser's "User Data" folders lie in
// (roaming or local), with a trailing backslash; "" when it is unknown.
std::string ChromiumBaseFolder(platform::Registry& registry, platform::FileSystem& files,
                               const ChromiumBrowser& browser);

// The "User Data" folders of the browser's channels that exist as
// folders (not links), with trailing backslashes, in the table's order.
std::vector<std::string> ChromiumUserDataFolders(platform::Registry& registry,
                                                 platform::FileSystem& files,
                                                 const ChromiumBrowser& browser);

// True while another program holds the file open so that it cannot be
// opened for exclusive access; false for a file that is missing, a
// folder, a link, or a file that cannot be opened for any other reason.
bool HeldOpenByAnother(platform::FileSystem& files, const std::string& path);

// True while one of the browser's channels runs: its "User Data\lockfile"
// is held open.
bool ChromiumBrowserRunning(platform::Registry& registry, platform::FileSystem& files,
                            const ChromiumBrowser& browser);

// True while a Firefox profile of the roaming profile folder has its
// "parent.lock" held open.
bool FirefoxProfileLocked(platform::FileSystem& files);

}  // namespace nc::cleaner
