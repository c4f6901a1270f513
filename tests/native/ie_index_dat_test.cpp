// The in-place overwrite of cache index files: the byte walk over a buffer
// in memory, and the item-side calls over the substitute file system.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "clean_fixture.h"
#include "cleaner/index_dat_files.h"
#include "core/index_dat_overwrite.h"

namespace nc::testing {
namespace {

class MemoryIndexFile : public IndexFileBytes {
 public:
  explicit MemoryIndexFile(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
  bool size(std::uint64_t& bytes) override {
    bytes = bytes_.size();
    return true;
  }
  bool readAt(std::uint64_t offset, std::span<std::uint8_t> buffer) override {
    if (offset > bytes_.size() || buffer.size() > bytes_.size() - offset) return false;
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(offset), buffer.size(),
                buffer.begin());
    return true;
  }
  bool writeAt(std::uint64_t offset, std::span<const std::uint8_t> data) override {
    if (offset + data.size() > bytes_.size()) {
      grew = true;
      return false;
    }
    std::copy(data.begin(), data.end(), bytes_.begin() + static_cast<std::ptrdiff_t>(offset));
    return true;
  }
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }
  bool grew = false;

 private:
  std::vector<std::uint8_t> bytes_;
};

void PutU32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// An index file of `size` bytes filled with 0xEE, whose header claims
// `claimed` bytes and names the first table; each table is (offset, next).
std::vector<std::uint8_t> IndexFile(
    std::size_t size, std::uint32_t claimed, std::uint32_t first,
    const std::vector<std::pair<std::uint32_t, std::uint32_t>>& tables) {
  std::vector<std::uint8_t> b(size, 0xEE);
  const std::string magic = "Client UrlCache MMF Ver 5.2";
  std::copy(magic.begin(), magic.end(), b.begin());
  PutU32(b, 28, claimed);
  PutU32(b, 32, first);
  for (auto [at, next] : tables) {
    b[at] = 'H';
    b[at + 1] = 'A';
    b[at + 2] = 'S';
    b[at + 3] = 'H';
    PutU32(b, at + 4, 0x20);
    PutU32(b, at + 8, next);
  }
  return b;
}

struct WalkCase {
  const char* name;
  std::vector<std::uint8_t> file;
  // Half-open byte ranges that must hold the fill; all others stay.
  std::vector<std::pair<std::size_t, std::size_t>> overwritten;
};

TEST(IndexOverwriteWalk, WritesOnlyTheRecordAreasOfTheTablesItCanTrust) {
  const std::vector<WalkCase> cases = {
      {"last table runs to the end of the file",
       IndexFile(20000, 20000, 0x100, {{0x100, 0}}),
       {{0x120, 20000}}},
      {"two tables keep both headers",
       IndexFile(30000, 30000, 0x100, {{0x100, 0x4000}, {0x4000, 0}}),
       {{0x120, 0x4000}, {0x4020, 30000}}},
      {"next table in the last block keeps its header",
       IndexFile(10000, 10000, 0x100, {{0x100, 9000}, {9000, 0}}),
       {{0x120, 9000}, {9032, 10000}}},
      {"a chain pointing back ends before the looping table",
       IndexFile(20000, 20000, 0x100, {{0x100, 0x2000}, {0x2000, 0x100}}),
       {{0x120, 0x2000}}},
      {"a table naming itself writes nothing", IndexFile(9000, 9000, 0x100, {{0x100, 0x100}}), {}},
      {"next inside the header of this table",
       IndexFile(9000, 9000, 0x100, {{0x100, 0x110}, {0x110, 0}}),
       {{0x130, 9000}}},
      {"header claims more than the file holds",
       IndexFile(5000, 0x7FFFFFFF, 0x100, {{0x100, 0}}),
       {{0x120, 5000}}},
      {"header claims less than the file holds",
       IndexFile(9000, 4000, 0x100, {{0x100, 0}}),
       {{0x120, 4000}}},
      {"next table past the end",
       IndexFile(5000, 5000, 0x100, {{0x100, 0xFFFFFF00}}),
       {{0x120, 5000}}},
      {"claimed size zero", IndexFile(5000, 0, 0x100, {{0x100, 0}}), {}},
      {"first table inside the file header", IndexFile(5000, 5000, 4, {{4, 0}}), {}},
      {"first offset zero", IndexFile(5000, 5000, 0, {}), {}},
      {"no HASH signature", IndexFile(5000, 5000, 0x100, {}), {}},
      {"table header cut by the end", IndexFile(0x110, 0x110, 0x100, {{0x100, 0}}), {}},
      {"file shorter than its header", std::vector<std::uint8_t>(30, 0xEE), {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryIndexFile file(c.file);
    std::uint64_t expectedWritten = 0;
    for (auto [from, to] : c.overwritten) expectedWritten += to - from;
    EXPECT_EQ(OverwriteIndexRecords(file, 0x5A), expectedWritten);
    EXPECT_FALSE(file.grew);
    ASSERT_EQ(file.bytes().size(), c.file.size());
    for (std::size_t i = 0; i < c.file.size(); ++i) {
      bool inside = false;
      for (auto [from, to] : c.overwritten) inside = inside || (i >= from && i < to);
      if (file.bytes()[i] != (inside ? 0x5A : c.file[i])) {
        ADD_FAILURE() << "byte " << i << (inside ? " not overwritten" : " changed");
        break;
      }
    }
  }
}

TEST(IndexOverwriteWalk, PassesAreOneWithoutSecureDeletionAndAtMostThree) {
  const struct {
    bool wipe;
    int number;
    int passes;
  } cases[] = {{false, 7, 1}, {true, 0, 1}, {true, 1, 1},
               {true, 2, 2},  {true, 3, 3}, {true, 10, 3}};
  for (const auto& c : cases) {
    EXPECT_EQ(IndexOverwritePasses(c.wipe, c.number), c.passes) << c.wipe << " " << c.number;
  }
}

class IndexFilesTest : public CleanFixture {
 protected:
  void WriteIndex(const std::string& path) {
    const auto b = IndexFile(6000, 6000, 0x100, {{0x100, 0}});
    ASSERT_TRUE(sim.writeFile(path, std::string(b.begin(), b.end())));
  }
  // True when the record area holds zeros and the headers are kept.
  bool Overwritten(const std::string& path) {
    const std::string now = sim.readFile(path);
    const auto b = IndexFile(6000, 6000, 0x100, {{0x100, 0}});
    const std::string before(b.begin(), b.end());
    if (now.size() != before.size()) return false;
    if (now == before) return false;
    EXPECT_EQ(now.substr(0, 0x120), before.substr(0, 0x120)) << path;
    EXPECT_EQ(now.substr(0x120), std::string(6000 - 0x120, '\0')) << path;
    return true;
  }
};

TEST_F(IndexFilesTest, FilesUnderAFolderButNotInItAreOverwritten) {
  const std::vector<std::pair<std::string, bool>> files = {
      {"C:\\H\\History.IE5\\index.dat", false},
      {"C:\\H\\History.IE5\\MSHist012011031520110316\\index.dat", true},
      {"C:\\H\\History.IE5\\a\\b\\INDEX.DAT", true},
      {"C:\\H\\History.IE5\\a\\index.dat.bak", false},
      {"C:\\H\\index.dat", false},
  };
  for (const auto& [path, _] : files) WriteIndex(path);
  // Secure deletion's extra passes end with zeros as well.
  options.IsWipeFile = true;
  options.WipeNumber = 3;
  cleaner::OverwriteIndexFilesUnder(CleanModeRun(), "C:\\H\\History.IE5");
  for (const auto& [path, changed] : files) EXPECT_EQ(Overwritten(path), changed) << path;
  // A missing folder or file does nothing and creates nothing.
  cleaner::OverwriteIndexFilesUnder(CleanModeRun(), "C:\\H\\Missing");
  cleaner::OverwriteCacheIndex(*run, "C:\\H\\Missing\\index.dat");
  EXPECT_FALSE(sim.files().folderExists("C:\\H\\Missing"));
}

TEST_F(IndexFilesTest, LinksAndFilesWithMoreThanOneNameKeepTheirBytes) {
  // The file elsewhere, reached through a hard link and a symbolic link
  // named as index files in the folders the items overwrite.
  WriteIndex("C:\\Elsewhere\\secret.dat");
  WriteIndex("C:\\H\\Cookies\\placeholder.txt");
  WriteIndex("C:\\H\\History.IE5\\Day\\placeholder.txt");
  const auto secret = sim.hostPath("C:\\Elsewhere\\secret.dat");
  std::filesystem::create_hard_link(secret, sim.hostPath("C:\\H\\Cookies\\index.dat"));
  std::filesystem::create_symlink(secret, sim.hostPath("C:\\H\\History.IE5\\Day\\index.dat"));
  WriteIndex("C:\\H\\History.IE5\\Own\\index.dat");
  cleaner::OverwriteCacheIndex(CleanModeRun(), "C:\\H\\Cookies\\index.dat");
  cleaner::OverwriteCacheIndex(CleanModeRun(), "C:\\H\\History.IE5\\Day\\index.dat");
  cleaner::OverwriteIndexFilesUnder(CleanModeRun(), "C:\\H\\History.IE5");
  EXPECT_FALSE(Overwritten("C:\\Elsewhere\\secret.dat"));
  EXPECT_FALSE(Overwritten("C:\\H\\Cookies\\index.dat"));
  // A plain file with one name beside them is still overwritten.
  EXPECT_TRUE(Overwritten("C:\\H\\History.IE5\\Own\\index.dat"));
}

}  // namespace
}  // namespace nc::testing
