#include "scratch_device.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "device.h"
#include "device_init.h"

namespace pkgtool {

namespace fs = std::filesystem;

std::unique_ptr<ScratchDevice> ScratchDevice::Create(std::string* error, const std::string& copyOf) {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp != nullptr && *tmp != 0 ? tmp : "/tmp") + "/pkgtool-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (mkdtemp(buffer.data()) == nullptr) {
    *error = pattern + ": " + std::strerror(errno);
    return nullptr;
  }
  std::unique_ptr<ScratchDevice> device(new ScratchDevice(buffer.data()));
  if (!copyOf.empty()) {
    std::error_code failure;
    if (!fs::is_directory(fs::path(copyOf) / "fs", failure)) {
      *error = copyOf + ": not a device (it has no fs/ folder)";
      return nullptr;
    }
    // Symbolic links are copied as links: the device never follows them out of fs/.
    fs::copy(copyOf, device->hostDir_,
             fs::copy_options::recursive | fs::copy_options::copy_symlinks |
                 fs::copy_options::overwrite_existing,
             failure);
    if (failure) {
      *error = copyOf + ": cannot copy the device: " + failure.message();
      return nullptr;
    }
  }
  if (!emu::InitDevice(device->hostDir_, error)) return nullptr;
  device->scope_ = std::make_unique<emu::ScopedDevice>(device->hostDir_);
  return device;
}

ScratchDevice::ScratchDevice(std::string hostDir) : hostDir_(std::move(hostDir)) {}

ScratchDevice::~ScratchDevice() {
  scope_.reset();
  std::error_code ignored;
  fs::remove_all(hostDir_, ignored);
}

bool PlaceFile(const std::string& source, const std::string& destination, std::string* error) {
  std::error_code failure;
  fs::remove(destination, failure);
  if (::link(source.c_str(), destination.c_str()) == 0) return true;
  if (!fs::copy_file(source, destination, fs::copy_options::overwrite_existing, failure)) {
    *error = source + ": " + failure.message();
    return false;
  }
  return true;
}

}  // namespace pkgtool
