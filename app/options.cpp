#include "app/options.h"

#include <algorithm>
#include <cctype>

#include "core/text.h"

namespace nc::app {

namespace {

// Reads and writes typed keys of one INI file. Booleans are "1" and "0";
// any whole number other than 0 reads as true; a missing key or a value
// that is not a whole number reads as the default.
class IniKeys {
 public:
  explicit IniKeys(const SettingsFile& file) : file_(file) {}

  std::string String(std::string_view section, std::string_view key, std::string_view fallback) {
    return file_.profile.readString(file_.path, section, key, fallback);
  }
  // A stored count of numbered entries, bounded by the number of lines
  // the section has: a damaged count never makes the program read
  // billions of missing keys.
  std::int32_t Count(std::string_view section, std::string_view key) {
    const std::int32_t count = Int(section, key, 0);
    const auto lines =
        static_cast<std::int32_t>(file_.profile.sectionLines(file_.path, section).size());
    return std::clamp(count, 0, lines);
  }
  std::int32_t Int(std::string_view section, std::string_view key, std::int32_t fallback) {
    const std::string text = String(section, key, "");
    return ParseInt32(text).value_or(fallback);
  }
  bool Bool(std::string_view section, std::string_view key, bool fallback) {
    return Int(section, key, fallback ? 1 : 0) != 0;
  }

  void Put(std::string_view section, std::string_view key, std::string_view value) {
    file_.profile.writeString(file_.path, section, key, value);
  }
  void Put(std::string_view section, std::string_view key, std::int32_t value) {
    Put(section, key, std::to_string(value));
  }
  void Put(std::string_view section, std::string_view key, bool value) {
    Put(section, key, std::string_view(value ? "1" : "0"));
  }

