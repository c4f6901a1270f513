// The shipped definitions file: its format, its sections, and for every
// section that a test run finds exactly what its entries name and a clean
// removes it.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "clean_fixture.h"
#include "cleaner/definitions.h"
#include "core/text.h"
#include "platform/registry.h"

namespace nc::cleaner {
namespace {

using platform::RootKey;

struct DatSection {
  std::string name;
  std::vector<std::string> lines;  // "DelFile1=..." as written
};

std::string ReadShippedFile() {
  std::ifstream in(NC_SOURCE_DIR "/data/kvrn.dat", std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<DatSection> ParseSections(const std::string& text) {
  std::vector<DatSection> sections;
  std::size_t start = 0;
  while (start < text.size()) {
    auto end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 2;
    if (line.empty()) continue;
    if (line.front() == '[' && line.back() == ']') {
      sections.push_back({line.substr(1, line.size() - 2), {}});
    } else if (!sections.empty()) {
      sections.back().lines.push_back(line);
    }
  }
  return sections;
}

const std::vector<DatSection>& ShippedSections() {
  static const std::vector<DatSection> sections = ParseSections(ReadShippedFile());
  return sections;
}

const char* const kCatalogueSections[] = {
    "Windows Log Files",
    "Google Toolbar History",
    "MSN Toolbar History",
    "Yahoo! Toolbar History",
    "ICQ",
    "AOL Instant Messenger",
};

// The folders the test platform gives the macros.
const std::map<std::string, std::string>& MacroFolders() {
  static const std::map<std::string, std::string> folders = {
      {"%ProgramFiles%", "C:\\Program Files"},
      {"%windir%", "C:\\Windows"},
      {"{Local AppData}", "C:\\Users\\user\\AppData\\Local"},
      {"{Current AppData}", "C:\\Users\\user\\AppData\\Roaming"},
      {"{Common AppData}", "C:\\ProgramData"},
      {"{C: Drive}", "C:"},
  };
  return folders;
}

std::string ValueOf(const std::string& line) {
  return line.substr(line.find('=') + 1);
}

// ---- the file as a whole ----------------------------------------------------------

TEST(KvrnDatTest, IsAsciiTextWithCrLfLineEnds) {
  const std::string text = ReadShippedFile();
  ASSERT_FALSE(text.empty()) << "data/kvrn.dat is missing";
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    ASSERT_LT(c, 0x80u) << "non-ASCII byte at " << i;
    if (c == '\n') {
      ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "bare LF at " << i;
    }
    if (c == '\r') {
      ASSERT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << "bare CR at " << i;
    }
  }
  EXPECT_TRUE(EndsWith(text, "\r\n"));
}

TEST(KvrnDatTest, HoldsTheCatalogueSectionsAndAtLeastFortyApplications) {
  std::set<std::string> names;
  for (const auto& section : ShippedSections()) {
    EXPECT_TRUE(names.insert(UpperAscii(section.name)).second) << "twice: " << section.name;
    EXPECT_FALSE(section.lines.empty()) << section.name;
  }
  for (const char* name : kCatalogueSections) {
    EXPECT_TRUE(names.count(UpperAscii(name))) << name;
  }
  EXPECT_GE(names.size(), std::size(kCatalogueSections) + 40);
}

TEST(KvrnDatTest, EveryLineIsAWellFormedEntryNumberedPerKind) {
  const std::regex entry(R"(^(DelFile|DelRegValue)([0-9]+)=(.+)$)");
  ListMacroFolders macros;
  macros.programFiles = MacroFolders().at("%ProgramFiles%");
  macros.windows = MacroFolders().at("%windir%");
  macros.localAppData = MacroFolders().at("{Local AppData}");
  macros.currentAppData = MacroFolders().at("{Current AppData}");
  macros.commonAppData = MacroFolders().at("{Common AppData}");

  for (const auto& section : ShippedSections()) {
    int files = 0;
    int keys = 0;
    for (const auto& line : section.lines) {
      SCOPED_TRACE(section.name + ": " + line);
      std::smatch m;
      ASSERT_TRUE(std::regex_match(line, m, entry));
      const std::string value = m[3];
      if (m[1] == "DelFile") {
        EXPECT_EQ(std::stoi(m[2]), ++files);
        // Shipped entries always start at a folder macro.
        EXPECT_TRUE(MacroFolders().count(value.substr(0, value.find('\\'))));
        EXPECT_TRUE(ResolveFileEntry(value, macros).has_value());
      } else {
        EXPECT_EQ(std::stoi(m[2]), ++keys);
        const auto parsed = ParseRegistryEntry(value);
        ASSERT_TRUE(parsed.has_value());
        // Machine-wide entries would need administrator rights.
        EXPECT_NE(parsed->root, "HKEY_LOCAL_MACHINE");
      }
    }
  }
}

// ---- every section on the substitute platform --------------------------------------

// What one entry names, made to exist: a file path or a key and value.
struct Thing {
  bool file = false;
  std::string path;       // file: its full path; registry: the key path
  std::string valueName;  // registry: the value created
  std::size_t bytes = 0;
};

class KvrnDatSectionTest : public testing::CleanFixture,
                           public ::testing::WithParamInterface<std::size_t> {
 protected:
  void SetUp() override {
    sim.registry().loadRegText(
        "REGEDIT4\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion]\r\n"
        "\"ProgramFilesDir\"=\"C:\\\\Program Files\"\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell "
        "Folders]\r\n"
        "\"Common AppData\"=\"C:\\\\ProgramData\"\r\n\r\n"
        "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell "
        "Folders]\r\n"
        "\"Local AppData\"=\"C:\\\\Users\\\\user\\\\AppData\\\\Local\"\r\n"
        "\"AppData\"=\"C:\\\\Users\\\\user\\\\AppData\\\\Roaming\"\r\n\r\n");
    ASSERT_TRUE(WriteProgramFile("kvrn.dat", ReadShippedFile()));
  }

  // Creates what `line` names and describes it.
  Thing Create(const std::string& line, std::size_t index) {
    const std::string value = ValueOf(line);
    Thing thing;
    if (line.find("DelRegValue") != std::string::npos) {
      const auto slash = value.find('\\');
      const std::string rest = value.substr(slash + 1);
      const auto comma = rest.find(',');
      thing.path = rest.substr(0, comma);
      thing.valueName = comma == std::string::npos || comma + 1 == rest.size()
                            ? "Entry" + std::to_string(index)
                            : rest.substr(comma + 1);
      auto key = sim.registry().create(RootKey::CurrentUser, thing.path);
      EXPECT_TRUE(key.ok()) << thing.path;
      if (key.ok()) {
        EXPECT_TRUE(
            platform::WriteStringValue(sim.registry(), *key, thing.valueName, "recent").ok());
      }
      return thing;
    }
    const auto slash = value.find('\\');
    const std::string folderAndMask =
        MacroFolders().at(value.substr(0, slash)) + "\\" + value.substr(slash + 1);
    const auto comma = folderAndMask.find(',');
    std::string folder = folderAndMask.substr(0, comma);
    while (EndsWith(folder, "\\")) folder.pop_back();
    std::string name = "item" + std::to_string(index) + ".bin";
    if (comma != std::string::npos) {
      const std::string mask = folderAndMask.substr(comma + 1);
      const auto star = mask.find('*');
      if (mask == "*.*") {
        name = "sub\\item" + std::to_string(index) + ".dat";
      } else if (star == std::string::npos) {
        name = mask;
      } else {
        name = mask.substr(0, star) + "item" + std::to_string(index) + mask.substr(star + 1);
      }
    }
    thing.file = true;
    thing.path = folder + "\\" + name;
    const std::string content(10 + index, 'x');
    thing.bytes = content.size();
    EXPECT_TRUE(sim.writeFile(thing.path, content)) << thing.path;
    return thing;
  }

  bool Present(const Thing& thing) {
    if (thing.file) return sim.files().fileExists(thing.path);
    return sim.registry().value(RootKey::CurrentUser, thing.path, thing.valueName).has_value();
  }
};

TEST_P(KvrnDatSectionTest, TestRunFindsWhatTheSectionNamesAndCleanRemovesIt) {
  const DatSection& section = ShippedSections().at(GetParam());
  SCOPED_TRACE(section.name);
  std::vector<Thing> things;
  std::uint64_t bytes = 0;
  for (std::size_t i = 0; i < section.lines.size(); ++i) {
    things.push_back(Create(section.lines[i], i + 1));
    bytes += things.back().bytes;
  }
  const std::string runName = "Applications - " + section.name;

  CleanRun& test = TestRun();
  RunListSection(test, "kvrn.dat", runName);
  EXPECT_EQ(test.ItemCount, static_cast<std::int32_t>(things.size()));
  EXPECT_EQ(test.ItemSize, bytes);
  EXPECT_EQ(test.ItemSizeText, KilobyteText(bytes));
  for (const auto& thing : things) EXPECT_TRUE(Present(thing)) << thing.path;
  EXPECT_TRUE(sim.prompts().records().empty());

  CleanRun& clean = CleanModeRun();
  RunListSection(clean, "kvrn.dat", runName);
  EXPECT_EQ(clean.ItemCount, static_cast<std::int32_t>(things.size()));
  for (const auto& thing : things) EXPECT_FALSE(Present(thing)) << thing.path;
  EXPECT_TRUE(sim.prompts().records().empty());
  // The definitions file itself and the program's folder stay.
  EXPECT_TRUE(sim.files().fileExists(ProgramFile("kvrn.dat")));
}

std::string SectionTestName(const ::testing::TestParamInfo<std::size_t>& info) {
  std::string name = std::to_string(info.param) + "_";
  for (const char c : ShippedSections().at(info.param).name) {
    name += (std::isalnum(static_cast<unsigned char>(c)) != 0) ? c : '_';
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(Shipped, KvrnDatSectionTest,
                         ::testing::Range<std::size_t>(0, ShippedSections().size()),
                         SectionTestName);

}  // namespace
}  // namespace nc::cleaner
