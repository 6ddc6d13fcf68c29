// Device: the one emulated handheld that this process talks to.
//
// A device is a host folder holding `fs/` (the device's file system, see jail.h) and
// `device.db` (SQLite, WAL mode: the registry, the window table and the event journal).
// The current device is chosen once per process, on first use: the folder that
// CE_DEVICE names, otherwise $XDG_DATA_HOME/ce-device or ~/.local/share/ce-device.
// ScopedDevice puts another one in its place for a while (devicectl --device, tests).
//
// Nothing here creates a device folder. The database is created on first use, and only
// inside a device folder that exists; until then every database call fails with
// ERROR_BADDB. All members are safe to call from several threads; several processes may
// share one device, SQLite's locks keep their writes whole.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "jail.h"
#include "sqlite_db.h"
#include "status.h"

namespace emu {

class Device {
 public:
  // `hostDir` is made absolute; empty means no device at all.
  explicit Device(const std::string& hostDir);
  Device(const Device&) = delete;
  Device& operator=(const Device&) = delete;

  const std::string& hostDir() const { return hostDir_; }
  const Jail& fileSystem() const { return jail_; }

  // Runs `work` inside one transaction of the device's database and commits it, opening
  // the database first. A write takes the write lock at once and waits for other
  // writers (up to a busy timeout); when `work` or the commit fails, nothing of it
  // remains.
  Status Read(const std::function<Status(sql::Database&)>& work);
  Status Write(const std::function<Status(sql::Database&)>& work);

 private:
  Status Run(sql::Transaction::Kind kind, const std::function<Status(sql::Database&)>& work);
  Status OpenDatabase();  // REQUIRES: mutex_ held

  const std::string hostDir_;
  const Jail jail_;
  std::mutex mutex_;
  sql::Database database_;
};

// The device folder that the environment names; empty when it names none.
std::string DeviceDirFromEnvironment();

// The current device, opened on first use; never null. Holding the pointer keeps that
// device alive even if a ScopedDevice replaces it meanwhile.
std::shared_ptr<Device> CurrentDevice();

// Makes the device at `hostDir` current for the process while it lives, then restores
// the previous one. Scopes must end in the reverse order of their start.
class ScopedDevice {
 public:
  explicit ScopedDevice(const std::string& hostDir);
  ScopedDevice(const ScopedDevice&) = delete;
  ScopedDevice& operator=(const ScopedDevice&) = delete;
  ~ScopedDevice();

 private:
  std::shared_ptr<Device> previous_;
};

}  // namespace emu
