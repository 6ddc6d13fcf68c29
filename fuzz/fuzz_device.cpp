#include "fuzz_device.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "device.h"
#include "device_init.h"
#include "host_execution.h"
#include "scratch_device.h"
#include "window_list.h"

namespace fuzz {

namespace fs = std::filesystem;

void Fail(std::string_view what) {
  std::fprintf(stderr, "fuzz check failed: %.*s\n", static_cast<int>(what.size()), what.data());
  std::abort();
}

FuzzDevice& FuzzDevice::Get() {
  static FuzzDevice device;
  return device;
}

FuzzDevice::FuzzDevice() {
  std::string error;
  device_ =
      emu::ScratchDevice::Create(&error, "", ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "");
  Check(device_ != nullptr, "cannot make the device: " + error);
  emu::SetHostExecution(false);
  // Windows are never removed, so these stay for every input.
  std::int64_t handle = 0;
  Check(emu::AddWindow(*emu::CurrentDevice(), u"Kelmora Notes", u"NotesMain", &handle).ok() &&
            emu::AddWindow(*emu::CurrentDevice(), u"Kelmora Sync", u"SyncMain", &handle).ok(),
        "cannot add the windows");
  Reset();
}

FuzzDevice::~FuzzDevice() = default;

void FuzzDevice::Reset() {
  std::error_code error;
  fs::remove_all(device_->hostDir() + "/fs", error);
  Check(!error, "cannot empty the device's file system");
  std::string message;
  Check(emu::InitDevice(device_->hostDir(), &message), message);
  const emu::Status status = emu::CurrentDevice()->Write([](emu::sql::Database& db) {
    return db.Execute(
        "DELETE FROM registry_values; DELETE FROM registry_keys WHERE id > 4; "
        "DELETE FROM events;");
  });
  Check(status.ok(), status.message());
}

void FuzzDevice::WriteFile(std::u16string_view cePath, std::string_view content) const {
  Check(device_->WriteFile(cePath, content), "cannot write a device file");
}

void FuzzDevice::CheckNothingOutside() const {
  for (const std::string& name : device_->ForeignEntries()) {
    Fail("written outside the device: " + device_->hostDir() + "/" + name);
  }
}

}  // namespace fuzz
