// The profile port over the system's INI functions, on a file in the
// temporary folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/win_filesystem.h"
#include "platform/win32/win_profile.h"

namespace {

using nc::win32::WinProfile;

class Win32Profile : public testing::Test {
 protected:
  void SetUp() override {
    file = files.tempFolder() + "nc-profile-" + std::to_string(GetCurrentProcessId()) + ".ini";
    (void)files.deleteFile(file);
  }
  void TearDown() override { (void)files.deleteFile(file); }

  void WriteRaw(std::string_view text) {
    ASSERT_TRUE(nc::platform::WriteWholeFile(files, file, text).ok());
  }

  nc::win32::WinFileSystem files;
  WinProfile profile;
  std::string file;
};

TEST_F(Win32Profile, WritesReadsAndErases) {
  // A value outside ASCII but inside the ANSI code page the file is kept in.
  ASSERT_TRUE(profile.writeString(file, "Options", "Name", "Grüße café"));
  ASSERT_TRUE(profile.writeString(file, "Options", "Count", "3"));
  ASSERT_TRUE(profile.writeString(file, "Other", "Key", "v"));
  EXPECT_EQ(profile.readString(file, "Options", "Name", "-"), "Grüße café");
  EXPECT_EQ(profile.readString(file, "options", "COUNT", "-"), "3");  // any letter case
  EXPECT_EQ(profile.readString(file, "Options", "Missing", "fallback"), "fallback");
  EXPECT_EQ(profile.readString(file, "Nowhere", "Name", "fb"), "fb");

  ASSERT_TRUE(profile.writeString(file, "Options", "Count", "4"));  // replaces, keeps the rest
  EXPECT_EQ(profile.readString(file, "Options", "Count", "-"), "4");
  EXPECT_EQ(profile.readString(file, "Options", "Name", "-"), "Grüße café");

  EXPECT_EQ(profile.sectionNames(file), (std::vector<std::string>{"Options", "Other"}));
  EXPECT_EQ(profile.sectionLines(file, "Options"),
            (std::vector<std::string>{"Name=Grüße café", "Count=4"}));

  ASSERT_TRUE(profile.eraseSection(file, "Options"));
  EXPECT_EQ(profile.sectionNames(file), std::vector<std::string>{"Other"});
  EXPECT_EQ(profile.readString(file, "Options", "Name", "gone"), "gone");
  EXPECT_EQ(profile.readString(file, "Other", "Key", "-"), "v");
}

TEST_F(Win32Profile, ReadsFilesWrittenByHand) {
  WriteRaw(
      "; a comment before any section\r\n"
      "[First]\r\n"
      "  spaced   =   value with blanks   \r\n"
      "; comment inside\r\n"
      "empty=\r\n"
      "[Second]\r\n"
      "a=1\r\n");
  EXPECT_EQ(profile.readString(file, "First", "spaced", "-"), "value with blanks");
  EXPECT_EQ(profile.readString(file, "First", "empty", "fallback"), "");
  EXPECT_EQ(profile.sectionNames(file), (std::vector<std::string>{"First", "Second"}));
  const auto lines = profile.sectionLines(file, "First");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1], "empty=");
  EXPECT_EQ(profile.sectionLines(file, "Second"), std::vector<std::string>{"a=1"});
}

TEST_F(Win32Profile, LongValuesAndManySectionsGrowTheBuffers) {
  const std::string longValue(6000, 'x');
  ASSERT_TRUE(profile.writeString(file, "Long", "Value", longValue));
  EXPECT_EQ(profile.readString(file, "Long", "Value", "-"), longValue);

  std::vector<std::string> names = {"Long"};
  for (int i = 0; i < 400; ++i) {
    names.push_back(std::string("Section number ").append(std::to_string(i)));
    ASSERT_TRUE(profile.writeString(file, names.back(), "k", "v"));
  }
  EXPECT_EQ(profile.sectionNames(file), names);
}

TEST_F(Win32Profile, MissingFileReadsAsEmpty) {
  EXPECT_EQ(profile.readString(file, "Any", "Key", "fb"), "fb");
  EXPECT_TRUE(profile.sectionNames(file).empty());
  EXPECT_TRUE(profile.sectionLines(file, "Any").empty());
  EXPECT_FALSE(files.fileExists(file));
}

}  // namespace
