// DeviceChanges: the difference between two snapshots of one device, in the order a
// report lists it (paths and keys in byte order, values in export order).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "try/device_snapshot.h"

namespace pkgtool {

struct FileChange {
  enum class Kind { kCreated, kWritten, kDeleted };
  Kind kind = Kind::kCreated;
  std::string path;
  std::uint64_t size = 0;  // after; before for a deleted file
};

struct ValueChange {
  std::string line;    // the value as a .reg line; for a deleted value `"name"=-`
  std::string before;  // the line it replaced; empty for an added or deleted value
};

struct KeyChange {
  std::string key;
  bool created = false;
  bool deleted = false;
  std::vector<ValueChange> values;
};

struct DeviceChanges {
  std::vector<std::string> foldersCreated;
  std::vector<std::string> foldersDeleted;
  std::vector<FileChange> files;
  std::vector<KeyChange> registry;
};

// A file counts as written when its size, content or modification time changed.
DeviceChanges CompareSnapshots(const DeviceSnapshot& before, const DeviceSnapshot& after);

// The registry changes as a .reg fragment: "[KEY]" lines with their new and changed
// values, "; was:" comments before changed ones, `"name"=-` and "[-KEY]" for removals.
std::string RegistryText(const std::vector<KeyChange>& changes);

}  // namespace pkgtool
