#include "fuzz_device.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>

#include "device.h"
#include "device_init.h"
#include "host_execution.h"
#include "platform/ce.h"
#include "window_table.h"

namespace fuzz {

namespace fs = std::filesystem;

namespace {

std::string ScratchFolder() {
  if (::access("/dev/shm", W_OK) == 0) return "/dev/shm";
  return fs::temp_directory_path().string();
}

std::unique_ptr<emu::ScopedDevice>& Scope() {
  static std::unique_ptr<emu::ScopedDevice> scope;
  return scope;
}

}  // namespace

void Fail(std::string_view what) {
  std::fprintf(stderr, "fuzz check failed: %.*s\n", static_cast<int>(what.size()), what.data());
  std::abort();
}

FuzzDevice& FuzzDevice::Get() {
  static FuzzDevice device;
  return device;
}

FuzzDevice::FuzzDevice() {
  std::string pattern = ScratchFolder() + "/fuzz-device-XXXXXX";
  Check(::mkdtemp(pattern.data()) != nullptr, "cannot make the device folder");
  hostDir_ = pattern;
  std::string error;
  Check(emu::InitDevice(hostDir_, &error), error);
  Scope() = std::make_unique<emu::ScopedDevice>(hostDir_);
  emu::SetHostExecution(false);
  // Windows are never removed, so these stay for every input.
  std::int64_t handle = 0;
  Check(emu::AddWindow(*emu::CurrentDevice(), u"Kelmora Notes", u"NotesMain", &handle).ok() &&
            emu::AddWindow(*emu::CurrentDevice(), u"Kelmora Sync", u"SyncMain", &handle).ok(),
        "cannot add the windows");
  Reset();
}

FuzzDevice::~FuzzDevice() {
  Scope().reset();
  std::error_code ignored;
  fs::remove_all(hostDir_, ignored);
}

void FuzzDevice::Reset() {
  std::error_code error;
  fs::remove_all(hostDir_ + "/fs", error);
  Check(!error, "cannot empty the device's file system");
  std::string message;
  Check(emu::InitDevice(hostDir_, &message), message);
  const emu::Status status = emu::CurrentDevice()->Write([](emu::sql::Database& db) {
    return db.Execute(
        "DELETE FROM registry_values; DELETE FROM registry_keys WHERE id > 4; "
        "DELETE FROM events;");
  });
  Check(status.ok(), status.message());
}

void FuzzDevice::WriteFile(std::string_view cePath, std::string_view content) const {
  const fs::path path = fs::path(hostDir_) / "fs" / cePath;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  Check(static_cast<bool>(out), "cannot write a device file");
}

void FuzzDevice::CheckNothingOutside() const {
  // The device's own files beside fs/: its database and its named mutexes.
  static const std::set<std::string> kExpected = {"fs", "device.db", "device.db-wal",
                                                  "device.db-shm", "mutexes"};
  for (const fs::directory_entry& entry : fs::directory_iterator(hostDir_)) {
    Check(kExpected.count(entry.path().filename().string()) == 1,
          "written outside the device: " + entry.path().string());
  }
}

}  // namespace fuzz
