// INI documents read and rewritten as the system's profile functions do.
#include <gtest/gtest.h>

#include "core/ini.h"

namespace nc {
namespace {

TEST(IniDocument, ReadsKeysWithBlanksTrimmedAndNamesWithoutCase) {
  const auto doc = IniDocument::Parse(
      "top=ignored\r\n"
      "  [ Main ]  \r\n"
      "; Key=commented out\n"
      "   ;Key=indented, still a comment\n"
      "  Key  =  some value  \r\n"
      "empty=\r"
      "key=second wins not\n"
      "just a line\n"
      "=no name\n");
  EXPECT_EQ(doc.get("main", "KEY"), "some value");
  EXPECT_EQ(doc.get("MAIN", "empty"), "");
  EXPECT_EQ(doc.get("Main", "just a line"), std::nullopt);
  EXPECT_EQ(doc.get("Main", ""), "no name");
  EXPECT_EQ(doc.get("", "top"), std::nullopt);
  EXPECT_EQ(doc.get("Other", "Key"), std::nullopt);
  EXPECT_EQ(doc.sectionNames(), std::vector<std::string>{"Main"});
  EXPECT_EQ(doc.sectionLines("main"),
            (std::vector<std::string>{"Key  =  some value", "empty=", "key=second wins not",
                                      "just a line", "=no name"}));
}

TEST(IniDocument, DuplicateSectionsReadAsOneFirstKeyWinning) {
  auto doc = IniDocument::Parse("[A]\na=1\n[B]\nb=2\n[a]\na=3\nc=4\n");
  EXPECT_EQ(doc.get("A", "a"), "1");
  EXPECT_EQ(doc.get("A", "c"), "4");
  EXPECT_EQ(doc.sectionNames(), (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(doc.sectionLines("A"), (std::vector<std::string>{"a=1", "a=3", "c=4"}));
  const auto entries = doc.entries("a");
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0], (std::pair<std::string, std::string>{"a", "1"}));
  EXPECT_EQ(entries[1], (std::pair<std::string, std::string>{"c", "4"}));

  doc.set("A", "c", "5");  // changes the key where it is
  EXPECT_EQ(doc.toText(), "[A]\r\na=1\r\n[B]\r\nb=2\r\n[a]\r\na=3\r\nc=5\r\n");
  EXPECT_TRUE(doc.eraseSection("a"));
  EXPECT_EQ(doc.toText(), "[B]\r\nb=2\r\n");
  EXPECT_FALSE(doc.eraseSection("A"));
}

TEST(IniDocument, SetRewritesOneLineAndKeepsEverythingElse) {
  auto doc = IniDocument::Parse(
      "; settings\r\n[Options]\r\n  Speed = 3 \r\n; note\r\nColor=red\r\n\r\n[Other]\r\nx=1\r\n");
  doc.set("OPTIONS", "speed", "5");
  doc.set("options", "New", "yes");
  doc.set("Fresh", "k", " v ");
  EXPECT_EQ(doc.toText(),
            "; settings\r\n[Options]\r\nSpeed=5\r\n; note\r\nColor=red\r\nNew=yes\r\n\r\n"
            "[Other]\r\nx=1\r\n\r\n[Fresh]\r\nk= v \r\n");
  EXPECT_EQ(doc.get("fresh", "K"), "v");
  EXPECT_TRUE(doc.eraseKey("options", "COLOR"));
  EXPECT_FALSE(doc.eraseKey("options", "color"));
  EXPECT_EQ(doc.get("Options", "Color"), std::nullopt);
  EXPECT_TRUE(doc.hasSection("other"));
  EXPECT_FALSE(doc.hasSection("Speed"));

  IniDocument empty = IniDocument::Parse("");
  empty.set("S", "k", "v");
  EXPECT_EQ(empty.toText(), "[S]\r\nk=v\r\n");
}

TEST(IniDocument, TextFilesDecodeByTheirByteOrderMark) {
  const auto plain = DecodeTextFile("a=\xC3\xA9");
  EXPECT_EQ(plain.encoding, TextEncoding::Utf8);
  EXPECT_EQ(plain.text, "a=\xC3\xA9");

  const auto bom = DecodeTextFile("\xEF\xBB\xBF[x]");
  EXPECT_EQ(bom.encoding, TextEncoding::Utf8Bom);
  EXPECT_EQ(bom.text, "[x]");

  const std::string utf16("\xFF\xFE[\0\xE9\0]\0", 8);
  const auto wide = DecodeTextFile(utf16);
  EXPECT_EQ(wide.encoding, TextEncoding::Utf16LeBom);
  EXPECT_EQ(wide.text, "[\xC3\xA9]");
  EXPECT_EQ(EncodeTextFile(wide.text, wide.encoding), utf16);
  EXPECT_EQ(EncodeTextFile("[x]", TextEncoding::Utf8Bom), "\xEF\xBB\xBF[x]");
  // An empty UTF-16 file keeps its encoding rather than reading as two bytes of text.
  const auto emptyWide = DecodeTextFile("\xFF\xFE");
  EXPECT_EQ(emptyWide.encoding, TextEncoding::Utf16LeBom);
  EXPECT_EQ(emptyWide.text, "");
  // An odd trailing byte is dropped, never read past.
  EXPECT_EQ(DecodeTextFile(std::string("\xFF\xFE"
                                       "a\0b",
                                       5))
                .text,
            "a");

  // Code points at the edges of each UTF-8 length, and malformed input on
  // either side, which becomes U+FFFD.
  struct Case {
    std::string utf8;
    std::u16string utf16;
    bool fromUtf8, fromUtf16;
  };
  const Case cases[] = {
      {"\x7F", u"\u007F", true, true},
      {"\xC2\x80", u"\u0080", true, true},
      {"\xDF\xBF", u"\u07FF", true, true},
      {"\xE0\xA0\x80", u"\u0800", true, true},
      {"\xEF\xBF\xBF", u"\uFFFF", true, true},
      {"\xF0\x90\x80\x80", u"\xD800\xDC00", true, true},
      {"\xF0\x9F\x98\x80", u"\xD83D\xDE00", true, true},
      {"\xF4\x8F\xBF\xBF", u"\xDBFF\xDFFF", true, true},
      {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD", true, false},  // above U+10FFFF
      {"\xC0\xAF", u"\uFFFD\uFFFD", true, false},                      // overlong
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD", true, false},            // a surrogate
      {"x\xE2\x82", u"x\uFFFD\uFFFD", true, false},                    // cut short
      {"\xEF\xBF\xBD", u"\xD800", false, true},                        // lone high half
      {"A\xEF\xBF\xBD", u"A\xDC00", false, true},                      // lone low half
  };
  for (const Case& c : cases) {
    std::string file = "\xFF\xFE";
    for (const char16_t unit : c.utf16) {
      file += static_cast<char>(unit & 0xFF);
      file += static_cast<char>(unit >> 8);
    }
    if (c.fromUtf8) {
      EXPECT_EQ(EncodeTextFile(c.utf8, TextEncoding::Utf16LeBom), file) << c.utf8;
    }
    if (c.fromUtf16) {
      EXPECT_EQ(DecodeTextFile(file).text, c.utf8) << c.utf8;
    }
  }
}

}  // namespace
}  // namespace nc
