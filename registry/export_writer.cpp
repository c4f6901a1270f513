#include "registry/export_writer.h"

#include <array>
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

#include "core/text.h"

namespace nc::registry {

namespace {

using platform::RegType;
using platform::RegValue;

constexpr std::array<const char*, 7> kRootNames = {
    "HKEY_CLASSES_ROOT",     "HKEY_CURRENT_USER",   "HKEY_LOCAL_MACHINE", "HKEY_USERS",
    "HKEY_PERFORMANCE_DATA", "HKEY_CURRENT_CONFIG", "HKEY_DYN_DATA"};

constexpr std::string_view kHeader4 = "REGEDIT4";
constexpr std::string_view kHeader5 = "Windows Registry Editor Version 5.00";
constexpr std::string_view kEol = "\r\n";

// The two forms a backup file can take.
enum class Form { Ansi, Unicode };

constexpr std::uint32_t T(RegType type) {
  return static_cast<std::uint32_t>(type);
}

std::string TwoDigits(int n) {
  char buffer[8];
  std::snprintf(buffer, sizeof buffer, "%02d", n);
  return buffer;
}

// ---- text and bytes --------------------------------------------------------

std::u16string Units(const std::vector<std::uint8_t>& data) {
  std::u16string units(data.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  }
  return units;
}

void AppendUtf16Bytes(std::vector<std::uint8_t>& out, std::u16string_view units) {
  for (char16_t u : units) {
    out.push_back(static_cast<std::uint8_t>(u & 0xFF));
    out.push_back(static_cast<std::uint8_t>(u >> 8));
  }
}

std::string Utf16LeBytes(std::string_view utf8) {
  const std::u16string units = Utf8ToUtf16(utf8);
  std::string out;
  out.reserve(units.size() * 2);
  for (char16_t u : units) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>(u >> 8);
  }
  return out;
}

bool IsAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// The text comes back unchanged from the ANSI code page (no "?" and no
// best-fit look-alike).
bool FitsAnsi(platform::System& system, std::string_view text) {
  if (IsAscii(text)) return true;
  return system.fromAnsiCodePage(system.toAnsiCodePage(text)) == text;
}

// The pieces of string data between its NULs, each with the number of
// NULs that follow it (the last piece may have none).
struct Piece {
  std::u16string text;
  bool terminated = false;
};
std::vector<Piece> SplitAtNuls(std::u16string_view units) {
  std::vector<Piece> pieces;
  std::size_t start = 0;
  while (start < units.size()) {
    const auto nul = units.find(u'\0', start);
    if (nul == std::u16string_view::npos) {
      pieces.push_back({std::u16string(units.substr(start)), false});
      break;
    }
    pieces.push_back({std::u16string(units.substr(start, nul - start)), true});
    start = nul + 1;
  }
  return pieces;
}

// A REG_SZ that a quoted string gives back exactly: its text, one NUL at
// the end and nowhere else, and no line break (a quoted string is one
// line).
std::optional<std::string> PlainStringText(const RegValue& value) {
  if (value.data.size() < 2 || value.data.size() % 2 != 0) return std::nullopt;
  const std::u16string units = Units(value.data);
  if (units.back() != u'\0') return std::nullopt;
  const std::u16string_view text(units.data(), units.size() - 1);
  for (char16_t u : text) {
    if (u == u'\0' || u == u'\r' || u == u'\n') return std::nullopt;
  }
  return Utf16ToUtf8(text);
}

// ---- value lines -------------------------------------------------------------

// "hex:" or "hex(N):" and the bytes: 26 on the first line, 25 on each
// further one, ",\" closing a broken line, continuation at column 0.
void AppendHexList(std::string& out, std::string_view prefix,
                   const std::vector<std::uint8_t>& bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  out += prefix;
  const std::size_t size = bytes.size();
  for (std::size_t i = 0; i < size; ++i) {
    out += kDigits[bytes[i] >> 4];
    out += kDigits[bytes[i] & 0x0F];
    if (i + 1 < size) {
      out += ',';
      if (i > 0 && i % 25 == 0) {
        out += '\\';
        out += kEol;
      }
    }
  }
  out += kEol;
}

std::string HexPrefix(std::uint32_t type) {
  char buffer[24];
  std::snprintf(buffer, sizeof buffer, "hex(%x):", static_cast<unsigned>(type));
  return buffer;
}

void AppendQuoted(std::string& out, std::string_view text) {
  out += '"';
  out += EscapeQuotes(EscapeBackslashes(text));
  out += '"';
}

// The bytes REGEDIT4 gives an expand-string or multi-string: the ANSI
// bytes of each string with its NUL.
std::vector<std::uint8_t> AnsiStringBytes(platform::System& system,
                                          const std::vector<std::uint8_t>& data) {
  std::vector<std::uint8_t> out;
  for (const Piece& piece : SplitAtNuls(Units(data))) {
    const std::string text = Utf16ToUtf8(piece.text);
    // ASCII has the same bytes in every ANSI code page.
    const std::string ansi = IsAscii(text) ? text : system.toAnsiCodePage(text);
    out.insert(out.end(), ansi.begin(), ansi.end());
    if (piece.terminated) out.push_back(0);
  }
  return out;
}

void AppendValueLine(std::string& out, platform::System& system, const RegValue& value, Form form) {
  if (value.name.empty()) {
    out += '@';
  } else {
    AppendQuoted(out, value.name);
  }
  out += '=';
  switch (value.type) {
    case T(RegType::String):
      if (auto text = PlainStringText(value)) {
        AppendQuoted(out, *text);
        out += kEol;
      } else {
        // Only a version 5 file reaches here (see EntryFitsAnsi).
        AppendHexList(out, HexPrefix(value.type), value.data);
      }
      return;
    case T(RegType::ExpandString):
    case T(RegType::MultiString):
      AppendHexList(out, HexPrefix(value.type),
                    form == Form::Ansi ? AnsiStringBytes(system, value.data) : value.data);
      return;
    case T(RegType::Dword):
      if (value.data.size() == 4) {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "dword:%08X",
                      static_cast<unsigned>(platform::ValueDword(value).value_or(0)));
        out += buffer;
        out += kEol;
      } else {
        AppendHexList(out, HexPrefix(value.type), value.data);
      }
      return;
    case T(RegType::Binary):
      AppendHexList(out, "hex:", value.data);
      return;
    default:
      AppendHexList(out, HexPrefix(value.type), value.data);
      return;
  }
}