 private:
  const SettingsFile& file_;
};

// Groups 1 to 11 and the Chromium browsers' groups 12 to 17; an older
// file without the keys of the latter gives them the default.
constexpr int kCleanGroupSlots = 17;
constexpr int kSectionSlots = 24;

void ReadGeneral(IniKeys& ini, Options& o) {
  o.IsAskBeforeClear = ini.Bool("Options", "IsAskBeforeClear", true);
  o.CommunityRules = ini.Bool("Options", "CommunityRules", false);
  o.IsWipeFile = ini.Bool("Options", "IsWipeFile", false);
  o.WipeNumber = ini.Int("Options", "WipeNumber", 1);
  if (o.WipeNumber > 10 || o.WipeNumber < 1) o.WipeNumber = 1;

  o.EnableHotkey = ini.Bool("Hotkey", "EnableHotkey", false);
  o.Hotkey.Ctrl = ini.Bool("Hotkey", "IsCtrl", true);
  o.Hotkey.Shift = ini.Bool("Hotkey", "IsShift", false);
  o.Hotkey.Alt = ini.Bool("Hotkey", "IsAlt", false);
  o.Hotkey.KeyName = ini.String("Hotkey", "CharString", "F5");
  // A code no key of the hotkey field has (0, a lone modifier, or one
  // written by hand) is kept as 0: no boss key is registered for it.
  const std::int32_t keyCode = ini.Int("Hotkey", "CharAscII", 116);
  o.Hotkey.KeyCode = HotkeyKeyInTable(keyCode) ? static_cast<std::uint16_t>(keyCode) : 0;
  o.EnableIE = ini.Bool("Hotkey", "EnableIE", false);
  o.EnableNetscape = ini.Bool("Hotkey", "EnableNetscape", false);
  o.EnableFirefox = ini.Bool("Hotkey", "EnableFirefox", false);
  o.EnableOpera = ini.Bool("Hotkey", "EnableOpera", false);

  o.AutoClean = ini.Bool("SChedule", "AutoClean", false);
  o.CleanInterval = ini.Int("SChedule", "CleanInterval", 0);
  o.StartClean = ini.Bool("SChedule", "StartClean", false);
  o.ShutdownClean = ini.Bool("SChedule", "ShutdownClean", false);
}

void WriteGeneral(IniKeys& ini, const Options& o) {
  ini.Put("Options", "IsAskBeforeClear", o.IsAskBeforeClear);
  ini.Put("Options", "CommunityRules", o.CommunityRules);
  ini.Put("Options", "IsWipeFile", o.IsWipeFile);
  ini.Put("Options", "WipeNumber", o.WipeNumber);

  ini.Put("Hotkey", "EnableHotkey", o.EnableHotkey);
  ini.Put("Hotkey", "IsCtrl", o.Hotkey.Ctrl);
  ini.Put("Hotkey", "IsShift", o.Hotkey.Shift);
  ini.Put("Hotkey", "IsAlt", o.Hotkey.Alt);
  ini.Put("Hotkey", "CharString", o.Hotkey.KeyName);
  ini.Put("Hotkey", "CharAscII", static_cast<std::int32_t>(o.Hotkey.KeyCode));
  ini.Put("Hotkey", "EnableIE", o.EnableIE);
  ini.Put("Hotkey", "EnableNetscape", o.EnableNetscape);
  ini.Put("Hotkey", "EnableFirefox", o.EnableFirefox);
  ini.Put("Hotkey", "EnableOpera", o.EnableOpera);

  ini.Put("SChedule", "AutoClean", o.AutoClean);
  ini.Put("SChedule", "CleanInterval", o.CleanInterval);
  ini.Put("SChedule", "StartClean", o.StartClean);
  ini.Put("SChedule", "ShutdownClean", o.ShutdownClean);
}

void ReadList(IniKeys& ini, std::string_view section, std::string_view prefix, std::int32_t& count,
              std::vector<std::string>& list) {
  count = ini.Count(section, "Count");
  for (std::int32_t i = 1; i <= count; ++i) {
    list.push_back(ini.String(section, std::string(prefix) + std::to_string(i), ""));
  }
}

void WriteList(IniKeys& ini, std::string_view section, std::string_view prefix, std::int32_t count,
               const std::vector<std::string>& list) {
  ini.Put(section, "Count", count);
  for (std::size_t i = 0; i < list.size(); ++i) {
    ini.Put(section, std::string(prefix) + std::to_string(i + 1), list[i]);
  }
}

constexpr std::string_view kCommunitySection = "Community";

// A name the settings file can hold as a key: one that reads back as
// itself. Ticks of other names last for the session only.
bool IsStorableKey(std::string_view name) {
  return !name.empty() && name.find('=') == std::string_view::npos && name.front() != ';' &&
         name.front() != '[' && Trim(name) == name;
}

void ReadCommunityTicks(const SettingsFile& file, std::set<std::string>& ticks) {
  ticks.clear();
  for (const std::string& line : file.profile.sectionLines(file.path, kCommunitySection)) {
    const auto equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string_view text(line);
    const std::string_view key = Trim(text.substr(0, equals));
    const auto value = ParseInt32(Trim(text.substr(equals + 1)));
    if (!key.empty() && value.value_or(0) != 0) ticks.emplace(key);
  }
}

void WriteCommunityTicks(const SettingsFile& file, const std::set<std::string>& ticks) {
  file.profile.eraseSection(file.path, kCommunitySection);
  for (const std::string& name : ticks) {
    if (IsStorableKey(name)) file.profile.writeString(file.path, kCommunitySection, name, "1");
  }
}

}  // namespace

void MergeCommunityTicks(std::set<std::string>& stored, const std::set<std::string>& shown,
                         const std::set<std::string>& ticked) {
  for (const std::string& name : shown) {
    if (ticked.contains(name)) {
      stored.insert(name);
    } else {
      stored.erase(name);
    }
  }
}

std::string ShortcutToText(const Shortcut& shortcut, ShortcutSeparator separator) {
  const char* sep = separator == ShortcutSeparator::Plus ? "+" : "  ";
  std::string text;
  if (shortcut.Ctrl) text += std::string("Ctrl") + sep;
  if (shortcut.Shift) text += std::string("Shift") + sep;
  if (shortcut.Alt) text += std::string("Alt") + sep;
  return text + shortcut.KeyName;
}

std::string OptionsIniPath(std::string_view programFolder) {
  return WithTrailingBackslash(programFolder) + "options.ini";
}

void ReadOptionsIni(const SettingsFile& file, Options& o, SettingsTrees& trees,
                    const WindowMetrics& metrics) {
  IniKeys ini(file);
  ReadGeneral(ini, o);

  trees.UntickAllCleanNodes();
  o.SelectedCount = ini.Count("NodeSelected", "SelectedCount");
  for (std::int32_t i = 1; i <= o.SelectedCount; ++i) {
    trees.SelectNodeByName(ini.String("NodeSelected", std::to_string(i), ""));
  }
  trees.DeriveCleanGroupMarks();
  ReadCommunityTicks(file, o.CommunityTicks);

  for (int i = 1; i <= kCleanGroupSlots; ++i) {
    o.FirstNodeExpand[i] = ini.Bool("FirstNodeExpand", std::to_string(i), true);
  }
  o.ShowLogTempInternetFiles = ini.Bool("Settings", "ShowLogTempInternetFiles", false);
  o.ShowLogRecycleBin = ini.Bool("Settings", "ShowLogRecycleBin", false);
  o.FastScan = ini.Bool("Settings", "FastScan", true);
  const std::string defaultBackup = file.programFolder + "Backup";
  o.OutputDirectory = BackupFolderFromIni(ini.String("Options", "OutputDirectory", defaultBackup),
                                          file.programFolder);
  o.DeleteBackupFile = ini.Bool("Options", "DeleteBackupFile", true);
  o.IncludeRemoveMedia = ini.Bool("Options", "IncludeRemoveMedia", true);
  o.IncludeCDdrive = ini.Bool("Options", "IncludeCDdrive", false);
  for (int i = 1; i <= kSectionSlots; ++i) {
    o.TreeViewNodeCheck[i] = ini.Bool("TreeViewNodeCheck", std::to_string(i), true);
  }

  ReadList(ini, "IgnoreValue", "Value", o.IgnoreValueCount, o.IgnoreValues);
  ReadList(ini, "IgnoreKey", "Key", o.IgnoreKeyCount, o.IgnoreKeys);

  if (ini.Int("Window", "State", 1) == 3) {
    o.WindowState = 2;
  } else {
    o.Left = ini.Int("Window", "Left", (metrics.screenWidth - metrics.windowWidth) / 2);
    o.Top = ini.Int("Window", "Top", (metrics.screenHeight - metrics.windowHeight) / 2);
    o.Width = ini.Int("Window", "Width", metrics.windowWidth);
    o.Height = ini.Int("Window", "Height", metrics.windowHeight);
  }

  o.RestorePoint = ini.Bool("Options", "RestorePoint", false);
}

void WriteOptionsIni(const SettingsFile& file, Options& o, const SettingsTrees& trees,
                     const WindowPlacement& placement) {
  IniKeys ini(file);
  WriteGeneral(ini, o);

  o.SelectedCount = 0;
  for (const std::string& name : trees.TickedCleanNodeNames()) {
    ini.Put("NodeSelected", std::to_string(o.SelectedCount + 1), name);
    ++o.SelectedCount;
  }
  ini.Put("NodeSelected", "SelectedCount", o.SelectedCount);
  WriteCommunityTicks(file, o.CommunityTicks);

  for (int i = 1; i <= kCleanGroupSlots; ++i) {
    ini.Put("FirstNodeExpand", std::to_string(i), o.FirstNodeExpand[i]);
  }
  ini.Put("Settings", "ShowLogTempInternetFiles", o.ShowLogTempInternetFiles);
  ini.Put("Settings", "ShowLogRecycleBin", o.ShowLogRecycleBin);
  ini.Put("Settings", "FastScan", o.FastScan);
  ini.Put("Options", "OutputDirectory", BackupFolderForIni(o.OutputDirectory, file.programFolder));
  ini.Put("Options", "DeleteBackupFile", o.DeleteBackupFile);
  ini.Put("Options", "IncludeRemoveMedia", o.IncludeRemoveMedia);
  ini.Put("Options", "IncludeCDdrive", o.IncludeCDdrive);

  for (const auto& [imageIndex, ticked] : trees.SectionTicks()) {
    if (imageIndex >= 1 && imageIndex <= kSectionSlots) o.TreeViewNodeCheck[imageIndex] = ticked;
  }
  for (int i = 1; i <= kSectionSlots; ++i) {
    ini.Put("TreeViewNodeCheck", std::to_string(i), o.TreeViewNodeCheck[i]);
  }

  WriteList(ini, "IgnoreValue", "Value", o.IgnoreValueCount, o.IgnoreValues);
  WriteList(ini, "IgnoreKey", "Key", o.IgnoreKeyCount, o.IgnoreKeys);

  if (placement.showState) ini.Put("Window", "State", *placement.showState);
  ini.Put("Window", "Left", placement.left);
  ini.Put("Window", "Top", placement.top);
  ini.Put("Window", "Width", placement.width);
  ini.Put("Window", "Height", placement.height);

  ini.Put("Options", "RestorePoint", o.RestorePoint);
}

ScreenRect BoundsOnScreen(const ScreenRect& bounds, const std::vector<ScreenRect>& workAreas) {
  auto gap = [](std::int64_t from, std::int64_t length, std::int64_t areaFrom,
                std::int64_t areaLength) {
    return std::max<std::int64_t>({0, areaFrom - (from + length), from - (areaFrom + areaLength)});
  };
  const ScreenRect* nearest = nullptr;
  std::int64_t nearestDistance = 0;
  for (const ScreenRect& area : workAreas) {
    if (area.width <= 0 || area.height <= 0) continue;
    const std::int64_t dx = gap(bounds.left, bounds.width, area.left, area.width);
    const std::int64_t dy = gap(bounds.top, bounds.height, area.top, area.height);
    // Touching an edge is not showing: the window must overlap the area.
    const bool overlaps = bounds.width > 0 && bounds.height > 0 &&
                          gap(bounds.left, bounds.width - 1, area.left, area.width - 1) == 0 &&
                          gap(bounds.top, bounds.height - 1, area.top, area.height - 1) == 0;
    if (overlaps) return bounds;
    const std::int64_t distance = dx * dx + dy * dy;
    if (nearest == nullptr || distance < nearestDistance) {
      nearest = &area;
      nearestDistance = distance;
    }
  }
  if (nearest == nullptr) return bounds;
  ScreenRect moved = bounds;
  moved.width = std::clamp(bounds.width, 1, nearest->width);
  moved.height = std::clamp(bounds.height, 1, nearest->height);
  moved.left = std::clamp(bounds.left, nearest->left, nearest->left + nearest->width - moved.width);
  moved.top = std::clamp(bounds.top, nearest->top, nearest->top + nearest->height - moved.height);
  return moved;
}

void SaveExpandState(Options& options, SettingsTrees& trees, bool store) {
  for (const auto tree : {SettingsTrees::Tree::Registry, SettingsTrees::Tree::Clean}) {
    int index = -1;
    for (const SettingsTrees::TopNode& node : trees.TopLevelNodes(tree)) {
      ++index;
      const int slot = node.imageIndex;
      if (slot < 1 || slot > kCleanGroupSlots) continue;
      if (store) {
        options.FirstNodeExpand[slot] = node.expanded;
      } else if (options.FirstNodeExpand[slot]) {
        trees.ExpandTopLevelNode(tree, index);
      }
    }
  }
}

void RestoreSectionTicks(const Options& options, SettingsTrees& trees) {
  for (const auto& [imageIndex, ticked] : trees.SectionTicks()) {
    (void)ticked;
    if (imageIndex >= 1 && imageIndex <= kSectionSlots) {
      trees.SetSectionTick(imageIndex, options.TreeViewNodeCheck[imageIndex]);
    }
  }
}

std::string HotkeyKeyName(std::uint32_t keyCode) {
  switch (keyCode) {
    case 8:
      return "BackSpace";
    case 9:
      return "Tab";
    case 12:
      return "Clear";
    case 13:
      return "Enter";
    case 19:
      return "Pause";
    case 20:
      return "CapsLock";
    case 27:
      return "Esc";
    case 32:
      return "Space";
    case 33:
      return "PageUp";
    case 34:
      return "PageDown";
    case 35:
      return "End";
    case 36:
      return "Home";
    case 37:
      return "LeftArrow";
    case 38:
      return "UpArrow";
    case 39:
      return "RightArrow";
    case 40:
      return "DownArrow";
    case 44:
      return "PrintScreen";
    case 45:
      return "Ins";
    case 46:
      return "Del";
    case 47:
      return "Help";
    case 106:
      return "*";
    case 107:
      return "+";
    case 108:
      return "Separator";
    case 109:
      return "-";
    case 110:
      return ".";
    case 111:
      return "/";
    case 144:
      return "Numlock";
    case 145:
      return "Scroll";
    default:
      break;
  }
  if (keyCode >= 48 && keyCode <= 90) return std::string(1, static_cast<char>(keyCode));
  if (keyCode >= 96 && keyCode <= 105) {
    return "Num " + std::string(1, static_cast<char>(keyCode - 48));
  }
  if (keyCode >= 112 && keyCode <= 135) return "F" + std::to_string(keyCode - 111);
  return "";
}

bool HotkeyKeyInTable(std::int64_t keyCode) {
  return keyCode > 0 && keyCode <= 0xFF &&
         !HotkeyKeyName(static_cast<std::uint32_t>(keyCode)).empty();
}

namespace {

bool IsSeparator(char c) {
  return c == '\\' || c == '/';
}

// A folder below the program's folder written as its path from there:
// "Backup", "Lists\\Backup"; never a drive, a root, a share or a ".." part.
bool IsPathBelowFolder(std::string_view path) {
  if (path.empty() || IsSeparator(path.front()) || path.find(':') != std::string_view::npos) {
    return false;
  }
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = start;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    const std::string_view part = path.substr(start, end - start);
    if (part == "..") return false;
    start = end + 1;
  }
  return true;
}

}  // namespace

