#include "scratch_device.h"

#include <stdlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <system_error>
#include <utility>

#include "code_page.h"
#include "device.h"
#include "device_init.h"

namespace emu {

namespace fs = std::filesystem;

namespace {

// Copies the device folder `from` into `to`; symbolic links stay links, since the device
// never follows them out of fs/.
bool CopyDevice(const std::string& from, const std::string& to, std::string* error) {
  std::error_code failure;
  if (!fs::is_directory(fs::path(from) / "fs", failure)) {
    *error = from + ": not a device (it has no fs/ folder)";
    return false;
  }
  fs::copy(from, to,
           fs::copy_options::recursive | fs::copy_options::copy_symlinks |
               fs::copy_options::overwrite_existing,
           failure);
  if (failure) {
    *error = from + ": cannot copy the device: " + failure.message();
    return false;
  }
  return true;
}

}  // namespace

std::unique_ptr<ScratchDevice> ScratchDevice::Create(std::string* error, const std::string& copyOf,
                                                     const std::string& parent) {
  std::error_code failure;
  const fs::path where = parent.empty() ? fs::temp_directory_path(failure) : fs::path(parent);
  std::string pattern = (where / "ce-device-XXXXXX").string();
  if (failure || ::mkdtemp(pattern.data()) == nullptr) {
    *error = pattern + ": " + (failure ? failure.message() : std::strerror(errno));
    return nullptr;
  }
  std::unique_ptr<ScratchDevice> device(new ScratchDevice(pattern));
  if (!copyOf.empty() && !CopyDevice(copyOf, device->hostDir_, error)) return nullptr;
  if (!InitDevice(device->hostDir_, error)) return nullptr;
  device->scope_ = std::make_unique<ScopedDevice>(device->hostDir_);
  return device;
}

ScratchDevice::ScratchDevice(std::string hostDir) : hostDir_(std::move(hostDir)) {}

ScratchDevice::~ScratchDevice() {
  scope_.reset();
  std::error_code ignored;
  fs::remove_all(hostDir_, ignored);
}

std::string ScratchDevice::HostPath(std::u16string_view cePath) const {
  std::string path = hostDir_ + "/fs";
  std::size_t start = 0;
  while (start <= cePath.size()) {
    std::size_t end = cePath.find_first_of(u"\\/", start);
    if (end == std::u16string_view::npos) end = cePath.size();
    if (end > start) path += "/" + Utf16ToUtf8(cePath.substr(start, end - start));
    start = end + 1;
  }
  return path;
}

std::string ScratchDevice::RootFilePath(std::string_view name) const {
  return hostDir_ + "/fs/" + std::string(name);
}

bool ScratchDevice::WriteFile(std::u16string_view cePath, std::string_view content) const {
  const fs::path path = HostPath(cePath);
  std::error_code failure;
  fs::create_directories(path.parent_path(), failure);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  return static_cast<bool>(out);
}

std::vector<std::string> ScratchDevice::ForeignEntries() const {
  static const std::set<std::string> kDeviceOwn = {"fs", "device.db", "device.db-wal",
                                                   "device.db-shm", "mutexes"};
  std::vector<std::string> foreign;
  for (const fs::directory_entry& entry : fs::directory_iterator(hostDir_)) {
    std::string name = entry.path().filename().string();
    if (kDeviceOwn.count(name) == 0) foreign.push_back(std::move(name));
  }
  std::sort(foreign.begin(), foreign.end());
  return foreign;
}

}  // namespace emu
