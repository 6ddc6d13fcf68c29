// TempDevice: a throw-away emulated device for tests, an emu::ScratchDevice that throws.
//
// The constructor makes a fresh device in a temporary folder and makes it the current
// device of the process; the destructor restores the previous device and removes the
// folder with everything in it. The helpers reach the device's files from the host side,
// independent of the CE calls under test; they throw std::runtime_error when the host
// refuses. One thread at a time.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace emu {
class ScratchDevice;
}

namespace test {

class TempDevice {
 public:
  TempDevice();
  TempDevice(const TempDevice&) = delete;
  TempDevice& operator=(const TempDevice&) = delete;
  ~TempDevice();

  // The device folder (holding fs/ and device.db). A file made here, beside fs/, is
  // outside the device: a sentinel that no CE call may touch.
  const std::string& hostDir() const;

  // The host path of a CE path (`\Temp\a.gz` -> <hostDir>/fs/Temp/a.gz), spelled as given.
  std::string HostPath(std::u16string_view cePath) const;

  // Writes a device file from the host, creating missing folders.
  void WriteFile(std::u16string_view cePath, std::string_view content) const;
  // The content of a device file; throws when it cannot be read.
  std::string ReadFile(std::u16string_view cePath) const;
  bool Exists(std::u16string_view cePath) const;
  // Host names in a device folder, sorted by byte value.
  std::vector<std::string> ListFiles(std::u16string_view cePath) const;

 private:
  std::unique_ptr<emu::ScratchDevice> device_;
};

// Reads or writes a host file; throws std::runtime_error on failure.
std::string ReadHostFile(const std::string& path);
void WriteHostFile(const std::string& path, std::string_view content);

}  // namespace test
