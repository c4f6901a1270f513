// The clean item tree and the registry sections tree as the settings file
// reads and writes them.
#pragma once

#include "app/options.h"
#include "cleaner/catalogue.h"
#include "registry/section_tree.h"

namespace nc::app {

class ProgramSettingsTrees final : public SettingsTrees {
 public:
  ProgramSettingsTrees(cleaner::CleanTree& clean, registry::SectionTree& sections)
      : clean_(clean), sections_(sections) {}

  void UntickAllCleanNodes() override;
  void SelectNodeByName(std::string_view name) override;
  std::vector<std::string> TickedCleanNodeNames() const override;
  void DeriveCleanGroupMarks() override;

  std::vector<std::pair<int, bool>> SectionTicks() const override;
  void SetSectionTick(int imageIndex, bool ticked) override;

  std::vector<TopNode> TopLevelNodes(Tree tree) const override;
  void ExpandTopLevelNode(Tree tree, int position) override;

 private:
  cleaner::CleanTree& clean_;
  registry::SectionTree& sections_;
};

}  // namespace nc::app
