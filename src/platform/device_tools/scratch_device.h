// ScratchDevice: a throw-away emulated device, the one that tests, fuzz targets and
// pkgtool work on.
//
// Create makes a new folder, makes a device there as `devicectl init` does (or copies an
// existing device folder first) and makes it the current device of the process
// (ScopedDevice). The destructor restores the previous device and removes the folder with
// everything in it. The file helpers reach the device's files from the host side,
// independent of the CE calls. One thread at a time.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace emu {

class ScopedDevice;

class ScratchDevice {
 public:
  // A fresh device in a new folder below `parent` (the host's temporary folder when
  // empty), or, with `copyOf`, a copy of the device folder `copyOf`, which is only read.
  // Null with *error set when that fails; nothing is left behind then.
  static std::unique_ptr<ScratchDevice> Create(std::string* error, const std::string& copyOf = "",
                                               const std::string& parent = "");
  ScratchDevice(const ScratchDevice&) = delete;
  ScratchDevice& operator=(const ScratchDevice&) = delete;
  ~ScratchDevice();

  // The device folder, holding fs/, device.db and mutexes/. A file made here, beside fs/,
  // is outside the device: a sentinel that no CE call may touch.
  const std::string& hostDir() const { return hostDir_; }

  // The host path of a CE path (`\Temp\a.gz` -> <hostDir>/fs/Temp/a.gz), spelled as given.
  std::string HostPath(std::u16string_view cePath) const;
  // The host path of the device file `\name`, `name` being UTF-8 bytes as they are.
  std::string RootFilePath(std::string_view name) const;

  // Writes a device file from the host, making missing folders; false when the host refuses.
  bool WriteFile(std::u16string_view cePath, std::string_view content) const;

  // The names in the device folder that are not the device's own (fs/, the database with
  // its WAL files, mutexes/): what was written outside the device. Sorted.
  std::vector<std::string> ForeignEntries() const;

 private:
  explicit ScratchDevice(std::string hostDir);

  std::string hostDir_;
  std::unique_ptr<ScopedDevice> scope_;
};

}  // namespace emu
