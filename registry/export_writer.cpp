#include "registry/export_writer.h"

#include "registry/locations.h"

#include <array>
#include <cstdio>
#include <memory>
#include <utility>
#include <vector>

#include "core/text.h"

namespace nc::registry {

namespace {

using platform::RegValue;

std::string AsString(const std::vector<std::uint8_t>& bytes) {
  return std::string(bytes.begin(), bytes.end());
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

bool IsExpandOrMulti(std::uint32_t type) {
  return type == kRegExpandSz || type == kRegMultiSz;
}

// The strings of expand- or multi-string data between its NULs (the NULs
// of the UTF-16 data are NUL bytes of the UTF-8 text); after a final NUL
// comes an empty piece.
std::vector<std::string> NulSeparated(const std::vector<std::uint8_t>& data) {
  return Split(Utf16LeToUtf8(data), '\0');
}

// The bytes REGEDIT4 gives an expand-string or multi-string: the ANSI
// bytes of each string with its NUL.
std::vector<std::uint8_t> AnsiStringBytes(platform::System& system,
                                          const std::vector<std::uint8_t>& data) {
  std::vector<std::uint8_t> out;
  bool first = true;
  for (const std::string& text : NulSeparated(data)) {
    if (!first) out.push_back(0);
    first = false;
    // ASCII has the same bytes in every ANSI code page.
    const std::string ansi = IsAscii(text) ? text : system.toAnsiCodePage(text);
    out.insert(out.end(), ansi.begin(), ansi.end());
  }
  return out;
}

// The name a value has in the registry, as 8-bit text that keeps every
// unit (Utf16ToWtf8); only a version 5 file is written from a name that
// is not whole text (see ValueFitsAnsi).
std::string NameText(const RegValue& value) {
  if (value.exactName.empty()) return value.name;
  return Utf16ToWtf8(value.exactName);
}

void AppendValueLine(std::string& out, platform::System& system, const RegValue& value,
                     RegFileForm form) {
  // A string that cannot go in quotes becomes a hex(1) list, which only a
  // version 5 file reaches (see ValueFitsAnsi).
  if (form == RegFileForm::Ansi && IsExpandOrMulti(value.type)) {
    AppendRegValueLine(out, NameText(value), value.type, AnsiStringBytes(system, value.data),
                       RegFileLayout::Backup);
  } else {
    AppendRegValueLine(out, NameText(value), value.type, value.data, RegFileLayout::Backup);
  }
}

// ---- the entry -----------------------------------------------------------------

struct KeyBlock {
  std::string path;  // below the root; the names of sub-keys as Utf16ToWtf8 gives them
  std::vector<RegValue> values;
  bool link = false;  // a registry link, which no registry file can make again
};

std::string KeyPathOf(std::string_view parent, std::string_view name) {
  if (parent.empty()) return std::string(name);
  std::string path(parent);
  path += '\\';
  path += name;
  return path;
}

// A key that vanished between the listing and the read has nothing left
// to lose; any other failure to read means the backup would be partial.
bool Vanished(const Error& error) {
  return error.code == Errc::NotFound;
}

// The value the entry names: by its text, or by its exact name.
struct ValueRef {
  std::string_view text;
  const std::u16string* exact = nullptr;
};

// A name with a line break or a NUL cannot be written so that the
// registry editor reads it back, nor can a registry link be made again:
// such an entry is not backed up. A lone surrogate half goes into a
// version 5 file unit for unit, and the editor reads it back so.
bool NameCarried(std::string_view name) {
  return name.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

bool ExactNameCarried(std::u16string_view name) {
  return name.find_first_of(std::u16string_view(u"\r\n\0", 3)) == std::u16string_view::npos;
}

// Reads what the entry holds: one block per key, in the order written.
// Keys are opened for reading only, the least the backup needs. Sub-keys
// are listed and opened by their exact names, so that a name text cannot
// carry never opens a look-alike key or none. An error when a key, its
// values or its sub-key names cannot be read whole, or when the tree is
// deeper than a backup visits: what is not in the file must not be
// deleted. nullopt when the tree holds a key that the file cannot name.
Result<std::optional<std::vector<KeyBlock>>> CollectEntry(platform::Registry& registry,
                                                          PredefinedRoot root, bool wholeKey,
                                                          const ValueRef& valueName,
                                                          const std::string& keyPath) {
  std::vector<KeyBlock> blocks;
  const auto portRoot = ToPortRoot(root);
  if (!wholeKey) {
    KeyBlock block{keyPath, {}};
    if (portRoot) {
      auto key =
          registry.open(*portRoot, keyPath, platform::RegAccess::Read, ViewOfLocation(*portRoot));
      if (!key && !Vanished(key.error())) return key.error();
      if (key) {
        auto value = valueName.exact != nullptr
                         ? platform::ReadExactValue(registry, *key, *valueName.exact)
                         : registry.readValue(*key, valueName.text);
        if (!value && !Vanished(value.error())) return value.error();
        if (value) block.values.push_back(std::move(*value));
      }
    }
    blocks.push_back(std::move(block));
    return std::optional(std::move(blocks));
  }

  platform::RegKey top;
  if (portRoot) {
    // Opened as itself: a link is never followed into what it points to,
    // and it stops the walk there.
    auto key = registry.open(*portRoot, keyPath, platform::RegAccess::ReadNoFollow,
                             ViewOfLocation(*portRoot));
    if (!key && !Vanished(key.error())) return key.error();
    if (key) top = std::move(*key);
  }
  // Depth first without recursion: a key, then each sub-key's whole tree
  // in the captured order, then the next sibling. Each key below the top
  // one is opened from it by the exact names of its path.
  struct Pending {
    std::string path;
    std::u16string below;  // exact path below the top key; "" for the top key
    std::size_t depth = 0;
  };
  std::vector<Pending> pending{{keyPath, {}, 0}};
  while (!pending.empty()) {
    Pending next = std::move(pending.back());
    pending.pop_back();
    KeyBlock block{std::move(next.path), {}};
    std::vector<std::u16string> subKeys;
    if (top.valid()) {
      Result<platform::RegKey> key = platform::RegKey();
      if (!next.below.empty()) {
        key = registry.openSubExact(top, next.below, platform::RegAccess::ReadNoFollow);
        if (!key && !Vanished(key.error())) return key.error();
      }
      const platform::RegKey& open = next.below.empty() ? top : *key;
      if (!next.below.empty() && !key) {
        // Gone meanwhile: nothing left to lose.
      } else if (registry.isLink(open).value_or(false)) {
        block.link = true;
      } else {
        auto values = registry.values(open);
        if (!values) return values.error();
        block.values = std::move(*values);
        auto names = registry.exactSubKeyNames(open);
        if (!names) return names.error();
        subKeys = std::move(*names);
      }
    }
    if (!subKeys.empty() && next.depth >= kMaxExportDepth) {
      return Error{Errc::NotSupported, "export key", block.path};
    }
    for (auto it = subKeys.rbegin(); it != subKeys.rend(); ++it) {
      if (!ExactNameCarried(*it)) return std::optional<std::vector<KeyBlock>>();
      std::u16string below = next.below;
      if (!below.empty()) below += u'\\';
      below += *it;
      pending.push_back(
          {KeyPathOf(block.path, Utf16ToWtf8(*it)), std::move(below), next.depth + 1});
    }
    blocks.push_back(std::move(block));
  }
  return std::optional(std::move(blocks));
}

bool EntryCarried(const std::vector<KeyBlock>& blocks) {
  for (const KeyBlock& block : blocks) {
    if (block.link || !NameCarried(block.path)) return false;
    for (const RegValue& value : block.values) {
      if (!NameCarried(value.name) || !ExactNameCarried(value.exactName)) return false;
    }
  }
  return true;
}

// Expand- and multi-string data that is not whole UTF-16 text (an odd
// byte count, a lone surrogate) has no ANSI bytes that give it back.
bool WholeUtf16(const std::vector<std::uint8_t>& data) {
  return data.size() % 2 == 0 && Utf8ToUtf16Le(Utf16LeToUtf8(data)) == data;
}

bool ValueFitsAnsi(platform::System& system, const RegValue& value) {
  if (!FitsAnsi(system, value.name) || !platform::IsWholeText(value.exactName)) return false;
  if (value.type == kRegSz) {
    const auto text = QuotableStringText(value.data);
    return text && FitsAnsi(system, *text);
  }
  if (IsExpandOrMulti(value.type)) {
    if (!WholeUtf16(value.data)) return false;
    for (const std::string& text : NulSeparated(value.data)) {
      if (!FitsAnsi(system, text)) return false;
    }
  }
  return true;
}

bool EntryFitsAnsi(platform::System& system, PredefinedRoot root,
                   const std::vector<KeyBlock>& blocks) {
  (void)root;  // root names are ASCII
  for (const KeyBlock& block : blocks) {
    // A lone surrogate half is not UTF-8, and no code page carries it.
    if (!IsValidUtf8(block.path) || !FitsAnsi(system, block.path)) return false;
    for (const RegValue& value : block.values) {
      if (!ValueFitsAnsi(system, value)) return false;
    }
  }
  return true;
}

// The entry as UTF-8 text; the hex lists of strings already carry the
// bytes of `form`.
std::string RenderEntry(platform::System& system, PredefinedRoot root,
                        const std::vector<KeyBlock>& blocks, RegFileForm form) {
  std::string out;
  for (const KeyBlock& block : blocks) {
    AppendRegKeyLine(out, std::string(RootKeyName(root)) + '\\' + block.path);
    for (const RegValue& value : block.values) AppendValueLine(out, system, value, form);
  }
  return out;
}

// The UTF-16LE bytes of text that may hold lone surrogate halves.
std::string Utf16Bytes(std::string_view text) {
  return AsString(Utf16LeBytes(Wtf8ToUtf16(text)));
}

std::string Encode(platform::System& system, std::string_view text, RegFileForm form) {
  if (form == RegFileForm::Unicode) return Utf16Bytes(text);
  return IsAscii(text) ? std::string(text) : system.toAnsiCodePage(text);
}

std::string HeaderBytes(platform::System& system, RegFileForm form) {
  if (form == RegFileForm::Ansi) return Encode(system, RegFileHeaderLine(form), form);
  return AsString(EncodeRegFileUtf16(RegFileHeaderLine(form)));
}

// A REGEDIT4 backup (already in UTF-8) as version 5 text: read back and
// written again, the ANSI bytes of its string hex lists turned into
// UTF-16. The files hold only what RenderEntry wrote, so every line
// comes back as it was.
std::string AnsiFileToVersion5(platform::System& system, std::string_view text) {
  const RegFileParse parsed = ParseRegFile(
      text, [&system](std::string_view ansi) { return system.fromAnsiCodePage(ansi); });
  std::string out = RegFileHeaderLine(RegFileForm::Unicode);
  for (const RegFileOp& op : parsed.ops) {
    if (op.kind == RegFileOp::Kind::CreateKey) {
      AppendRegKeyLine(out, std::string(RootKeyName(op.root)) + '\\' + op.path);
    } else if (op.kind == RegFileOp::Kind::SetValue) {
      AppendRegValueLine(out, op.value.name, op.value.type, op.value.data, RegFileLayout::Backup);
    }
  }
  return out;
}

Status WriteAll(platform::File& file, std::string_view bytes) {
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  if (auto st = file.write({data, bytes.size()}); !st) return st;
  return file.flush();
}

}  // namespace

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

namespace {

Result<bool> ExportEntry(const platform::Platform& ports, std::string_view fileName,
                         PredefinedRoot root, bool wholeKey, const ValueRef& valueName,
                         std::string_view keyPath) {
  std::string path(keyPath);
  if (!path.empty() && path.back() == '\\') path.pop_back();
  // The registry would read such a name only up to its first NUL, that is
  // as another value's.
  if (!wholeKey && !NameCarried(valueName.text)) return false;
  if (!wholeKey && valueName.exact != nullptr && !ExactNameCarried(*valueName.exact)) return false;

  auto collected = CollectEntry(ports.registry, root, wholeKey, valueName, path);
  if (!collected) return collected.error();
  if (!*collected) return false;
  const std::vector<KeyBlock>& blocks = **collected;
  if (!EntryCarried(blocks)) return false;

  std::unique_ptr<platform::File> file;
  bool needHeader = true;
  RegFileForm fileForm = RegFileForm::Ansi;
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
      if (*got == 2 && mark[0] == 0xFF && mark[1] == 0xFE) fileForm = RegFileForm::Unicode;
    }
    if (auto st = file->seek(*size); !st) return st.error();
  } else {
    auto created =
        ports.files.open(fileName, platform::FileOpen::CreateAlways, platform::FileShare::Read);
    if (!created) return created.error();
    file = std::move(*created);
  }

  const RegFileForm entryForm =
      EntryFitsAnsi(ports.system, root, blocks) ? RegFileForm::Ansi : RegFileForm::Unicode;

  Status written;
  if (!needHeader && fileForm == RegFileForm::Ansi && entryForm == RegFileForm::Unicode) {
    // The file so far is REGEDIT4 and this entry needs version 5: rewrite
    // the whole file in version 5 with the entry at its end.
    file.reset();
    auto old = platform::ReadWholeFile(ports.files, fileName);
    if (!old) return old.error();
    std::string text = AnsiFileToVersion5(ports.system, ports.system.fromAnsiCodePage(*old));
    text += RenderEntry(ports.system, root, blocks, RegFileForm::Unicode);
    written = platform::WriteWholeFile(ports.files, fileName, "\xFF\xFE" + Utf16Bytes(text));
  } else {
    const RegFileForm form = needHeader ? entryForm : fileForm;
    std::string bytes = needHeader ? HeaderBytes(ports.system, form) : std::string();
    bytes += Encode(ports.system, RenderEntry(ports.system, root, blocks, form), form);
    written = WriteAll(*file, bytes);
  }
  if (!written) return written.error();
  return true;
}

}  // namespace

Result<bool> ExportToBackup(const platform::Platform& ports, std::string_view fileName,
                            PredefinedRoot root, bool wholeKey, std::string_view valueName,
                            std::string_view keyPath) {
  return ExportEntry(ports, fileName, root, wholeKey, ValueRef{valueName}, keyPath);
}

Result<bool> ExportValueToBackup(const platform::Platform& ports, std::string_view fileName,
                                 PredefinedRoot root, std::string_view keyPath,
                                 const std::u16string& exactName) {
  return ExportEntry(ports, fileName, root, false, ValueRef{{}, &exactName}, keyPath);
}

}  // namespace nc::registry