std::string BackupFolderFromIni(std::string_view stored, std::string_view programFolder) {
  if (IsFullFolderPath(stored)) return std::string(stored);
  // A path from the program's folder keeps the backups with a folder that
  // moved. Any other relative folder would be resolved against the current
  // folder, which no user chose: the default takes its place.
  if (IsPathBelowFolder(stored)) return std::string(programFolder) + std::string(stored);
  return std::string(programFolder) + "Backup";
}

std::string BackupFolderForIni(std::string_view folder, std::string_view programFolder) {
  const std::size_t n = programFolder.size();
  if (n == 0 || folder.size() <= n || !IsSeparator(programFolder.back())) {
    return std::string(folder);
  }
  for (std::size_t i = 0; i < n; ++i) {
    const char a = folder[i], b = programFolder[i];
    if (IsSeparator(a) && IsSeparator(b)) continue;
    if (std::tolower(static_cast<unsigned char>(a)) !=
        std::tolower(static_cast<unsigned char>(b))) {
      return std::string(folder);
    }
  }
  const std::string_view rest = folder.substr(n);
  return IsPathBelowFolder(rest) ? std::string(rest) : std::string(folder);
}

bool IsFullFolderPath(std::string_view path) {
  auto separator = [](char c) { return c == '\\' || c == '/'; };
  const bool drive = path.size() >= 3 &&
                     ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) &&
                     path[1] == ':' && separator(path[2]);
  // A share: two separators, then a server name.
  const bool share =
      path.size() >= 3 && separator(path[0]) && separator(path[1]) && !separator(path[2]);
  return drive || share;
}

}  // namespace nc::app
