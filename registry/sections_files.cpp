// The whole-hive walks, Shared DLLs and Software Locations.
#include <span>

#include "registry/locations.h"
#include "registry/registry_walk.h"
#include "registry/sections.h"
#include "registry/sections_common.h"

namespace nc::registry {

using platform::RegAccess;
using platform::RootKey;

namespace {

constexpr std::string_view kSharedDlls = "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDlls";
constexpr std::string_view kAppPaths = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";

// The reference count of a SharedDlls value: its first four bytes, read
// little-endian; shorter data is zero-extended (none at all counts 0).
std::uint32_t ReferenceCount(const platform::RegValue& value) {
  std::uint32_t count = 0;
  for (std::size_t i = 0; i < value.data.size() && i < 4; ++i) {
    count |= static_cast<std::uint32_t>(value.data[i]) << (8 * i);
  }
  return count;
}

}  // namespace

void ScanHiveFilesAndFolders(ScanContext& ctx, RootKey hive) {
  int id = 0;
  std::string_view start;
  std::span<const std::string_view> exclusions;
  switch (hive) {
    case RootKey::ClassesRoot:
      id = 3;
      break;
    case RootKey::CurrentUser:
      id = 4;
      exclusions = kUserWalkExclusions;
      break;
    case RootKey::LocalMachine:
      id = 5;
      start = "Software";
      exclusions = kMachineWalkExclusions;
      break;
    case RootKey::Users:
      id = 6;
      break;
    case RootKey::CurrentConfig:
      return;
  }
  BeginSection(ctx, id);
  WalkStringValues(ctx, hive, start, SectionProblem(id), {}, exclusions);
}

void ScanSharedDlls(ScanContext& ctx) {
  BeginSection(ctx, 7);
  if (ctx.StopRequested()) return;
  auto& registry = ctx.platform.registry;
  auto key = ctx.Open(RootKey::LocalMachine, kSharedDlls, RegAccess::Full);
  if (!key) return;
  ctx.ShowKey(kSharedDlls);
  const auto values = registry.values(*key);
  if (!values) return;
  const std::string location = LocationText(RootKey::LocalMachine, kSharedDlls);
  for (const auto& value : *values) {
    if (ctx.StopRequested()) return;
    if (value.type != static_cast<std::uint32_t>(platform::RegType::Dword)) continue;
    // The name is the file; the data counts the programs that share it.
    if (FloppyMissing(ctx.pathTest, value.name) ||
        FileReferenceMissing(ctx.pathTest, value.name, {}, false) || ReferenceCount(value) == 0) {
      ctx.Add(std::string(SectionProblem(7)), value.name, location, ProblemKind::ValueInKey,
              value.exactName);
    }
  }
}

void ScanSoftwareLocations(ScanContext& ctx) {
  BeginSection(ctx, 8);
  WalkStringValues(ctx, RootKey::LocalMachine, kAppPaths, SectionProblem(8), {});
}

}  // namespace nc::registry