// ---- the entry -----------------------------------------------------------------

struct KeyBlock {
  std::string path;
  std::vector<RegValue> values;
};

std::string KeyPathOf(std::string_view parent, std::string_view name) {
  if (parent.empty()) return std::string(name);
  std::string path(parent);
  path += '\\';
  path += name;
  return path;
}

// Reads what the entry holds: one block per key, in the order written.
std::vector<KeyBlock> CollectEntry(platform::Registry& registry, PredefinedRoot root, bool wholeKey,
                                   std::string_view valueName, const std::string& keyPath) {
  std::vector<KeyBlock> blocks;
  const auto portRoot = ToPortRoot(root);
  if (!wholeKey) {
    KeyBlock block{keyPath, {}};
    if (portRoot) {
      auto key = registry.open(*portRoot, keyPath, platform::RegAccess::Full);
      if (key) {
        auto value = registry.readValue(*key, valueName);
        if (value) block.values.push_back(std::move(*value));
      }
    }
    blocks.push_back(std::move(block));
    return blocks;
  }

  // Depth first without recursion: a key, then each sub-key's whole tree
  // in the captured order, then the next sibling.
  std::vector<std::pair<std::string, std::size_t>> pending{{keyPath, 0}};
  while (!pending.empty()) {
    auto [path, depth] = std::move(pending.back());
    pending.pop_back();
    KeyBlock block{path, {}};
    std::vector<std::string> subKeys;
    if (portRoot) {
      auto key = registry.open(*portRoot, path, platform::RegAccess::Full);
      if (key) {
        if (auto values = registry.values(*key)) block.values = std::move(*values);
        if (auto names = registry.subKeyNames(*key)) subKeys = std::move(*names);
      }
    }
    if (depth < kMaxExportDepth) {
      for (auto it = subKeys.rbegin(); it != subKeys.rend(); ++it) {
        pending.emplace_back(KeyPathOf(path, *it), depth + 1);
      }
    }
    blocks.push_back(std::move(block));
  }
  return blocks;
}

bool ValueFitsAnsi(platform::System& system, const RegValue& value) {
  if (!FitsAnsi(system, value.name)) return false;
  switch (value.type) {
    case T(RegType::String): {
      const auto text = PlainStringText(value);
      return text && FitsAnsi(system, *text);
    }
    case T(RegType::ExpandString):
    case T(RegType::MultiString):
      for (const Piece& piece : SplitAtNuls(Units(value.data))) {
        if (!FitsAnsi(system, Utf16ToUtf8(piece.text))) return false;
      }
      return true;
    default:
      return true;
  }
}

bool EntryFitsAnsi(platform::System& system, PredefinedRoot root,
                   const std::vector<KeyBlock>& blocks) {
  (void)root;  // root names are ASCII
  for (const KeyBlock& block : blocks) {
    if (!FitsAnsi(system, block.path)) return false;
    for (const RegValue& value : block.values) {
      if (!ValueFitsAnsi(system, value)) return false;
    }
  }
  return true;
}

