#include "cleaner/chrome_bookmarks.h"

#include <array>
#include <cstdint>

#include <nlohmann/json.hpp>

namespace nc::cleaner {

namespace {

// Keeps the strings of "url" members while the library checks the text,
// and stops the parse past kMaxBookmarksDepth.
class UrlCollector final : public nlohmann::json_sax<nlohmann::json> {
 public:
  std::set<std::string> urls;

  bool null() override { return Scalar(); }
  bool boolean(bool) override { return Scalar(); }
  bool number_integer(number_integer_t) override { return Scalar(); }
  bool number_unsigned(number_unsigned_t) override { return Scalar(); }
  bool number_float(number_float_t, const string_t&) override { return Scalar(); }
  bool string(string_t& value) override {
    if (urlNext_) urls.insert(value);
    return Scalar();
  }
  bool binary(binary_t&) override { return Scalar(); }
  bool start_object(std::size_t) override { return Open(); }
  bool key(string_t& name) override {
    urlNext_ = name == "url";
    return true;
  }
  bool end_object() override { return Close(); }
  bool start_array(std::size_t) override { return Open(); }
  bool end_array() override { return Close(); }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
    return false;
  }

 private:
  bool Scalar() {
    urlNext_ = false;
    return true;
  }
  bool Open() {
    urlNext_ = false;
    return ++depth_ <= kMaxBookmarksDepth;
  }
  bool Close() {
    --depth_;
    return true;
  }

  int depth_ = 0;
  bool urlNext_ = false;
};

}  // namespace

std::optional<std::set<std::string>> ParseBookmarkUrls(std::string_view json) {
  // The library's reader takes a NUL for the end of the text; JSON has none.
  if (json.find('\0') != std::string_view::npos) return std::nullopt;
  UrlCollector collector;
  // Strict: one whole value, a byte-order mark before it allowed.
  if (!nlohmann::json::sax_parse(json, &collector)) return std::nullopt;
  return std::move(collector.urls);
}

std::optional<std::set<std::string>> ReadBookmarkUrls(platform::FileSystem& files,
                                                      const std::string& path) {
  const auto attributes = files.attributes(path);
  if (!attributes) return std::set<std::string>{};
  if ((*attributes & (platform::FileAttr::Directory | platform::FileAttr::ReparsePoint)) != 0) {
    return std::nullopt;
  }
  auto file = files.open(path, platform::FileOpen::ReadExisting, platform::FileShare::Read);
  if (!file) return std::nullopt;
  auto size = (*file)->size();
  if (!size || *size > kMaxBookmarksBytes) return std::nullopt;
  std::string text;
  std::array<std::uint8_t, 65536> buffer{};
  for (;;) {
    auto got = (*file)->read(buffer);
    if (!got) return std::nullopt;
    if (*got == 0) break;
    text.append(reinterpret_cast<const char*>(buffer.data()), *got);
    // The file grew while it was read.
    if (text.size() > kMaxBookmarksBytes) return std::nullopt;
  }
  return ParseBookmarkUrls(text);
}

}  // namespace nc::cleaner
