#include "platform/sim/sim_profile.h"

#include "core/text.h"

namespace nc::sim {

std::string SimProfile::pathOf(std::string_view file) {
  if (file.find('\\') != std::string_view::npos || file.find(':') != std::string_view::npos) {
    return std::string(file);
  }
  return platform::JoinPath(files_.windowsFolder(), file);
}

std::optional<SimProfile::Loaded> SimProfile::load(const std::string& path) {
  auto content = platform::ReadWholeFile(files_, path);
  if (!content) {
    if (content.error().code == Errc::NotFound) return Loaded{};
    return std::nullopt;
  }
  DecodedText decoded = DecodeTextFile(*content);
  return Loaded{IniDocument::Parse(decoded.text), decoded.encoding};
}

bool SimProfile::store(const std::string& path, const Loaded& loaded) {
  const std::string bytes = EncodeTextFile(loaded.doc.toText(), loaded.encoding);
  return platform::WriteWholeFile(files_, path, bytes).ok();
}

std::string SimProfile::readString(std::string_view file, std::string_view section,
                                   std::string_view key, std::string_view fallback) {
  std::lock_guard lock(mutex_);
  const auto loaded = load(pathOf(file));
  if (!loaded) return std::string(Trim(fallback));
  const auto found = loaded->doc.get(section, key);
  if (!found) return std::string(Trim(fallback));
  std::string text = *found;
  if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
      text.back() == text.front()) {
    text = text.substr(1, text.size() - 2);
  }
  return text;
}

bool SimProfile::writeString(std::string_view file, std::string_view section, std::string_view key,
                             std::string_view value) {
  std::lock_guard lock(mutex_);
  const std::string path = pathOf(file);
  auto loaded = load(path);
  if (!loaded) return false;  // never replace a file that could not be read
  loaded->doc.set(section, key, value);
  return store(path, *loaded);
}

bool SimProfile::eraseSection(std::string_view file, std::string_view section) {
  std::lock_guard lock(mutex_);
  const std::string path = pathOf(file);
  auto loaded = load(path);
  if (!loaded) return false;
  if (!loaded->doc.eraseSection(section)) return true;  // nothing to do
  return store(path, *loaded);
}

std::vector<std::string> SimProfile::sectionNames(std::string_view file) {
  std::lock_guard lock(mutex_);
  const auto loaded = load(pathOf(file));
  return loaded ? loaded->doc.sectionNames() : std::vector<std::string>{};
}

std::vector<std::string> SimProfile::sectionLines(std::string_view file, std::string_view section) {
  std::lock_guard lock(mutex_);
  const auto loaded = load(pathOf(file));
  return loaded ? loaded->doc.sectionLines(section) : std::vector<std::string>{};
}

}  // namespace nc::sim
