// The report of `pkgtool diff`: what a new package of a product changes against the
// old one, its entries and its install script, as text for a person or as one JSON
// document.
#pragma once

#include <string>
#include <vector>

#include "diff/entry_diff.h"
#include "diff/script_diff.h"

namespace pkgtool {

struct DiffSide {
  std::string file;      // as given on the command line
  std::string openedAs;  // the name its entry names were decoded with
  bool hasScript = false;
};

struct PackageDiff {
  DiffSide before;
  DiffSide after;
  EntryDiff entries;
  std::vector<ElementChange> script;
  bool scriptComplete = true;  // both scripts were read whole
};

// The sections "entries" and "script" (each only when it has changes), then a line of
// counts.
std::string DiffText(const PackageDiff& diff);
std::string DiffJson(const PackageDiff& diff);

}  // namespace pkgtool
