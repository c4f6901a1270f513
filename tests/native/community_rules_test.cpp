// The community rules file: its rule values, its reader (on the real file
// and on crafted texts, bounds included) and the expansion of its path
// variables.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cleaner/community/rules.h"
#include "cleaner/community/variables.h"
#include "cleaner/community/winapp2.h"
#include "core/text.h"

namespace nc::cleaner::community {
namespace {

using platform::RootKey;

std::string Join(const std::vector<std::string>& parts, char separator) {
  std::string text;
  for (const std::string& part : parts) {
    if (!text.empty()) text += separator;
    text += part;
  }
  return text;
}

std::string Describe(const RegistryRule& rule) {
  return std::string(platform::RootKeyName(rule.key.root)) + "\\" + rule.key.keyPath +
         (rule.valueName ? " value " + *rule.valueName : "");
}

std::string Describe(const FileRule& rule) {
  static constexpr const char* kDepths[] = {"", " RECURSE", " REMOVESELF"};
  return rule.folder + " [" + Join(rule.patterns, ';') + "]" +
         kDepths[static_cast<int>(rule.depth)];
}

std::string Describe(const ExclusionRule& rule) {
  switch (rule.kind) {
    case ExclusionKind::File:
      return "file " + rule.folder + " [" + Join(rule.patterns, ';') + "]";
    case ExclusionKind::Path:
      return "path " + rule.folder + " [" + Join(rule.patterns, ';') + "]";
    case ExclusionKind::Registry:
      return "reg " + Describe(rule.registry);
  }
  return "?";
}

template <typename T>
std::string DescribeOr(const std::optional<T>& rule) {
  return rule ? Describe(*rule) : "refused";
}

std::string ReadTestFile(const std::string& name) {
  std::ifstream in(NC_SOURCE_DIR "/tests/data/winapp2/" + name, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(CommunityRulesFile, ReadsEveryEntryAndRuleOfTheRealFile) {
  const std::string text = ReadTestFile("Winapp2.ini");
  ASSERT_GT(text.size(), 1'000'000u);
  // An independent count of the file's lines by what they begin with: the
  // key's name without its number.
  std::map<std::string, std::size_t> lines;
  std::set<std::string> variables;
  for (const std::string_view line : SplitLines(text)) {
    if (StartsWith(line, "[")) ++lines["entry"];
    const auto equals = line.find('=');
    if (!StartsWith(line, ";") && equals != std::string_view::npos) {
      std::string name = LowerAscii(line.substr(0, equals));
      while (!name.empty() && std::isdigit(static_cast<unsigned char>(name.back())))
        name.pop_back();
      if (name != "langsecref" && name != "section") ++lines[name];
    }
    for (std::size_t open = line.find('%'); open != std::string_view::npos;) {
      const auto close = line.find('%', open + 1);
      if (close == std::string_view::npos) break;
      variables.insert(std::string(line.substr(open + 1, close - open - 1)));
      open = line.find('%', close + 1);
    }
  }

  const CommunityRules rules = ReadCommunityRules(text);
  EXPECT_EQ(rules.unreadCount, 0u);
  for (const UnreadLine& line : rules.unread) ADD_FAILURE() << line.lineNumber << ": " << line.text;
  EXPECT_EQ(rules.version, "260730");
  EXPECT_EQ(rules.statedEntryCount, rules.entries.size());
  std::map<std::string, std::size_t> read;
  for (const CommunityEntry& entry : rules.entries) {
    ++read["entry"];
    read["filekey"] += entry.fileRules.size();
    read["regkey"] += entry.registryRules.size();
    read["excludekey"] += entry.exclusions.size();
    read["detect"] += entry.detectKeys.size();
    read["detectfile"] += entry.detectFiles.size();
    read["warning"] += entry.warning ? 1 : 0;
    EXPECT_FALSE(entry.category.empty()) << entry.name;
    EXPECT_FALSE(EndsWith(entry.name, "*")) << entry.name;
  }
  EXPECT_EQ(read, lines);
  EXPECT_EQ(lines["entry"], 4067u);

  // Every variable the file uses is one the program knows to fill.
  for (const std::string& name : variables) {
    bool known = false;
    for (const std::string_view candidate : kPathVariables) {
      known = known || EqualsNoCase(candidate, name);
    }
    EXPECT_TRUE(known) << name;
  }

  const CommunityEntry& first = rules.entries.front();
  EXPECT_EQ(first.name, ".NET Framework");
  EXPECT_EQ(first.category, "Windows");
  EXPECT_EQ(first.langSecRef, 3025);
  ASSERT_EQ(first.fileRules.size(), 18u);
  EXPECT_EQ(Describe(first.fileRules[4]),
            "%SystemDrive%\\BVTBin\\Tests\\installpackage\\cbstest\\* "
            "[CBSTest-*.wtl;CBSTestWDS.log]");
  EXPECT_EQ(Describe(first.fileRules[7]), "%WinDir%\\assembly\\t*mp [*] REMOVESELF");
  EXPECT_EQ(Describe(first.registryRules[1]),
            "HKEY_LOCAL_MACHINE\\Software\\CBSTEST value CBSTestWDSLogFile");
}

TEST(CommunityRuleValues, FileKeys) {
  const struct {
    const char* value;
    const char* expected;
  } cases[] = {
      {"%AppData%\\App|*.tmp", "%AppData%\\App [*.tmp]"},
      {"%AppData%\\App*\\*|a.log;b*.db|RECURSE", "%AppData%\\App*\\* [a.log;b*.db] RECURSE"},
      {"%AppData%\\App|*|removeself", "%AppData%\\App [*] REMOVESELF"},
      {" %AppData%\\App | a.log ; b.log | RECURSE ", "%AppData%\\App [a.log;b.log] RECURSE"},
      // A folder alone names no file.
      {"%LocalAppData%\\Dropbox\\", "%LocalAppData%\\Dropbox\\ []"},
      {"%AppData%\\App|", "refused"},
      {"%AppData%\\App|a.log;;b.log", "refused"},
      {"%AppData%\\App|a.log;", "refused"},
      {"%AppData%\\App|..\\..\\*", "refused"},
      {"%AppData%\\App|sub/x.log", "refused"},
      {"%AppData%\\App|..", "refused"},
      {"%AppData%\\App|*|RECURSIVE", "refused"},
      {"%AppData%\\App|*|RECURSE|REMOVESELF", "refused"},
      {"%AppData%\\App|*||", "refused"},
      {"|*.tmp", "refused"},
      {"", "refused"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DescribeOr(ParseFileKey(c.value)), c.expected) << c.value;
  }

  const struct {
    const char* value;
    const char* expected;  // the path, or "refused"
  } detectFiles[] = {
      {"%LocalAppData%\\Vendor\\App*", "%LocalAppData%\\Vendor\\App*"},
      {"%ProgramFiles%\\App\\app.exe", "%ProgramFiles%\\App\\app.exe"},
      {"%LocalAppData%\\Vendor*\\App", "refused"},
      {"%LocalAppData%\\V?ndor\\App", "refused"},
      {"%WinDir%|SIGVERIF.TXT", "%WinDir%\\SIGVERIF.TXT"},
      {"%WinDir%\\|Sig*.txt", "%WinDir%\\Sig*.txt"},
      {"%WinDir%|a.txt;b.txt", "refused"},
      {"%WinDir%|sub\\a.txt", "refused"},
      {"%WinDir%*|a.txt", "refused"},
      {"%WinDir%|a.txt|RECURSE", "refused"},
      {"", "refused"},
  };
  for (const auto& c : detectFiles) {
    EXPECT_EQ(ParseDetectFile(c.value).value_or("refused"), c.expected) << c.value;
  }
}

TEST(CommunityRuleValues, RegistryKeys) {
  const struct {
    const char* value;
    const char* expected;
  } cases[] = {
      {"HKCU\\Software\\App", "HKEY_CURRENT_USER\\Software\\App"},
      {"hklm\\Software\\App|Last Path", "HKEY_LOCAL_MACHINE\\Software\\App value Last Path"},
      {"HKU\\.DEFAULT\\Software", "HKEY_USERS\\.DEFAULT\\Software"},
      {"HKCR\\.xyz", "HKEY_CLASSES_ROOT\\.xyz"},
      {"HKCC\\Software", "HKEY_CURRENT_CONFIG\\Software"},
      {"HKEY_CURRENT_USER\\Software\\App", "HKEY_CURRENT_USER\\Software\\App"},
      {"HKCU\\\\Software\\\\App\\", "HKEY_CURRENT_USER\\Software\\App"},
      // A whole root, a root that is none, an empty value name.
      {"HKCU", "refused"},
      {"HKCU\\", "refused"},
      {"HKCU\\\\", "refused"},
      {"HKXX\\Software", "refused"},
      {"%AppData%\\Software", "refused"},
      {"HKCU\\Software\\App|", "refused"},
      {"HKCU\\Software\\App|a|b", "refused"},
      {"", "refused"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DescribeOr(ParseRegKey(c.value)), c.expected) << c.value;
  }
  EXPECT_FALSE(ParseRegistryPath("HKCU\\Software|x"));

  const struct {
    const char* value;
    std::optional<WindowsVersionRange> expected;
  } versions[] = {
      {"6.2|", WindowsVersionRange{WindowsVersion{6, 2}, std::nullopt}},
      {"|6.1", WindowsVersionRange{std::nullopt, WindowsVersion{6, 1}}},
      {"5.1|10.0", WindowsVersionRange{WindowsVersion{5, 1}, WindowsVersion{10, 0}}},
      {"6.1|5.1", std::nullopt},
      {"|", std::nullopt},
      {"6.1", std::nullopt},
      {"6|", std::nullopt},
      {"6.x|", std::nullopt},
      {"-6.1|", std::nullopt},
      {"6.1|7.0|8.0", std::nullopt},
  };
  for (const auto& c : versions) EXPECT_EQ(ParseDetectOs(c.value), c.expected) << c.value;
}

TEST(CommunityRuleValues, ExcludeKeys) {
  const struct {
    const char* value;
    const char* expected;
  } cases[] = {
      {"FILE|%AppData%\\App\\|important.db", "file %AppData%\\App\\ [important.db]"},
      {"FILE|%AppData%\\App\\|a.db;www.office[1].xml",
       "file %AppData%\\App\\ [a.db;www.office[1].xml]"},
      {"path|%AppData%\\App*\\*\\|*.cfg", "path %AppData%\\App*\\*\\ [*.cfg]"},
      {"REG|HKCU\\Software\\App\\Keep", "reg HKEY_CURRENT_USER\\Software\\App\\Keep"},
      {"REG|HKCU\\Software\\App|Keep", "reg HKEY_CURRENT_USER\\Software\\App value Keep"},
      {"FILE|%AppData%\\App\\", "refused"},
      {"FILE|%AppData%\\App\\|", "refused"},
      {"FILE||a.db", "refused"},
      {"FILE|%AppData%\\App\\|..\\a.db", "refused"},
      {"PATH|%AppData%\\App\\|*.cfg|RECURSE", "refused"},
      {"REG|HKCU", "refused"},
      {"REG|HKCU\\Software|", "refused"},
      {"KEEP|%AppData%\\App\\|a.db", "refused"},
      {"%AppData%\\App\\|a.db", "refused"},
      {"FILE", "refused"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DescribeOr(ParseExcludeKey(c.value)), c.expected) << c.value;
  }
}

// Entries as "name [category] D:key F:file ... X:n" and lines not understood
// as "line: reason".
std::string Describe(const CommunityRules& rules) {
  std::string text;
  for (const CommunityEntry& entry : rules.entries) {
    text += entry.name + " [" + entry.category + "]";
    for (const auto& key : entry.detectKeys) text += " D:" + key.keyPath;
    for (const auto& file : entry.detectFiles) text += " DF:" + file;
    if (entry.detectOs) text += " OS";
    if (entry.warning) text += " W:" + *entry.warning;
    for (const auto& rule : entry.fileRules) text += " F:" + rule.folder;
    for (const auto& rule : entry.registryRules) text += " R:" + rule.key.keyPath;
    for (const auto& rule : entry.exclusions) text += " X:" + rule.folder;
    if (entry.unreadExclusions)
      text += " unread exclusions " + std::to_string(entry.unreadExclusions);
    text += "\n";
  }
  for (const UnreadLine& line : rules.unread) {
    text += std::to_string(line.lineNumber) + ": " + std::string(line.reason) + "\n";
  }
  return text;
}

TEST(CommunityRulesFile, ReadingRules) {
  const struct {
    const char* name;
    std::string text;
    const char* expected;
  } cases[] = {
      {"line ends, comments and blank lines",
       "; Version: 1\r\n\r\n[A *]\r\nLangSecRef=3021\r\n; note\r\nFileKey1=a|*\r\n\n[B *]\nSection="
       "Games\nRegKey1=HKCU\\b",
       "A [Applications] F:a\nB [Games] R:b\n"},
      {"order and gaps: rules in number order",
       "[A *]\nFileKey10=c|*\nDetectFile=x\nFileKey2=b|*\nLangSecRef=3022\nFileKey1=a|*\n"
       "Detect2=HKCU\\d2\nDetect=HKCU\\d1\n",
       "A [Internet] D:d1 D:d2 DF:x F:a F:b F:c\n"},
      {"key names in any letter case, blanks around them",
       "[A *]\n  filekey1 = a|*  \nREGKEY1=HKCU\\r\nsection=S\nwarning=Careful\n"
       "excludekey1=file|a\\|b\n",
       "A [S] W:Careful F:a R:r X:a\\\n"},
      {"unknown and malformed keys are skipped, the entry kept",
       "[A *]\nDefault=True\nFileKey1=a|*\nFileKey2=b|*|DEEP\nWarning2=x\nFileKey=c|*\n"
       "FileKey01=d|*\nLangSecRef=3041\nSpecialDetect=DET_CHROME\njunk\n",
       "A [] F:a\n2: unknown key\n4: malformed FileKey\n5: unknown key\n6: malformed key number\n"
       "7: malformed key number\n8: unknown LangSecRef\n9: unknown key\n10: not a key\n"},
      {"a repeated key: the first one counts",
       "[A *]\nFileKey1=a|*\nFileKey1=b|*\nDetect=HKCU\\x\nDetect1=HKCU\\y\nLangSecRef=3021\n"
       "Section=Games\n",
       "A [Applications] D:x F:a\n3: repeated key\n5: repeated key\n7: repeated key\n"},
      {"lines outside entries",
       "; Version: 2\nFileKey1=a|*\nstray\n[A *]\nFileKey1=a|*\n[broken\nFileKey2=b|*\n[B *]\n"
       "RegKey1=HKCU\\b\n[ *]\nRegKey2=HKCU\\c\n",
       "A [] F:a\nB [] R:b\n2: before the first entry\n3: not a key\n6: malformed section\n"
       "7: outside any entry\n10: malformed section\n11: outside any entry\n"},
      {"an exclusion not understood marks its entry",
       "[A *]\nFileKey1=a|*\nExcludeKey1=FILE|a\\\nExcludeKey2=PATH|a\\|*.cfg\nExcludeKey3=x\n",
       "A [] F:a X:a\\ unread exclusions 2\n3: malformed ExcludeKey\n5: malformed ExcludeKey\n"},
      {"entry names: the trailing \" *\" goes, a name without it stays",
       "[Name with * inside *]\n[Plain]\n[  Spaced  * ]\n",
       "Name with * inside []\nPlain []\nSpaced []\n"},
      {"UTF-8 mark", "\xEF\xBB\xBF[A *]\nFileKey1=a|*\n", "A [] F:a\n"},
      {"UTF-16 file", std::string("\xFF\xFE[\0A\0]\0\r\0\n\0", 12), "A []\n"},
      {"an empty file", "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Describe(ReadCommunityRules(c.text)), c.expected) << c.name;
  }
  // The format's categories, from the first to the last; none for the
  // numbers it leaves out.
  const std::pair<int, const char*> categories[] = {
      {3001, "Internet Explorer"},
      {3021, "Applications"},
      {3031, "Windows Store"},
      {3038, "AVG Secure Browser"},
      {3044, "Avira Secure Browser"},
      {3000, nullptr},
      {3041, nullptr},
      {3045, nullptr},
      {0, nullptr},
  };
  for (const auto& [number, name] : categories) {
    EXPECT_EQ(LangSecRefName(number), name ? std::optional<std::string_view>(name) : std::nullopt)
        << number;
  }
  // LF and CR LF read alike.
  const std::string lf =
      "; Version: 7\n; # of entries: 1,002\n[A *]\nDetect=HKCU\\a\nFileKey1=a|*\n";
  std::string crlf;
  for (const char ch : lf) crlf += ch == '\n' ? std::string("\r\n") : std::string(1, ch);
  const CommunityRules fromLf = ReadCommunityRules(lf);
  const CommunityRules fromCrlf = ReadCommunityRules(crlf);
  EXPECT_EQ(Describe(fromLf), Describe(fromCrlf));
  EXPECT_EQ(fromCrlf.version, "7");
  EXPECT_EQ(fromCrlf.statedEntryCount, 1002u);
}

TEST(CommunityRulesFile, Bounds) {
  // More entries than allowed: the rest are counted, their keys too.
  std::string many;
  for (std::size_t i = 0; i <= kMaxEntries; ++i) many += "[E" + std::to_string(i) + " *]\n";
  many += "FileKey1=a|*\n";
  const CommunityRules manyEntries = ReadCommunityRules(many);
  EXPECT_EQ(manyEntries.entries.size(), kMaxEntries);
  EXPECT_EQ(manyEntries.unreadCount, 2u);
  ASSERT_EQ(manyEntries.unread.size(), 2u);
  EXPECT_EQ(manyEntries.unread[0].reason, "too many entries");
  EXPECT_EQ(manyEntries.unread[0].lineNumber, kMaxEntries + 1);

  // More keys in one entry than allowed.
  std::string keys = "[A *]\n";
  for (std::size_t i = 1; i <= kMaxKeysPerEntry + 3; ++i) {
    keys += "FileKey" + std::to_string(i) + "=a|*\n";
  }
  const CommunityRules manyKeys = ReadCommunityRules(keys);
  ASSERT_EQ(manyKeys.entries.size(), 1u);
  EXPECT_EQ(manyKeys.entries[0].fileRules.size(), kMaxKeysPerEntry);
  EXPECT_EQ(manyKeys.unreadCount, 3u);

  // Lines not understood: all counted, the first ones kept, each cut short
  // on a character boundary with control characters made visible.
  std::string junk;
  for (std::size_t i = 0; i < kMaxUnreadKept + 50; ++i) {
    junk += "\x01" + std::string(kMaxUnreadTextBytes - 2, 'x') + "\xC3\xA9tail\n";
  }
  const CommunityRules manyUnread = ReadCommunityRules(junk);
  EXPECT_EQ(manyUnread.unreadCount, kMaxUnreadKept + 50);
  ASSERT_EQ(manyUnread.unread.size(), kMaxUnreadKept);
  EXPECT_EQ(manyUnread.unread.back().lineNumber, kMaxUnreadKept);
  EXPECT_EQ(manyUnread.unread[0].text, "?" + std::string(kMaxUnreadTextBytes - 2, 'x'));

  // Overlong lines, names and warnings; an overlong section still ends the
  // entry before it, and an overlong exclusion marks its entry.
  const std::string longText(kMaxLineBytes, 'x');
  const std::string longName(kMaxNameBytes + 1, 'n');
  const CommunityRules longLines = ReadCommunityRules(
      "[A *]\nFileKey1=" + longText + "|*\nExcludeKey1=FILE|" + longText + "|a\nFileKey2=b|*\n[" +
      longText + "]\nFileKey3=c|*\n[" + longName + "]\n[B *]\nSection=" + longName +
      "\nWarning=" + std::string(kMaxWarningBytes + 1, 'w') + "\n");
  EXPECT_EQ(Describe(longLines),
            "A [] F:b unread exclusions 1\nB []\n2: line too long\n3: line too long\n"
            "5: line too long\n6: outside any entry\n7: malformed section\n9: malformed Section\n"
            "10: malformed Warning\n");

  // A file over the size limit is not read at all.
  const CommunityRules tooLarge =
      ReadCommunityRules("[A *]\n" + std::string(kMaxFileBytes - 5, 'x'));
  EXPECT_TRUE(tooLarge.tooLarge);
  EXPECT_TRUE(tooLarge.entries.empty());
  const CommunityRules atLimit =
      ReadCommunityRules("[A *]\n" + std::string(kMaxFileBytes - 6, 'x'));
  EXPECT_FALSE(atLimit.tooLarge);
  EXPECT_EQ(atLimit.entries.size(), 1u);
}

TEST(CommunityPathVariables, Expansion) {
  const std::vector<PathVariable> table = {
      {"ProgramFiles", {"C:\\Program Files", "C:\\Program Files (x86)"}},
      {"CommonProgramFiles",
       {"C:\\Program Files\\Common Files", "C:\\Program Files (x86)\\Common Files"}},
      {"AppData", {"C:\\Users\\u\\AppData\\Roaming"}},
      {"SystemDrive", {"C:"}},
      {"Root", {"C:\\"}},
      {"Odd", {"D:\\50%Off%"}},
      {"Music", {}},
      {"Video", {""}},
      {"Same", {"C:\\Same", "c:\\same"}},
      {"ProgramFiles(x86)", {"C:\\Program Files (x86)"}},
      {"my_var09", {"E:\\v"}},
  };
  const struct {
    const char* path;
    std::vector<std::string> expected;
  } cases[] = {
      {"%ProgramFiles%\\App", {"C:\\Program Files\\App", "C:\\Program Files (x86)\\App"}},
      {"%appdata%\\App", {"C:\\Users\\u\\AppData\\Roaming\\App"}},
      {"%APPDATA%", {"C:\\Users\\u\\AppData\\Roaming"}},
      {"%SystemDrive%\\Temp", {"C:\\Temp"}},
      {"%Root%\\Temp", {"C:\\Temp"}},
      {"C:\\Plain\\Path", {"C:\\Plain\\Path"}},
      // Folders are not expanded again.
      {"%Odd%\\x", {"D:\\50%Off%\\x"}},
      {"%ProgramFiles%\\%CommonProgramFiles%",
       {"C:\\Program Files\\C:\\Program Files\\Common Files",
        "C:\\Program Files\\C:\\Program Files (x86)\\Common Files",
        "C:\\Program Files (x86)\\C:\\Program Files\\Common Files",
        "C:\\Program Files (x86)\\C:\\Program Files (x86)\\Common Files"}},
      {"%Same%\\x", {"C:\\Same\\x"}},
      {"%ProgramFiles(x86)%\\x", {"C:\\Program Files (x86)\\x"}},
      {"%MY_VAR09%\\x", {"E:\\v\\x"}},
      // Nothing for what the table cannot give.
      {"%Unknown%\\App", {}},
      {"%AppData%\\%Unknown%", {}},
      {"%Music%\\App", {}},
      {"%Video%\\App", {}},
      {"%AppData\\App", {}},
      {"%%\\App", {}},
      {"%App Data%\\App", {}},
      {"", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(ExpandPathVariables(c.path, table), c.expected) << c.path;

  // A path standing for too many folders stands for none.
  std::vector<PathVariable> wide = {{"X", {"a", "b", "c", "d"}}, {"Y", {}}};
  for (std::size_t i = 0; i <= kMaxExpandedPaths; ++i) wide[1].folders.push_back(std::to_string(i));
  EXPECT_EQ(ExpandPathVariables("%X%%X%%X%", wide).size(), kMaxExpandedPaths);
  EXPECT_TRUE(ExpandPathVariables("%X%%X%%X%%X%", wide).empty());
  EXPECT_TRUE(ExpandPathVariables("%Y%", wide).empty());
  wide[1].folders.pop_back();
  EXPECT_EQ(ExpandPathVariables("%Y%", wide).size(), kMaxExpandedPaths);
}

}  // namespace
}  // namespace nc::cleaner::community
