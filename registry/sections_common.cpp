#include "registry/sections_common.h"

#include "registry/section_table.h"

namespace nc::registry {

std::string_view SectionProblem(int id) {
  return SectionById(id).problemText;
}

void BeginSection(ScanContext& ctx, int id) {
  const std::string_view status = SectionById(id).statusText;
  if (!status.empty()) ctx.sink.SetSectionStatus(status);
}

}  // namespace nc::registry