// The entry as UTF-8 text; the hex lists of strings already carry the
// bytes of `form`.
std::string RenderEntry(platform::System& system, PredefinedRoot root,
                        const std::vector<KeyBlock>& blocks, Form form) {
  std::string out;
  for (const KeyBlock& block : blocks) {
    out += kEol;
    out += '[';
    out += RootKeyName(root);
    out += '\\';
    out += block.path;
    out += ']';
    out += kEol;
    for (const RegValue& value : block.values) AppendValueLine(out, system, value, form);
  }
  return out;
}

std::string Encode(platform::System& system, std::string_view text, Form form) {
  if (form == Form::Unicode) return Utf16LeBytes(text);
  return IsAscii(text) ? std::string(text) : system.toAnsiCodePage(text);
}

std::string HeaderBytes(platform::System& system, Form form) {
  if (form == Form::Ansi) return Encode(system, std::string(kHeader4) + std::string(kEol), form);
  return std::string("\xFF\xFE") + Utf16LeBytes(std::string(kHeader5) + std::string(kEol));
}

// ---- turning a REGEDIT4 file into version 5 ------------------------------------

std::optional<std::vector<std::uint8_t>> ParseHexBytes(std::string_view text) {
  std::vector<std::uint8_t> bytes;
  for (const std::string& item : Split(text, ',')) {
    const std::string_view digits = Trim(item);
    if (digits.empty()) continue;
    unsigned value = 0;
    for (char c : digits) {
      value <<= 4;
      if (c >= '0' && c <= '9') {
        value |= static_cast<unsigned>(c - '0');
      } else if (c >= 'A' && c <= 'F') {
        value |= static_cast<unsigned>(c - 'A' + 10);
      } else if (c >= 'a' && c <= 'f') {
        value |= static_cast<unsigned>(c - 'a' + 10);
      } else {
        return std::nullopt;
      }
    }
    if (value > 0xFF) return std::nullopt;
    bytes.push_back(static_cast<std::uint8_t>(value));
  }
  return bytes;
}

// Where the data part of a value line starts; npos for other lines.
std::size_t DataStart(std::string_view line) {
  if (StartsWith(line, "@=")) return 2;
  if (line.empty() || line.front() != '"') return std::string_view::npos;
  std::size_t i = 1;
  while (i < line.size()) {
    if (line[i] == '\\') {
      i += 2;
    } else if (line[i] == '"') {
      break;
    } else {
      ++i;
    }
  }
  if (i + 1 >= line.size() || line[i + 1] != '=') return std::string_view::npos;
  return i + 2;
}

// A REGEDIT4 text (already in UTF-8) as version 5 text: the header
// replaced and the ANSI bytes of string hex lists turned into UTF-16.
std::string AnsiFileToVersion5(platform::System& system, std::string_view text) {
  const std::vector<std::string_view> lines = SplitLines(text);

  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string_view line = lines[i];
    if (i == 0 && Trim(line) == kHeader4) {
      out += kHeader5;
      out += kEol;
      continue;
    }
    const std::size_t data = DataStart(line);
    const std::string_view rest =
        data == std::string_view::npos ? std::string_view() : line.substr(data);
    const bool stringHex =
        StartsWith(rest, "hex(1):") || StartsWith(rest, "hex(2):") || StartsWith(rest, "hex(7):");
    if (!stringHex) {
      out += line;
      out += kEol;
      continue;
    }
    // Gather the continuation lines of the list.
    std::string list(rest.substr(7));
    std::size_t last = i;
    while (!list.empty() && list.back() == '\\' && last + 1 < lines.size()) {
      list.pop_back();
      list += lines[++last];
    }
    const auto bytes = ParseHexBytes(list);
    if (!bytes) {
      for (std::size_t k = i; k <= last; ++k) {
        out += lines[k];
        out += kEol;
      }
      i = last;
      continue;
    }
    std::vector<std::uint8_t> wide;
    std::size_t pieceStart = 0;
    for (std::size_t k = 0; k <= bytes->size(); ++k) {
      if (k == bytes->size() || (*bytes)[k] == 0) {
        const std::string ansi(bytes->begin() + static_cast<std::ptrdiff_t>(pieceStart),
                               bytes->begin() + static_cast<std::ptrdiff_t>(k));
        AppendUtf16Bytes(wide, Utf8ToUtf16(system.fromAnsiCodePage(ansi)));
        if (k < bytes->size()) AppendUtf16Bytes(wide, std::u16string(1, u'\0'));
        pieceStart = k + 1;
      }
    }
    out += line.substr(0, data);
    AppendHexList(out, rest.substr(0, 7), wide);
    i = last;
  }
  return out;
}

Status WriteAll(platform::File& file, std::string_view bytes) {
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  if (auto st = file.write({data, bytes.size()}); !st) return st;
  return file.flush();
}

}  // namespace

