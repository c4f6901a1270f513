#include "platform/index_file_bytes.h"

namespace nc::platform {

bool FileBytes::size(std::uint64_t& bytes) {
  auto s = file_.size();
  if (!s) return false;
  bytes = *s;
  return true;
}

bool FileBytes::readAt(std::uint64_t offset, std::span<std::uint8_t> buffer) {
  if (!file_.seek(offset).ok()) return false;
  std::size_t done = 0;
  while (done < buffer.size()) {
    auto n = file_.read(buffer.subspan(done));
    if (!n || *n == 0) return false;
    done += *n;
  }
  return true;
}

bool FileBytes::writeAt(std::uint64_t offset, std::span<const std::uint8_t> data) {
  return file_.seek(offset).ok() && file_.write(data).ok();
}

std::unique_ptr<File> OpenIndexToOverwrite(FileSystem& files, std::string_view path) {
  auto file = files.open(path, FileOpen::ReadWriteNoFollow, FileShare::ReadWrite);
  if (!file) return nullptr;
  auto facts = (*file)->facts();
  if (!facts || !facts->plainFile || facts->links != 1) return nullptr;
  return std::move(*file);
}

}  // namespace nc::platform
