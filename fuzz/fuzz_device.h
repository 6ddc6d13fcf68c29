// FuzzDevice: the one throw-away emulated device (emu::ScratchDevice) of a fuzzing process.
//
// Made on first use in a new folder on tmpfs (/dev/shm) when there is one, otherwise in
// the temporary folder, and made the current device; host execution of programs is
// switched off for the whole process. The folder is removed when the process exits
// normally. Reset puts the device back before every input, so that one input never sees
// what an earlier one left: the file system as `devicectl init` makes it, an empty
// registry and journal. The windows of the example products ("Kelmora Notes",
// "Kelmora Sync") stay open throughout.
//
// One thread; fuzzing processes run inputs one at a time.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace emu {
class ScratchDevice;
}

namespace fuzz {

class FuzzDevice {
 public:
  static FuzzDevice& Get();
  FuzzDevice(const FuzzDevice&) = delete;
  FuzzDevice& operator=(const FuzzDevice&) = delete;

  void Reset();
  // Writes a device file from the host.
  void WriteFile(std::u16string_view cePath, std::string_view content) const;
  // Aborts when the device folder holds anything that is not the device's own (its
  // file system, database and named mutexes): something was written outside the device.
  void CheckNothingOutside() const;

 private:
  FuzzDevice();
  ~FuzzDevice();

  std::unique_ptr<emu::ScratchDevice> device_;
};

// Aborts the process, naming what failed: libFuzzer reports it as a crash.
[[noreturn]] void Fail(std::string_view what);
inline void Check(bool condition, std::string_view what) {
  if (!condition) Fail(what);
}

}  // namespace fuzz