const char* RootKeyName(PredefinedRoot root) {
  return kRootNames[static_cast<std::size_t>(root)];
}

PredefinedRoot ToPredefinedRoot(platform::RootKey root) {
  switch (root) {
    case platform::RootKey::ClassesRoot:
      return PredefinedRoot::ClassesRoot;
    case platform::RootKey::CurrentUser:
      return PredefinedRoot::CurrentUser;
    case platform::RootKey::LocalMachine:
      return PredefinedRoot::LocalMachine;
    case platform::RootKey::Users:
      return PredefinedRoot::Users;
    case platform::RootKey::CurrentConfig:
      return PredefinedRoot::CurrentConfig;
  }
  return PredefinedRoot::LocalMachine;
}

std::optional<platform::RootKey> ToPortRoot(PredefinedRoot root) {
  switch (root) {
    case PredefinedRoot::ClassesRoot:
      return platform::RootKey::ClassesRoot;
    case PredefinedRoot::CurrentUser:
      return platform::RootKey::CurrentUser;
    case PredefinedRoot::LocalMachine:
      return platform::RootKey::LocalMachine;
    case PredefinedRoot::Users:
      return platform::RootKey::Users;
    case PredefinedRoot::CurrentConfig:
      return platform::RootKey::CurrentConfig;
    case PredefinedRoot::PerformanceData:
    case PredefinedRoot::DynData:
      return std::nullopt;
  }
  return std::nullopt;
}

std::string EscapeBackslashes(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '\\') out += '\\';
    out += c;
  }
  return out;
}

std::string EscapeQuotes(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '"') out += '\\';
    out += c;
  }
  return out;
}

std::string MakeBackupFileName(std::string_view outputDirectory, platform::Clock& clock) {
  const platform::LocalTime now = clock.now();
  std::string name = WithTrailingBackslash(outputDirectory);
  name += std::to_string(now.year);
  name += '_';
  name += TwoDigits(now.month);
  name += '_';
  name += TwoDigits(now.day);
  name += '_';
  name += TwoDigits(now.hour);
  name += TwoDigits(now.minute);
  name += TwoDigits(now.second);
  name += ".reg";
  return name;
}

Status ExportToBackup(const ExportPorts& ports, std::string_view fileName, PredefinedRoot root,
                      bool wholeKey, std::string_view valueName, std::string_view keyPath) {
  std::string path(keyPath);
  if (!path.empty() && path.back() == '\\') path.pop_back();

  // The file first: when it cannot be opened nothing else happens.
  std::unique_ptr<platform::File> file;
  bool needHeader = true;
  Form fileForm = Form::Ansi;
  if (ports.files.fileExists(fileName)) {
    auto opened = ports.files.open(fileName, platform::FileOpen::ReadWriteExisting,
                                   platform::FileShare::Read);
    if (!opened) return opened.error();
    file = std::move(*opened);
    auto size = file->size();
    if (!size) return size.error();
    needHeader = *size == 0;
    if (*size >= 2) {
      std::array<std::uint8_t, 2> mark{};
      auto got = file->read(mark);
      if (!got) return got.error();
      if (*got == 2 && mark[0] == 0xFF && mark[1] == 0xFE) fileForm = Form::Unicode;
    }
    if (auto st = file->seek(*size); !st) return st;
  } else {
    auto created =
        ports.files.open(fileName, platform::FileOpen::CreateAlways, platform::FileShare::Read);
    if (!created) return created.error();
    file = std::move(*created);
  }

  const std::vector<KeyBlock> blocks =
      CollectEntry(ports.registry, root, wholeKey, valueName, path);
  const Form entryForm = EntryFitsAnsi(ports.system, root, blocks) ? Form::Ansi : Form::Unicode;

  if (!needHeader && fileForm == Form::Ansi && entryForm == Form::Unicode) {
    // The file so far is REGEDIT4 and this entry needs version 5: rewrite
    // the whole file in version 5 with the entry at its end.
    file.reset();
    auto old = platform::ReadWholeFile(ports.files, fileName);
    if (!old) return old.error();
    std::string text = AnsiFileToVersion5(ports.system, ports.system.fromAnsiCodePage(*old));
    text += RenderEntry(ports.system, root, blocks, Form::Unicode);
    return platform::WriteWholeFile(ports.files, fileName, "\xFF\xFE" + Utf16LeBytes(text));
  }

  const Form form = needHeader ? entryForm : fileForm;
  std::string bytes = needHeader ? HeaderBytes(ports.system, form) : std::string();
  bytes += Encode(ports.system, RenderEntry(ports.system, root, blocks, form), form);
  return WriteAll(*file, bytes);
}

}  // namespace nc::registry
