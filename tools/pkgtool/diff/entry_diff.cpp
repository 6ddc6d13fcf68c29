#include "diff/entry_diff.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <set>

#include "install/script_words.h"
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

// The bytes the updater takes from the entry `name`: the script decoded, any other
// entry's data as stored (scrambled again with the package's table when flagged).
std::string UpdatersBytes(ResourcePackage& package, const std::string& name) {
  const AnsiString data = package.ReadEntry(name.c_str());
  std::string bytes(data.data == nullptr ? 0 : static_cast<std::size_t>(data.length), '\0');
  if (!bytes.empty()) std::memcpy(bytes.data(), data.data, bytes.size());
  const PackageEntry* entry = package.FindEntry(name.c_str());
  if (entry == nullptr || entry->scrambled == 0 || name == script_words::kScriptEntry) {
    return bytes;
  }
  unsigned char stored[256];
  for (int i = 0; i < 256; ++i) {
    stored[package.substitutionTable()[i]] = static_cast<unsigned char>(i);
  }
  for (char& c : bytes) c = static_cast<char>(stored[static_cast<unsigned char>(c)]);
  return bytes;
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
      change.newScrambled = now->second->scrambled != 0;
    } else if (now == after.end()) {
      change.change = Change::kRemoved;
      change.oldSize = old->second->size;
      change.oldScrambled = old->second->scrambled != 0;
    } else {
      change.oldSize = old->second->size;
      change.newSize = now->second->size;
      change.oldScrambled = old->second->scrambled != 0;
      change.newScrambled = now->second->scrambled != 0;
      if (change.oldSize == change.newSize &&
          UpdatersBytes(oldPackage, name) == UpdatersBytes(newPackage, name)) {
        ++diff.unchanged;
        continue;
      }
    }
    diff.changes.push_back(std::move(change));
  }
  return diff;
}

}  // namespace pkgtool
