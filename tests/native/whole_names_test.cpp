// Values and keys are deleted and backed up by their whole names: names
// that UTF-8 text cannot carry (a lone surrogate half, a NUL), beside the
// look-alike names their text stands for, through the registry repair
// (a value, a whole key with its backup) and the privacy cleaner's
// registry removal.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "clean_fixture.h"
#include "cleaner/remove_registry.h"
#include "core/text.h"
#include "registry/fixer.h"

namespace nc::testing {
namespace {

using platform::RootKey;
using registry::ProblemEntry;
using registry::ProblemKind;

constexpr const char* kFolder = "C:\\Backup";
constexpr const char* kRunFile = "C:\\Backup\\2026_02_03_070509.reg";
constexpr const char* kKey = "Software\\T";

std::u16string Units(std::u16string_view text, std::initializer_list<char16_t> tail = {}) {
  std::u16string out(text);
  out.append(tail);
  return out;
}

class NoStatus : public registry::FixView {
 public:
  void SetStatusText(std::string_view) override {}
};

enum class Mode { FixValue, FixKeyTree, PrivacyRemoval };

TEST(WholeNames, AreDeletedAndBackedUpByTheirExactUnits) {
  struct Case {
    const char* what;
    std::u16string name;       // the value's and the sub-key's exact name
    std::u16string bystander;  // a real value and sub-key beside it ("": none)
    bool carried;              // a backup file can hold the name
  };
  const std::vector<Case> cases = {
      {"plain", u"Plain", u"", true},
      {"unpaired high half", Units(u"Hi", {0xD800}), u"", true},
      {"unpaired low half", Units(u"Lo", {0xDC00}), u"", true},
      {"embedded NUL beside its prefix", Units(u"Nu", {0, u'l'}), u"Nu", false},
      {"high half beside its U+FFFD look-alike", Units(u"Hi", {0xD800}), Units(u"Hi", {0xFFFD}),
       true},
  };
  for (const Case& c : cases) {
    for (Mode mode : {Mode::FixValue, Mode::FixKeyTree, Mode::PrivacyRemoval}) {
      SCOPED_TRACE(std::string(c.what) + " / mode " + std::to_string(static_cast<int>(mode)));
      CleanWorld world;
      sim::SimPlatform& sim = world.sim;
      auto& reg = sim.registry();
      ASSERT_TRUE(sim.files().createFolders(kFolder).ok());
      sim.clock().setNow({2026, 2, 3, 7, 5, 9, 0});
      const auto target = platform::StringData("target");
      const auto other = platform::StringData("bystander");
      const std::string sub = std::string(kKey) + "\\" + Utf16ToWtf8(c.name);
      ASSERT_TRUE(reg.writeExactValue(RootKey::CurrentUser, kKey, c.name, 1, target));
      ASSERT_TRUE(reg.createExactKey(RootKey::CurrentUser, kKey, c.name));
      ASSERT_TRUE(reg.writeExactValue(RootKey::CurrentUser, sub, u"inner", 1, target));
      const bool bystander = !c.bystander.empty();
      const std::string otherSub = std::string(kKey) + "\\" + Utf16ToWtf8(c.bystander);
      if (bystander) {
        ASSERT_TRUE(reg.writeExactValue(RootKey::CurrentUser, kKey, c.bystander, 1, other));
        ASSERT_TRUE(reg.writeExactValue(RootKey::CurrentUser, otherSub, u"inner", 1, other));
      }
      const auto hasValue = [&](std::u16string_view name) {
        return reg.exactValue(RootKey::CurrentUser, kKey, name).has_value();
      };

      if (mode == Mode::PrivacyRemoval) {
        // Every value and sub-key of the key goes, each by its own name;
        // one the system's calls cannot be given stays, as a failure.
        cleaner::CleanRun& run = world.CleanModeRun();
        cleaner::DeleteValuesByRootName(run, "HKEY_CURRENT_USER", kKey, "");
        EXPECT_EQ(hasValue(c.name), !c.carried);
        EXPECT_EQ(reg.keyExists(RootKey::CurrentUser, sub), !c.carried);
        EXPECT_FALSE(bystander && hasValue(c.bystander));
        EXPECT_FALSE(bystander && reg.keyExists(RootKey::CurrentUser, otherSub));
        continue;
      }

      registry::BackupSettings settings;
      settings.OutputDirectory = kFolder;
      registry::ResultsModel rows;
      const std::string shown = Utf16ToUtf8(c.name);
      if (mode == Mode::FixValue) {
        // As the scan lists it: the text to show and the exact name.
        rows.Append(ProblemEntry{"Problem", shown, std::string("HKEY_CURRENT_USER\\") + kKey,
                                 ProblemKind::ValueInKey, true, c.name});
      } else {
        rows.Append(ProblemEntry{"Problem", "", std::string("HKEY_CURRENT_USER\\") + kKey,
                                 ProblemKind::Key, true});
      }
      registry::FixEnvironment env{sim.ports(), settings, 12, [] { return true; }, [] {}};
      NoStatus view;
      const registry::FixResult result = registry::FixSelectedProblems(env, rows, view);
      ASSERT_EQ(result.outcome, registry::FixOutcome::Finished);

      // What is gone, and what stays.
      const bool treeGone = mode == Mode::FixKeyTree && c.carried;
      EXPECT_EQ(hasValue(c.name), !c.carried);
      EXPECT_EQ(reg.keyExists(RootKey::CurrentUser, sub), !treeGone);
      EXPECT_EQ(bystander && hasValue(c.bystander), bystander && !treeGone);
      // A refused row stays, ticked, and the message names it.
      EXPECT_EQ(rows.Count(), c.carried ? 0u : 1u);
      EXPECT_EQ(result.refused.size(), c.carried ? 0u : 1u);
      EXPECT_EQ(sim.prompts().count(sim::SimPrompts::Kind::Inform), c.carried ? 0u : 1u);

      // What the backup holds: imported as the registry editor imports a
      // file, it gives back exactly what went, under the same names.
      if (!c.carried) {
        EXPECT_TRUE(sim.readFile(kRunFile).empty());
        continue;
      }
      const std::string backup = sim.readFile(kRunFile);
      sim::SimRegistry restored;
      restored.loadRegFile({reinterpret_cast<const std::uint8_t*>(backup.data()), backup.size()});
      const auto back = restored.exactValue(RootKey::CurrentUser, kKey, c.name);
      ASSERT_TRUE(back.has_value()) << backup;
      EXPECT_EQ(back->data, target);
      EXPECT_EQ(restored.exactValue(RootKey::CurrentUser, sub, u"inner").has_value(),
                mode == Mode::FixKeyTree);
      EXPECT_EQ(bystander && restored.exactValue(RootKey::CurrentUser, kKey, c.bystander),
                bystander && mode == Mode::FixKeyTree);
    }
  }
}

}  // namespace
}  // namespace nc::testing
