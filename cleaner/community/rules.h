// The rule values of the community rules file (Winapp2.ini), one key's
// value at a time: what a FileKey, RegKey, ExcludeKey, Detect, DetectFile
// and DetectOS line says, as plain structures. Nothing here touches the
// system; paths keep their %Variables% (community/variables.h expands them).
//
// Every parser returns nullopt for a value it does not understand rather
// than reading something into it: a rule that is not understood is
// skipped, never guessed at. Blanks around each "|" and ";" field are
// ignored.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

namespace nc::cleaner::community {

// A registry key: "HKCU\Software\Vendor". Roots are HKCU, HKLM, HKU, HKCR,
// HKCC and their long HKEY_... forms, in any letter case. The key path is
// kept with single backslashes, none leading or trailing, and is never
// empty (a rule never names a whole root).
struct RegistryPath {
  platform::RootKey root = platform::RootKey::CurrentUser;
  std::string keyPath;
  bool operator==(const RegistryPath&) const = default;
};
std::optional<RegistryPath> ParseRegistryPath(std::string_view text);

// How far below its folder a file rule reaches.
enum class FileRuleDepth {
  Folder,      // matching files directly in the folder
  Recurse,     // "|RECURSE": and in every sub-folder
  RemoveSelf,  // "|REMOVESELF": as Recurse, and the emptied folders go too
};

// "FileKeyN=folder|pattern;pattern[|RECURSE|REMOVESELF]". The folder is kept
// as written (it may hold %Variables% and wildcards in any part). Patterns
// are file names with wildcards, never paths: a pattern holding "\" or "/",
// or one that is "." or "..", is refused, and so is an empty one. A folder
// written without any "|" has no patterns and names no file (the real file
// has one such rule; reading it as "*" would be a guess).
struct FileRule {
  std::string folder;
  std::vector<std::string> patterns;
  FileRuleDepth depth = FileRuleDepth::Folder;
  bool operator==(const FileRule&) const = default;
};
std::optional<FileRule> ParseFileKey(std::string_view value);

// "RegKeyN=key" removes the key with its sub-keys; "RegKeyN=key|value" only
// that value (an empty value name after "|" is refused).
struct RegistryRule {
  RegistryPath key;
  std::optional<std::string> valueName;
  bool operator==(const RegistryRule&) const = default;
};
std::optional<RegistryRule> ParseRegKey(std::string_view value);

// "ExcludeKeyN=FILE|folder\|name;name" keeps the named files of the folder,
// "PATH|folder\|pattern;pattern" the matching files of the folder and of its
// sub-folders, "REG|key" or "REG|key|value" a registry key (with all below
// it) or one value. Folders are kept as written; names follow the pattern
// rules of FileRule.
enum class ExclusionKind { File, Path, Registry };
struct ExclusionRule {
  ExclusionKind kind = ExclusionKind::File;
  std::string folder;                 // File and Path
  std::vector<std::string> patterns;  // File and Path
  RegistryRule registry;              // Registry
  bool operator==(const ExclusionRule&) const = default;
};
std::optional<ExclusionRule> ParseExcludeKey(std::string_view value);

// "DetectFileN=path": a file or folder, which may hold %Variables% and
// wildcards in its last part only. "folder|name", written like a FileKey
// with one pattern, is read as "folder\name" (the real file has one).
std::optional<std::string> ParseDetectFile(std::string_view value);

// "DetectOS=min|max", Windows versions "major.minor" with either side
// empty: "6.2|" is Windows 8 and later, "|6.1" up to Windows 7.
struct WindowsVersion {
  int major = 0;
  int minor = 0;
  auto operator<=>(const WindowsVersion&) const = default;
};
struct WindowsVersionRange {
  std::optional<WindowsVersion> min;
  std::optional<WindowsVersion> max;
  bool operator==(const WindowsVersionRange&) const = default;
};
std::optional<WindowsVersionRange> ParseDetectOs(std::string_view value);

// The category a LangSecRef number stands for ("3021" -> "Applications");
// nullopt for a number the format does not define.
std::optional<std::string_view> LangSecRefName(int number);

}  // namespace nc::cleaner::community
