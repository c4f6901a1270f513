#include "platform/filesystem.h"

#include <array>

namespace nc::platform {

Result<std::string> ReadWholeFile(FileSystem& fs, std::string_view path) {
  auto file = fs.open(path, FileOpen::ReadExisting, FileShare::Read);
  if (!file) return file.error();
  std::string content;
  std::array<std::uint8_t, 65536> buffer{};
  while (true) {
    auto got = (*file)->read(buffer);
    if (!got) return got.error();
    if (*got == 0) break;
    content.append(reinterpret_cast<const char*>(buffer.data()), *got);
  }
  return content;
}

Status WriteWholeFile(FileSystem& fs, std::string_view path, std::string_view content) {
  const std::string temp = std::string(path) + ".tmp~";
  {
    auto file = fs.open(temp, FileOpen::CreateAlways, FileShare::None);
    if (!file) return file.error();
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(content.data());
    if (auto st = (*file)->write({bytes, content.size()}); !st) {
      file->reset();
      (void)fs.deleteFile(temp);
      return st;
    }
    if (auto st = (*file)->flush(); !st) {
      file->reset();
      (void)fs.deleteFile(temp);
      return st;
    }
  }
  if (auto st = fs.moveFile(temp, path); !st) {
    (void)fs.deleteFile(temp);
    return st;
  }
  return Status::Ok();
}

bool FileLockedExclusive(FileSystem& fs, std::string_view path) {
  if (!fs.fileExists(path)) return false;
  auto file = fs.open(path, FileOpen::ReadWriteExisting, FileShare::None);
  return !file.ok();
}

std::string FolderOf(std::string_view path) {
  const auto pos = path.find_last_of('\\');
  if (pos == std::string_view::npos) return {};
  return std::string(path.substr(0, pos));
}

std::string NameOf(std::string_view path) {
  const auto pos = path.find_last_of('\\');
  return std::string(pos == std::string_view::npos ? path : path.substr(pos + 1));
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string out(folder);
  while (!out.empty() && out.back() == '\\') out.pop_back();
  out += '\\';
  while (!name.empty() && name.front() == '\\') name.remove_prefix(1);
  out += name;
  return out;
}

}  // namespace nc::platform
