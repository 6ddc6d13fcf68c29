// DeviceSnapshot: what `pkgtool try` compares before and after the updater ran - the
// device's folders and files, its registry and the end of its event journal.
//
// Taken from the host side of a device folder: files by walking fs/ (symbolic links are
// not followed), the registry and journal through the device's database. Reads only.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace pkgtool {

struct FileState {
  std::uint64_t size = 0;
  std::uint64_t digest = 0;   // of the content
  std::int64_t modified = 0;  // nanoseconds
};

// One registry value: the name as the .reg export writes it ("\"Name\"" or "@") and its
// whole line (continuation lines joined with line breaks).
struct RegistryValue {
  std::string name;
  std::string line;
};

struct DeviceSnapshot {
  // Keyed by device path in UTF-8 as spelt on the device, "\Windows\a.exe".
  std::map<std::string, FileState> files;
  std::set<std::string> folders;
  // Keyed by full key path, "HKEY_LOCAL_MACHINE\Software"; values in export order.
  std::map<std::string, std::vector<RegistryValue>> registry;
  std::int64_t lastEvent = 0;  // the journal's last sequence number
};

// Snapshots the device at `deviceDir`, which must be the current device, passing over
// the top-level folder `skipFolder` (a name below `\`; none when empty). False with
// *error set when the device cannot be read.
bool TakeSnapshot(const std::string& deviceDir, const std::string& skipFolder,
                  DeviceSnapshot* snapshot, std::string* error);

// The key paths and values of a .reg export.
std::map<std::string, std::vector<RegistryValue>> ParseRegistryExport(const std::string& text);

}  // namespace pkgtool
