// .reg files: the parser's operations and skipped lines for both headers,
// the decoding of file bytes, and the escaping of the writers.
#include "core/reg_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/text.h"

namespace nc {
namespace {

using Kind = RegFileOp::Kind;

constexpr auto HKCU = PredefinedRoot::CurrentUser;

std::vector<std::uint8_t> Sz(std::string_view text) {
  auto data = Utf8ToUtf16Le(text);
  data.insert(data.end(), {0, 0});
  return data;
}

RegFileOp Key(std::string path, Kind kind = Kind::CreateKey) {
  return {kind, HKCU, std::move(path), {}};
}

RegFileOp Set(std::string name, std::uint32_t type, std::vector<std::uint8_t> data) {
  return {Kind::SetValue, HKCU, "Software\\Test", {std::move(name), type, std::move(data)}};
}

TEST(RegFileParse, ReadsRegedit4AndVersion5Forms) {
  const std::string text =
      "REGEDIT4\r\n"
      "\r\n"
      "; a comment\r\n"
      "[HKEY_CURRENT_USER\\Software\\Test]\r\n"
      "@=\"def\"\r\n"
      "\"Str\" = \"a\\\\b\\\"c\"\r\n"
      "\"Lines\"=\"a\\r\\nb\"\r\n"
      "\"Dw\"=dword:0000002A\r\n"
      "\"Exp\"=hex(2):25,54,45,4d,50,\\\r\n"
      "  25,00\r\n"
      "\"Bin\"=hex:01,02,\\\r\n"
      "03\r\n"
      "\"Multi\"=hex(7):61,00,62,00,00\r\n"
      "\"Latin\"=\"caf\xe9\"\r\n"
      "this line is nonsense\r\n"
      "\"Bad\"=dword:123456789\r\n"
      "\"BadHex\"=hex:zz\r\n"
      "\"WideByte\"=hex:100\r\n"
      "\"Unclosed=\"x\"\r\n"
      "[HKEY_NOWHERE\\X]\r\n"
      "\"Lost\"=\"y\"\r\n"
      "[HKEY_CURRENT_USER\\Software\\Gone\\Child]\r\n"
      "[-HKEY_CURRENT_USER\\Software\\Gone]\r\n"
      "[HKEY_CURRENT_USER\\Software\\Test]\r\n"
      "\"Dw2\"=dword:1\r\n"
      "\"Dw2\"=-\r\n";
  const RegFileParse parsed = ParseRegFile(text);
  EXPECT_TRUE(parsed.headerFound);
  EXPECT_FALSE(parsed.version5);
  EXPECT_EQ(parsed.skippedLines, 7u);
  // REGEDIT4 string types are 8-bit text, stored as UTF-16; text that is
  // not UTF-8 is Latin-1.
  RegFileOp deleteDw2 = Set("Dw2", 0, {});
  deleteDw2.kind = Kind::DeleteValue;
  const std::vector<RegFileOp> expected = {
      Key("Software\\Test"),
      Set("", kRegSz, Sz("def")),
      Set("Str", kRegSz, Sz("a\\b\"c")),
      Set("Lines", kRegSz, Sz("a\r\nb")),
      Set("Dw", kRegDword, {42, 0, 0, 0}),
      Set("Exp", kRegExpandSz, Sz("%TEMP%")),
      Set("Bin", kRegBinary, {1, 2, 3}),
      Set("Multi", kRegMultiSz, {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}),
      Set("Latin", kRegSz, Sz("caf\xc3\xa9")),
      Key("Software\\Gone\\Child"),
      Key("Software\\Gone", Kind::DeleteKey),
      Key("Software\\Test"),
      Set("Dw2", kRegDword, {1, 0, 0, 0}),
      deleteDw2,
  };
  EXPECT_EQ(parsed.ops, expected);

  const RegFileParse refused = ParseRegFile("[HKEY_CURRENT_USER\\X]\n\"a\"=\"b\"\n");
  EXPECT_FALSE(refused.headerFound);
  EXPECT_TRUE(refused.ops.empty());

  const RegFileParse v5 = ParseRegFile(
      "Windows Registry Editor Version 5.00\r\n[HKEY_DYN_DATA\\X]\r\n\"u\"=hex(2):e9,00,00,00\r\n");
  EXPECT_TRUE(v5.version5);
  ASSERT_EQ(v5.ops.size(), 2u);
  EXPECT_EQ(v5.ops[1].root, PredefinedRoot::DynData);
  // Version 5 string lists are UTF-16 already.
  EXPECT_EQ(v5.ops[1].value.data, (std::vector<std::uint8_t>{0xe9, 0, 0, 0}));
}

TEST(RegFileParse, OnlyHexListsContinueOnTheNextLine) {
  const RegFileParse parsed = ParseRegFile(
      "REGEDIT4\r\n[HKEY_CURRENT_USER\\Software\\Test]\r\n"
      "\"Dir\"=\"C:\\\\\"\r\n"       // ends in an escaped backslash
      "\"Odd\"=\"x\"\\\r\n"          // a stray backslash after the string
      "\"Dw\"=dword:00000001\\\r\n"  // and after a DWORD
      "\"Bin\"=hex:01,\\\r\n; comment\r\n  02\r\n");
  EXPECT_EQ(parsed.skippedLines, 2u);
  EXPECT_EQ(parsed.ops,
            (std::vector<RegFileOp>{Key("Software\\Test"), Set("Dir", kRegSz, Sz("C:\\")),
                                    Set("Bin", kRegBinary, {1, 2})}));
}

TEST(RegFileParse, Regedit4StringsGoThroughTheAnsiConversionOneByOne) {
  std::vector<std::string> seen;
  const RegFileParse parsed =
      ParseRegFile("REGEDIT4\r\n[HKEY_CURRENT_USER\\K]\r\n\"m\"=hex(7):41,80,00,42,00,00\r\n",
                   [&seen](std::string_view ansi) {
                     seen.emplace_back(ansi);
                     return ansi == "A\x80" ? std::string("A\xE2\x82\xAC") : std::string(ansi);
                   });
  ASSERT_EQ(parsed.ops.size(), 2u);
  EXPECT_EQ(seen, (std::vector<std::string>{"A\x80", "B", "", ""}));
  EXPECT_EQ(parsed.ops[1].value.data,
            (std::vector<std::uint8_t>{'A', 0, 0xAC, 0x20, 0, 0, 'B', 0, 0, 0, 0, 0}));
}

TEST(RegFileBytes, DecodeByByteOrderMarkOrAsUtf8ElseLatin1) {
  const struct {
    std::vector<std::uint8_t> bytes;
    std::string text;
  } cases[] = {
      {{0xFF, 0xFE, 'a', 0, 0xA9, 0x03}, "a\xCE\xA9"},
      {{0xFF, 0xFE, 'a', 0, 'b'}, "a"},  // an odd last byte is dropped
      {{0xEF, 0xBB, 0xBF, 'x', 0xC3, 0xA9}, "x\xC3\xA9"},
      {{'x', 0xC3, 0xA9}, "x\xC3\xA9"},
      {{'x', 0xE9}, "x\xC3\xA9"},
      {{}, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeRegFileBytes(c.bytes), c.text);
  EXPECT_EQ(EncodeRegFileUtf16("a\xCE\xA9"),
            (std::vector<std::uint8_t>{0xFF, 0xFE, 'a', 0, 0xA9, 0x03}));
}

TEST(RegFileEscaping, BackslashesFirstThenQuotes) {
  EXPECT_EQ(EscapeBackslashes("a\\b\\\\c"), "a\\\\b\\\\\\\\c");
  EXPECT_EQ(EscapeQuotes("say \"hi\""), "say \\\"hi\\\"");
  EXPECT_EQ(EscapeQuotes(EscapeBackslashes("x\\\"y")), "x\\\\\\\"y");
  EXPECT_EQ(EscapeBackslashes("plain \xC3\xA9"), "plain \xC3\xA9");
}

}  // namespace
}  // namespace nc
