#include "cleaner/cookie_keep_list.h"

#include <algorithm>

#include "core/text.h"

namespace nc::cleaner {

namespace {
constexpr std::string_view kSection = "Cookies to Keep";
}

std::string CookieKeepListPath(std::string_view programFolder) {
  return WithTrailingBackslash(programFolder) + "Cookies.ini";
}

std::vector<std::string> ReadCookieKeepList(platform::Profile& profile, std::string_view path) {
  const auto stored = ParseInt32(profile.readString(path, kSection, "Count", "0")).value_or(0);
  const auto lines = static_cast<std::int32_t>(profile.sectionLines(path, kSection).size());
  const std::int32_t count = std::clamp(stored, 0, lines);
  std::vector<std::string> names;
  for (std::int32_t i = 0; i < count; ++i) {
    std::string name = profile.readString(path, kSection, std::to_string(i), "");
    if (!name.empty()) names.push_back(std::move(name));
  }
  return names;
}

std::optional<std::vector<std::string>> ReadCookieKeepListForClean(platform::FileSystem& files,
                                                                   platform::Profile& profile,
                                                                   std::string_view path) {
  if (!files.fileExists(path)) return std::vector<std::string>{};
  // The profile functions read a file they cannot open as an empty one;
  // reading it whole first tells the two apart.
  if (!platform::ReadWholeFile(files, path)) return std::nullopt;
  const auto count = ParseInt32(profile.readString(path, kSection, "Count", ""));
  if (!count || *count < 0) return std::nullopt;
  return ReadCookieKeepList(profile, path);
}

bool WriteCookieKeepList(platform::Profile& profile, std::string_view path,
                         const std::vector<std::string>& names) {
  bool written = profile.writeString(path, kSection, "Count", std::to_string(names.size()));
  for (std::size_t i = 0; i < names.size() && written; ++i)
    written = profile.writeString(path, kSection, std::to_string(i), names[i]);
  return written;
}

}  // namespace nc::cleaner
