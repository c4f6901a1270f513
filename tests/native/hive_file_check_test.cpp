// Whether a file is a whole hive: base blocks built here byte by byte, as
// the system lays them out, whole and with each kind of damage a cut-short
// or half-written copy shows.
#include "registry/hive_file_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "hive_machine.h"

namespace nc::test {
namespace {

using registry::HiveFileVerdict;

// The raw XOR of the block's first 127 double words becomes `target` once
// a spare double word of the block (after the file name) is set.
void SteerRawXor(RegfImage& image, std::uint32_t target) {
  image.put(0x70, 0);
  std::uint32_t sum = 0;
  for (std::size_t offset = 0; offset < 508; offset += 4) sum ^= image.get(offset);
  image.put(0x70, sum ^ target);
}

TEST(HiveFileCheck, BaseBlocksWholeAndDamaged) {
  struct Case {
    const char* what;
    std::size_t size;
    std::function<void(RegfImage&)> change;
    HiveFileVerdict verdict;
  } cases[] = {
      {"whole", 8192, {}, HiveFileVerdict::Whole},
      {"longer than its bins", 12288,
       [](RegfImage& i) {
         i.put(40, 4096);
         i.seal();
       },
       HiveFileVerdict::Whole},
      {"bins end exactly at the end", 65536, {}, HiveFileVerdict::Whole},
      {"bins a page past the end", 8192,
       [](RegfImage& i) {
         i.put(40, 8192);
         i.seal();
       },
       HiveFileVerdict::BinsOutsideFile},
      {"no bins", 8192,
       [](RegfImage& i) {
         i.put(40, 0);
         i.seal();
       },
       HiveFileVerdict::BinsOutsideFile},
      {"cut short", 8192, [](RegfImage& i) { i.bytes.resize(6000); },
       HiveFileVerdict::BinsOutsideFile},
      {"cut short after the first megabyte", 8192,
       [](RegfImage& i) {
         i.put(40, 1945600 - 4096);
         i.seal();
       },
       HiveFileVerdict::BinsOutsideFile},
      {"write not completed", 8192,
       [](RegfImage& i) {
         i.put(8, 2);
         i.seal();
       },
       HiveFileVerdict::SequenceMismatch},
      {"checksum not updated", 8192, [](RegfImage& i) { i.bytes[0x30] = 'S'; },
       HiveFileVerdict::BadChecksum},
      {"checksum byte flipped", 8192, [](RegfImage& i) { i.bytes[508] ^= 1; },
       HiveFileVerdict::BadChecksum},
      {"raw sum 0 is stored as 1", 8192,
       [](RegfImage& i) {
         SteerRawXor(i, 0);
         i.seal();
       },
       HiveFileVerdict::Whole},
      {"raw sum 0 stored as 0", 8192,
       [](RegfImage& i) {
         SteerRawXor(i, 0);
         i.put(508, 0);
       },
       HiveFileVerdict::BadChecksum},
      {"raw sum all ones is stored as ...FE", 8192,
       [](RegfImage& i) {
         SteerRawXor(i, 0xFFFFFFFFU);
         i.seal();
       },
       HiveFileVerdict::Whole},
      {"raw sum all ones stored as is", 8192,
       [](RegfImage& i) {
         SteerRawXor(i, 0xFFFFFFFFU);
         i.put(508, 0xFFFFFFFFU);
       },
       HiveFileVerdict::BadChecksum},
      {"no signature", 8192,
       [](RegfImage& i) {
         i.bytes[0] = 'R';
         i.seal();
       },
       HiveFileVerdict::NoSignature},
      {"text, as Wine saves a hive", 8192,
       [](RegfImage& i) {
         const std::string text = "WINE REGISTRY Version 2\n";
         std::copy(text.begin(), text.end(), i.bytes.begin());
       },
       HiveFileVerdict::NoSignature},
      {"no first bin", 8192, [](RegfImage& i) { i.bytes[4096] = 0; }, HiveFileVerdict::NoFirstBin},
      {"one byte short of a bin signature", 4099, {}, HiveFileVerdict::TooShort},
      {"empty", 0, {}, HiveFileVerdict::TooShort},
  };
  sim::SimPlatform sim;
  for (const Case& c : cases) {
    RegfImage image(std::max<std::size_t>(c.size, 8192));
    image.bytes.resize(c.size);
    if (c.change) c.change(image);
    EXPECT_EQ(registry::JudgeHiveHead(image.bytes, image.bytes.size()), c.verdict) << c.what;
    // The same verdict from the file, whose head is read in pieces.
    const std::string path = "C:\\hives\\copy.fdc";
    sim.writeFile(path, std::string(image.bytes.begin(), image.bytes.end()));
    EXPECT_EQ(registry::CheckHiveFile(sim.files(), path), c.verdict) << c.what;
  }
  EXPECT_EQ(registry::CheckHiveFile(sim.files(), "C:\\hives\\none.fdc"),
            HiveFileVerdict::Unreadable);
  // The file system says how long the file is, not the bytes read.
  RegfImage whole(8192);
  EXPECT_EQ(registry::JudgeHiveHead(std::span(whole.bytes).first(4100), 4100),
            HiveFileVerdict::BinsOutsideFile);
  // A head read short of a long file, or a long head of a short one.
  EXPECT_EQ(registry::JudgeHiveHead(std::span(whole.bytes).first(4099), 8192),
            HiveFileVerdict::TooShort);
  EXPECT_EQ(registry::JudgeHiveHead(std::span(whole.bytes).first(4100), 4099),
            HiveFileVerdict::TooShort);
}

std::vector<std::uint8_t> RealHive(const std::string& name) {
  std::ifstream in(NC_SOURCE_DIR "/tests/data/real/hives/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Hives written by Windows, as they are and with one rule broken in a
// copy (the checksum set again unless the change is the damage).
TEST(HiveFileCheck, RealHivesAndChangedCopies) {
  auto put = [](std::vector<std::uint8_t>& b, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) b[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
  };
  auto seal = [&](std::vector<std::uint8_t>& b) {
    put(b, 508, registry::HiveBaseBlockChecksum(b));
  };
  using Change = std::function<void(std::vector<std::uint8_t>&)>;
  auto field = [&](std::size_t offset, std::uint32_t value) -> Change {
    return [=](std::vector<std::uint8_t>& b) { put(b, offset, value), seal(b); };
  };
  struct Case {
    const char* file;
    const char* what;
    Change change;
    HiveFileVerdict verdict;
  } cases[] = {
      {"NTUSER.DAT", "as written", {}, HiveFileVerdict::Whole},
      {"SAM", "as written (bins end well before the file)", {}, HiveFileVerdict::Whole},
      {"100_sub_keys.hiv", "as written", {}, HiveFileVerdict::Whole},
      // Only the base block and the first bin are judged: a damaged cell
      // deep inside a whole-headed hive is the system's to find.
      {"corrupt_sub_key_list.hiv", "as written", {}, HiveFileVerdict::Whole},
      {"Amcache.hve", "as written (sequence 41 and 40)", {}, HiveFileVerdict::SequenceMismatch},
      {"Amcache.hve", "sequence numbers made equal", field(8, 41), HiveFileVerdict::Whole},
      {"NTUSER.DAT", "file type 1", field(28, 1), HiveFileVerdict::NotPrimary},
      {"NTUSER.DAT", "file type 6", field(28, 6), HiveFileVerdict::NotPrimary},
      {"SAM", "format 0", field(32, 0), HiveFileVerdict::UnknownFormat},
      {"100_sub_keys.hiv", "major version 2", field(20, 2), HiveFileVerdict::UnsupportedVersion},
      {"100_sub_keys.hiv", "minor version 6", field(24, 6), HiveFileVerdict::Whole},
      {"NTUSER.DAT", "bins a half page longer", field(40, 458752 + 2048),
       HiveFileVerdict::BinsNotWholePages},
      {"NTUSER.DAT", "cut short", [](std::vector<std::uint8_t>& b) { b.resize(262144); },
       HiveFileVerdict::BinsOutsideFile},
      {"SAM", "type changed, checksum not", [&](std::vector<std::uint8_t>& b) { put(b, 28, 1); },
       HiveFileVerdict::BadChecksum},
  };
  sim::SimPlatform sim;
  for (const Case& c : cases) {
    std::vector<std::uint8_t> bytes = RealHive(c.file);
    ASSERT_GT(bytes.size(), 8192U) << c.file;
    if (c.change) c.change(bytes);
    const std::string path = "C:\\hives\\" + std::string(c.file);
    sim.writeFile(path, std::string(bytes.begin(), bytes.end()));
    EXPECT_EQ(registry::CheckHiveFile(sim.files(), path), c.verdict) << c.file << ": " << c.what;
  }
}

}  // namespace
}  // namespace nc::test
