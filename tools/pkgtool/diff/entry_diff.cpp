#include "diff/entry_diff.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <set>

#include "lint/parsed_script.h"

namespace pkgtool {

namespace {

using System::IO::PackageEntry;
using System::IO::ResourcePackage;

// Each name with its first entry. A decoded zero ends a name, as for lookups.
std::map<std::string, const PackageEntry*> FirstEntries(const ResourcePackage& package) {
  std::map<std::string, const PackageEntry*> entries;
  for (const PackageEntry& entry : package.Entries()) entries.emplace(entry.name, &entry);
  return entries;
}

bool SameData(ResourcePackage& oldPackage, ResourcePackage& newPackage, const std::string& name) {
  const AnsiString before = oldPackage.ReadEntry(name.c_str());
  const AnsiString after = newPackage.ReadEntry(name.c_str());
  if (before.length != after.length) return false;
  return before.length == 0 ||
         std::memcmp(before.data, after.data, static_cast<std::size_t>(before.length)) == 0;
}

}  // namespace

EntryDiff DiffEntries(ResourcePackage& oldPackage, ResourcePackage& newPackage) {
  const auto before = FirstEntries(oldPackage);
  const auto after = FirstEntries(newPackage);
  std::set<std::string> names;
  for (const auto& [name, entry] : before) names.insert(name);
  for (const auto& [name, entry] : after) names.insert(name);

  EntryDiff diff;
  for (const std::string& name : names) {
    const auto old = before.find(name);
    const auto now = after.find(name);
    EntryChange change;
    change.name = Display(name);
    if (old == before.end()) {
      change.change = Change::kAdded;
      change.newSize = now->second->size;
    } else if (now == after.end()) {
      change.change = Change::kRemoved;
      change.oldSize = old->second->size;
    } else {
      change.oldSize = old->second->size;
      change.newSize = now->second->size;
      if (change.oldSize == change.newSize && SameData(oldPackage, newPackage, name)) {
        ++diff.unchanged;
        continue;
      }
    }
    diff.changes.push_back(std::move(change));
  }
  return diff;
}

}  // namespace pkgtool
