// Whether a file is a whole hive: base blocks built here byte by byte, as
// the system lays them out, whole and with each kind of damage a cut-short
// or half-written copy shows.
#include "registry/hive_file_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
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
      {"longer than its bins", 8192,
       [](RegfImage& i) {
         i.put(40, 1024);
         i.seal();
       },
       HiveFileVerdict::Whole},
      {"bins end exactly at the end", 65536, {}, HiveFileVerdict::Whole},
      {"bins one byte past the end", 8192,
       [](RegfImage& i) {
         i.put(40, 4097);
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

}  // namespace
}  // namespace nc::test
