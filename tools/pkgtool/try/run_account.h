// RunAccount: what the updater says it did, read from the account it writes of its run
// (driver/observation_log.h): which installations ran, at what depth and how each
// ended, and which files each Files pass put in place. `pkgtool try` reports nested
// products from this and from nothing else: an updater that writes no account has
// installed nothing that try can vouch for.
#pragma once

#include <string>
#include <vector>

namespace pkgtool {

struct NestedInstall {
  std::string path;  // the delivered file, as expanded, UTF-8
  int depth = 1;     // 1 for a product that the tried product unpacks
  bool installed = false;
  std::string note;  // where it came from, or why nothing was installed
};

struct RunAccount {
  bool given = false;                 // the updater wrote an account
  std::vector<NestedInstall> nested;  // in the order they began
};

// Reads the account in `bytes` (the file's content). A line it does not understand is
// passed over.
RunAccount ReadRunAccount(const std::string& bytes);

}  // namespace pkgtool
