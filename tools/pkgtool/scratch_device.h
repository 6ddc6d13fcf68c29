// ScratchDevice: a throw-away emulated device in a temporary folder, current for the
// process while it lives and removed with everything in it afterwards.
//
// The package tools use one to run the system's own code (package reader, gzip
// expansion, the updater itself) on files that live on the host.
#pragma once

#include <memory>
#include <string>

namespace emu {
class ScopedDevice;
}

namespace pkgtool {

class ScratchDevice {
 public:
  // A fresh device as `devicectl init` makes it, or, with `copyOf`, a copy of the device
  // folder `copyOf` (which is only read). Null with *error set when that fails.
  static std::unique_ptr<ScratchDevice> Create(std::string* error, const std::string& copyOf = "");
  ScratchDevice(const ScratchDevice&) = delete;
  ScratchDevice& operator=(const ScratchDevice&) = delete;
  ~ScratchDevice();

  const std::string& hostDir() const { return hostDir_; }
  // The host path of a device file directly below `\` named `name` (UTF-8).
  std::string RootFilePath(const std::string& name) const { return hostDir_ + "/fs/" + name; }

 private:
  explicit ScratchDevice(std::string hostDir);

  std::string hostDir_;
  std::unique_ptr<emu::ScopedDevice> scope_;
};

// Places the host file `source` at `destination` (a host path): a hard link when the two
// share a file system, a copy otherwise. False with *error set when neither works.
bool PlaceFile(const std::string& source, const std::string& destination, std::string* error);

}  // namespace pkgtool
