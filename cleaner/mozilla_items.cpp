// The items of the groups "Mozilla Firefox" and "Netscape": masks over the
// profile folders, the cache folders of every profile ("Cache", and today
// "cache2"), and the places database of Firefox's ".default" profiles.
#include <array>
#include <string>

#include "cleaner/browser_items.h"
#include "cleaner/remove_files.h"
#include "cleaner/user_folders.h"
#include "core/text.h"

namespace nc::cleaner {

namespace {

constexpr std::string_view kNotice = "Clearing, please wait...";

// A folder below the roaming application data; "" when there is none.
std::string BelowAppData(platform::Platform& ports, std::string_view rest) {
  const std::string appData = UserAppDataFolder(ports);
  if (WithoutTrailingBackslash(appData).empty()) return {};
  return appData + std::string(rest);
}

std::string FirefoxProfilesFolder(platform::Platform& ports) {
  return ExistingFolder(ports, BelowAppData(ports, "Mozilla\\Firefox\\Profiles"));
}

std::string FirefoxLocalProfilesFolder(platform::Platform& ports) {
  const std::string local = LocalAppDataFolder(ports);
  if (local.empty()) return {};
  return ExistingFolder(ports, local + "Mozilla\\Firefox\\Profiles");
}

// The profile Netscape uses: "pbzik8cu.default", else the first sub-folder
// whose path holds ".default", else the last one listed. With a trailing
// backslash; "" when there is none.
std::string NetscapeProfileFolder(CleanRun& run) {
  platform::Platform& ports = run.platform();
  const std::string base = ExistingFolder(ports, BelowAppData(ports, "Netscape\\NSB\\Profiles"));
  if (base.empty()) return {};
  std::string chosen = ExistingFolder(ports, base + "\\pbzik8cu.default");
  if (chosen.empty()) {
    const std::vector<std::string> profiles = RealSubFolders(run, base);
    for (const std::string& profile : profiles) {
      if (profile.find(".default") != std::string::npos) {
        chosen = profile;
        break;
      }
    }
    if (chosen.empty() && !profiles.empty()) chosen = profiles.back();
  }
  if (ExistingFolder(ports, chosen).empty()) return {};
  return WithTrailingBackslash(chosen);
}

void WriteCacheNotice(CleanRun& run) {
  if (!run.TestMode() && !run.env().settings.ShowLogTempInternetFiles) run.AddLine(kNotice);
}

std::uint64_t EmptyCache(CleanRun& run, const std::string& cache) {
  if (ExistingFolder(run.platform(), cache).empty()) return 0;
  return DeleteFolderContents(
      run, cache, {.removeFolder = false, .logFiles = run.env().settings.ShowLogTempInternetFiles},
      run.ItemCount);
}

void FirefoxCache(CleanRun& run) {
  WriteCacheNotice(run);
  platform::Platform& ports = run.platform();
  std::uint64_t bytes = 0;
  for (const std::string& profiles :
       {FirefoxProfilesFolder(ports), FirefoxLocalProfilesFolder(ports)}) {
    if (profiles.empty()) continue;
    for (const std::string& profile : RealSubFolders(run, profiles)) {
      bytes += EmptyCache(run, profile + "\\Cache");
      bytes += EmptyCache(run, profile + "\\cache2");
    }
  }
  run.SetItemSize(bytes);
}

// Every place that no bookmark refers to, and every visit, in each
// ".default" profile.
void FirefoxHistoryDatabases(CleanRun& run, const std::string& profiles) {
  for (const std::string& profile : RealSubFolders(run, profiles)) {
    if (profile.find(".default") == std::string::npos) continue;
    WithDatabase(run, profile + "\\places.sqlite", [](SqliteDatabase& places) {
      if (places.HasTable("moz_places")) {
        places.RunStatement(
            "DELETE FROM moz_places WHERE id NOT IN (SELECT fk FROM moz_bookmarks where fk is "
            "not null)");
      }
      if (places.HasTable("moz_historyvisits"))
        places.RunStatement("DELETE FROM moz_historyvisits");
    });
  }
}

struct MaskItem {
  std::string_view runName;
  std::array<std::string_view, 2> masks;  // "" for none
};

constexpr std::array<MaskItem, 5> kFirefoxMaskItems{{
    {"Mozilla Firefox - Cookies", {"cookies*.txt", "cookies.sqlite"}},
    {"Mozilla Firefox - Download Manager", {"downloads.rdf", "downloads.sqlite"}},
    {"Mozilla Firefox - Autocomplete History", {"signons.txt", "signons3.txt"}},
    {"Mozilla Firefox - Preferences", {"prefs.js", ""}},
    {"Mozilla Firefox - Saved Form Information", {"formhistory.dat", "formhistory.sqlite"}},
}};

constexpr std::array<MaskItem, 4> kNetscapeMaskItems{{
    {"Netscape - Cookies", {"cookies*.txt", ""}},
    {"Netscape - Visited URL History", {"history.dat", ""}},
    {"Netscape - Preferences", {"prefs.js", ""}},
    {"Netscape - Saved Form Information", {"formhistory.dat", ""}},
}};

std::uint64_t DeleteItemMasks(CleanRun& run, const std::string& folder, const MaskItem& item,
                              bool recurse) {
  std::uint64_t bytes = 0;
  for (std::string_view mask : item.masks) {
    if (!mask.empty()) {
      bytes += DeleteFilesByMask(run, folder, mask, {.recurse = recurse}, run.ItemCount);
    }
  }
  return bytes;
}

bool RunFirefoxItem(CleanRun& run, std::string_view runName) {
  if (runName == "Mozilla Firefox - Temporary Internet Files") {
    FirefoxCache(run);
    return true;
  }
  const MaskItem* found = nullptr;
  for (const MaskItem& item : kFirefoxMaskItems) {
    if (item.runName == runName) found = &item;
  }
  const bool history = runName == "Mozilla Firefox - Visited URL History";
  if (found == nullptr && !history) return false;

  const std::string profiles = FirefoxProfilesFolder(run.platform());
  if (profiles.empty()) return true;
  if (found != nullptr) {
    run.SetItemSize(DeleteItemMasks(run, profiles, *found, true));
    return true;
  }
  run.SetItemSize(
      DeleteFilesByMask(run, profiles, "history.dat", {.recurse = true}, run.ItemCount));
  if (!run.TestMode() && !run.Terminated()) FirefoxHistoryDatabases(run, profiles);
  return true;
}

bool RunNetscapeItem(CleanRun& run, std::string_view runName) {
  if (runName == "Netscape - Temporary Internet Files") {
    WriteCacheNotice(run);
    const std::string profile = NetscapeProfileFolder(run);
    if (!profile.empty()) run.SetItemSize(EmptyCache(run, profile + "Cache"));
    return true;
  }
  for (const MaskItem& item : kNetscapeMaskItems) {
    if (item.runName != runName) continue;
    const std::string profile = NetscapeProfileFolder(run);
    if (!profile.empty()) run.SetItemSize(DeleteItemMasks(run, profile, item, false));
    return true;
  }
  return false;
}

}  // namespace

bool RunMozillaItem(CleanRun& run, std::string_view runName) {
  return RunFirefoxItem(run, runName) || RunNetscapeItem(run, runName);
}

}  // namespace nc::cleaner
