// DiffEntries: the entries a new package adds, removes or changes against an old one.
//
// Entries are told apart by their decoded names, exactly (letter case included), and
// only the first entry of a name counts, as for the updater. An entry has changed when
// the bytes the updater takes from it differ, in size or in any byte: the decoded text
// of InstallScript.xml, which it reads, and the stored data of every other entry, which
// it installs as stored (a file entry packed scrambled is installed scrambled).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "diff/change.h"
#include "package/resource_package.h"

namespace pkgtool {

struct EntryChange {
  Change change = Change::kChanged;
  std::string name;          // displayable (UTF-8)
  std::int64_t oldSize = 0;  // 0 for an added entry
  std::int64_t newSize = 0;  // 0 for a removed entry
  // How the data is stored on each side (false on the side without the entry).
  bool oldScrambled = false;
  bool newScrambled = false;
};

struct EntryDiff {
  std::vector<EntryChange> changes;  // ordered by name, bytewise
  std::size_t unchanged = 0;
};

// Reads the data of entries present in both packages whose sizes agree, one pair at a
// time.
EntryDiff DiffEntries(System::IO::ResourcePackage& oldPackage,
                      System::IO::ResourcePackage& newPackage);

}  // namespace pkgtool
