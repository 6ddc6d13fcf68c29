// RunAccount: what the updater says it did, read from the account it writes of its run
// (driver/observation_log.h): which installations ran, at what depth and how each
// ended, which files each Files pass put in place and which programs were started.
// `pkgtool try` reports the products of the delivery folder and their nested products
// from this and from nothing else: an updater that writes no account has installed
// nothing that try can vouch for.
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

struct PlacedFile {
  std::string entry;   // the package entry, UTF-8
  std::string target;  // the device path it was put in place as
};

struct ProgramStart {
  std::string program;
  bool started = false;
};

// One product of the delivery folder (depth 0), with everything its installation did,
// its nested installations' included.
struct ProductInstall {
  std::string path;  // the delivered file, as the updater took it, UTF-8
  bool ended = false;
  bool installed = false;
  std::string outcome;  // the updater's word for how it ended; empty when it did not
  std::string note;     // why nothing or not all was installed; empty when installed
  std::vector<PlacedFile> placed;
  std::vector<ProgramStart> starts;
  std::vector<NestedInstall> nested;  // in the order they began
};

struct RunAccount {
  bool given = false;                    // the updater wrote an account
  std::vector<NestedInstall> nested;     // of every product, in the order they began
  std::vector<ProductInstall> products;  // in the order they began
};

// Reads the account in `bytes` (the file's content). A line it does not understand is
// passed over.
RunAccount ReadRunAccount(const std::string& bytes);

}  // namespace pkgtool
