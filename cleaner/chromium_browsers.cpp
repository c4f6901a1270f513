#include "cleaner/chromium_browsers.h"

#include <algorithm>
#include <array>

#include "core/text.h"

namespace nc::cleaner {

namespace {

constexpr std::array<ChromiumBrowser, 7> kBrowsers{{
    {.group = "Google Chrome",
     .imageIndex = 11,
     .userData = {"Google\\Chrome\\User Data", "Google\\Chrome Beta\\User Data",
                  "Google\\Chrome Dev\\User Data", "Google\\Chrome SxS\\User Data"},
     .original = true,
     .closeText = "Please close Google Chrome first!"},
    {.group = "Microsoft Edge",
     .imageIndex = 12,
     .userData = {"Microsoft\\Edge\\User Data", "Microsoft\\Edge Beta\\User Data",
                  "Microsoft\\Edge Dev\\User Data", "Microsoft\\Edge SxS\\User Data"},
     .closeText = "Please close Microsoft Edge first!"},
    {.group = "Brave",
     .imageIndex = 13,
     .userData = {"BraveSoftware\\Brave-Browser\\User Data"},
     .closeText = "Please close Brave first!"},
    {.group = "Vivaldi",
     .imageIndex = 14,
     .userData = {"Vivaldi\\User Data"},
     .closeText = "Please close Vivaldi first!"},
    {.group = "Opera (Chromium)",
     .imageIndex = 15,
     .roaming = true,
     .userData = {"Opera Software\\Opera Stable"},
     .folderIsProfile = true,
     .closeText = "Please close Opera first!"},
    {.group = "Chromium",
     .imageIndex = 16,
     .userData = {"Chromium\\User Data"},
     .closeText = "Please close Chromium first!"},
    {.group = "Opera GX",
     .imageIndex = 17,
     .roaming = true,
     .userData = {"Opera Software\\Opera GX Stable"},
     .folderIsProfile = true,
     .closeText = "Please close Opera GX first!"},
}};

constexpr std::array<std::string_view, 7> kItems = {
    "Temporary Internet Files",  "Cookies",
    "Visited URL History",       "Session",
    "Stored passwords in Forms", "Saved Form Information",
    "Download History"};

bool PlainFolder(platform::FileSystem& files, const std::string& path) {
  const auto attributes = files.attributes(WithoutTrailingBackslash(path));
  return attributes && (*attributes & platform::FileAttr::Directory) != 0 &&
         (*attributes & platform::FileAttr::ReparsePoint) == 0;
}

}  // namespace

std::span<const ChromiumBrowser> ChromiumBrowsers() {
  return kBrowsers;
}

const ChromiumBrowser* ChromiumBrowserOfGroup(std::string_view group) {
  for (const ChromiumBrowser& browser : kBrowsers) {
    if (browser.group == group) return &browser;
  }
  return nullptr;
}

std::span<const std::string_view> ChromiumItems() {
  return kItems;
}

const ChromiumBrowser* ChromiumItemOf(std::string_view runName, std::size_t& item) {
  for (const ChromiumBrowser& browser : kBrowsers) {
    if (!runName.starts_with(browser.group)) continue;
    std::string_view rest = runName.substr(browser.group.size());
    if (!rest.starts_with(" - ")) continue;
    rest.remove_prefix(3);
    const auto found = std::find(kItems.begin(), kItems.end(), rest);
    if (found == kItems.end()) continue;
    item = static_cast<std::size_t>(found - kItems.begin());
    return &browser;
  }
  return nullptr;
}

std::string LocalAppDataFolder(platform::Registry& registry) {
  const std::string folder = platform::ReadStringValue(
      registry, platform::RootKey::CurrentUser,
      "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "Local AppData");
  // Without the value the folders below it would become folders of the
  // current drive's root.
  if (WithoutTrailingBackslash(folder).empty()) return {};
  return WithTrailingBackslash(folder);
}

std::string ChromiumBaseFolder(platform::Registry& registry, platform::FileSystem& files,
                               const ChromiumBrowser& browser) {
  if (!browser.roaming) return LocalAppDataFolder(registry);
  const std::string roaming = files.specialFolder(platform::Csidl::AppData);
  return WithoutTrailingBackslash(roaming).empty() ? std::string() : WithTrailingBackslash(roaming);
}

std::vector<std::string> ChromiumUserDataFolders(platform::Registry& registry,
                                                 platform::FileSystem& files,
                                                 const ChromiumBrowser& browser) {
  const std::string base = ChromiumBaseFolder(registry, files, browser);
  std::vector<std::string> found;
  if (base.empty()) return found;
  for (const std::string_view channel : browser.userData) {
    if (channel.empty()) continue;
    std::string folder = base + std::string(channel) + "\\";
    if (PlainFolder(files, folder)) found.push_back(std::move(folder));
  }
  return found;
}

bool HeldOpenByAnother(platform::FileSystem& files, const std::string& path) {
  const auto attributes = files.attributes(path);
  if (!attributes ||
      (*attributes & (platform::FileAttr::Directory | platform::FileAttr::ReparsePoint)) != 0) {
    return false;
  }
  auto file = files.open(path, platform::FileOpen::ReadWriteExisting, platform::FileShare::None);
  return !file && file.error().code == Errc::SharingViolation;
}

bool ChromiumBrowserRunning(platform::Registry& registry, platform::FileSystem& files,
                            const ChromiumBrowser& browser) {
  for (const std::string& userData : ChromiumUserDataFolders(registry, files, browser)) {
    if (HeldOpenByAnother(files, userData + "lockfile")) return true;
  }
  return false;
}

bool FirefoxProfileLocked(platform::FileSystem& files) {
  const std::string roaming = files.specialFolder(platform::Csidl::AppData);
  if (WithoutTrailingBackslash(roaming).empty()) return false;
  const std::string profiles = WithTrailingBackslash(roaming) + "Mozilla\\Firefox\\Profiles\\";
  if (!PlainFolder(files, profiles)) return false;
  auto entries = files.list(profiles);
  if (!entries) return false;
  for (const auto& entry : *entries) {
    if (!entry.isFolder() || entry.isLink()) continue;
    if (HeldOpenByAnother(files, profiles + entry.name + "\\parent.lock")) return true;
  }
  return false;
}

}  // namespace nc::cleaner
