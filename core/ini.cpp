#include "core/ini.h"

#include "core/text.h"

namespace nc {

namespace {
constexpr std::size_t npos = std::string::npos;
}

IniDocument::Line IniDocument::ParseLine(std::string_view raw) {
  Line line;
  line.raw = std::string(raw);
  const std::string_view t = Trim(raw);
  if (t.empty()) {
    line.kind = Kind::Blank;
  } else if (t.front() == ';') {
    line.kind = Kind::Comment;
  } else if (t.front() == '[') {
    line.kind = Kind::Section;
    std::string_view name = t.substr(1);
    const auto close = name.rfind(']');
    if (close != std::string_view::npos) name = name.substr(0, close);
    line.name = std::string(Trim(name));
  } else if (const auto eq = t.find('='); eq != std::string_view::npos) {
    line.kind = Kind::Key;
    line.name = std::string(Trim(t.substr(0, eq)));
    line.value = std::string(Trim(t.substr(eq + 1)));
  } else {
    line.kind = Kind::Other;
  }
  return line;
}

IniDocument IniDocument::Parse(std::string_view text) {
  IniDocument doc;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    doc.lines_.push_back(ParseLine(text.substr(start, end - start)));
    if (end < text.size() && text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') {
      ++end;
    }
    start = end + 1;
  }
  return doc;
}

std::string IniDocument::toText() const {
  std::string out;
  for (const Line& line : lines_) {
    out += line.raw;
    out += "\r\n";
  }
  return out;
}

std::size_t IniDocument::findKey(std::string_view section, std::string_view key) const {
  bool inside = false;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const Line& line = lines_[i];
    if (line.kind == Kind::Section) {
      inside = EqualsNoCase(line.name, section);
    } else if (inside && line.kind == Kind::Key && EqualsNoCase(line.name, key)) {
      return i;
    }
  }
  return npos;
}

std::optional<std::string> IniDocument::get(std::string_view section, std::string_view key) const {
  const std::size_t i = findKey(Trim(section), Trim(key));
  if (i == npos) return std::nullopt;
  return lines_[i].value;
}

void IniDocument::set(std::string_view section, std::string_view key, std::string_view value) {
  section = Trim(section);
  key = Trim(key);
  if (const std::size_t i = findKey(section, key); i != npos) {
    Line& line = lines_[i];
    line.raw = line.name + "=" + std::string(value);
    line.value = std::string(Trim(value));
    return;
  }
  // After the last non-blank line of the first part of the section.
  std::size_t insertAt = npos;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (lines_[i].kind != Kind::Section || !EqualsNoCase(lines_[i].name, section)) continue;
    insertAt = i + 1;
    for (std::size_t j = i + 1; j < lines_.size() && lines_[j].kind != Kind::Section; ++j) {
      if (lines_[j].kind != Kind::Blank) insertAt = j + 1;
    }
    break;
  }
  const Line keyLine = ParseLine(std::string(key) + "=" + std::string(value));
  if (insertAt != npos) {
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), keyLine);
    return;
  }
  if (!lines_.empty() && lines_.back().kind != Kind::Blank) lines_.push_back(ParseLine(""));
  lines_.push_back(ParseLine("[" + std::string(section) + "]"));
  lines_.push_back(keyLine);
}

bool IniDocument::eraseKey(std::string_view section, std::string_view key) {
  const std::size_t i = findKey(Trim(section), Trim(key));
  if (i == npos) return false;
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(i));
  return true;
}

bool IniDocument::eraseSection(std::string_view section) {
  section = Trim(section);
  bool erased = false;
  std::vector<Line> kept;
  kept.reserve(lines_.size());
  bool inside = false;
  for (Line& line : lines_) {
    if (line.kind == Kind::Section) inside = EqualsNoCase(line.name, section);
    if (inside) {
      erased = true;
    } else {
      kept.push_back(std::move(line));
    }
  }
  lines_ = std::move(kept);
  return erased;
}

bool IniDocument::hasSection(std::string_view section) const {
  section = Trim(section);
  for (const Line& line : lines_) {
    if (line.kind == Kind::Section && EqualsNoCase(line.name, section)) return true;
  }
  return false;
}

std::vector<std::string> IniDocument::sectionNames() const {
  std::vector<std::string> names;
  for (const Line& line : lines_) {
    if (line.kind != Kind::Section) continue;
    bool seen = false;
    for (const auto& name : names) seen = seen || EqualsNoCase(name, line.name);
    if (!seen) names.push_back(line.name);
  }
  return names;
}

std::vector<std::string> IniDocument::sectionLines(std::string_view section) const {
  section = Trim(section);
  std::vector<std::string> out;
  bool inside = false;
  for (const Line& line : lines_) {
    if (line.kind == Kind::Section) {
      inside = EqualsNoCase(line.name, section);
    } else if (inside && (line.kind == Kind::Key || line.kind == Kind::Other)) {
      out.emplace_back(Trim(line.raw));
    }
  }
  return out;
}

std::vector<std::pair<std::string, std::string>> IniDocument::entries(
    std::string_view section) const {
  section = Trim(section);
  std::vector<std::pair<std::string, std::string>> out;
  bool inside = false;
  for (const Line& line : lines_) {
    if (line.kind == Kind::Section) {
      inside = EqualsNoCase(line.name, section);
    } else if (inside && line.kind == Kind::Key) {
      bool seen = false;
      for (const auto& entry : out) seen = seen || EqualsNoCase(entry.first, line.name);
      if (!seen) out.emplace_back(line.name, line.value);
    }
  }
  return out;
}

DecodedText DecodeTextFile(std::string_view bytes) {
  DecodedText out;
  if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
    out.text = std::string(bytes.substr(3));
    out.encoding = TextEncoding::Utf8Bom;
  } else if (bytes.size() >= 2 && bytes.substr(0, 2) == "\xFF\xFE") {
    out.text = Utf16LeToUtf8(bytes.substr(2));
    out.encoding = TextEncoding::Utf16LeBom;
  } else {
    out.text = std::string(bytes);
  }
  return out;
}

std::string EncodeTextFile(std::string_view text, TextEncoding encoding) {
  switch (encoding) {
    case TextEncoding::Utf8:
      return std::string(text);
    case TextEncoding::Utf8Bom:
      return "\xEF\xBB\xBF" + std::string(text);
    case TextEncoding::Utf16LeBom: {
      const auto bytes = Utf8ToUtf16Le(text);
      return "\xFF\xFE" + std::string(bytes.begin(), bytes.end());
    }
  }
  return std::string(text);
}

}  // namespace nc
