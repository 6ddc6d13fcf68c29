#include "device.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

namespace emu {
namespace {

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS registry_keys(
  id INTEGER PRIMARY KEY,
  parent INTEGER REFERENCES registry_keys(id),
  name TEXT NOT NULL,
  folded TEXT NOT NULL,
  UNIQUE(parent, folded));
INSERT OR IGNORE INTO registry_keys(id, parent, name, folded) VALUES
  (1, NULL, 'HKEY_CLASSES_ROOT', 'HKEY_CLASSES_ROOT'),
  (2, NULL, 'HKEY_CURRENT_USER', 'HKEY_CURRENT_USER'),
  (3, NULL, 'HKEY_LOCAL_MACHINE', 'HKEY_LOCAL_MACHINE'),
  (4, NULL, 'HKEY_USERS', 'HKEY_USERS');
CREATE TABLE IF NOT EXISTS registry_values(
  key INTEGER NOT NULL REFERENCES registry_keys(id),
  name TEXT NOT NULL,
  folded TEXT NOT NULL,
  type INTEGER NOT NULL,
  data BLOB NOT NULL,
  PRIMARY KEY(key, folded));
CREATE TABLE IF NOT EXISTS windows(
  handle INTEGER PRIMARY KEY,
  class TEXT NOT NULL,
  class_folded TEXT NOT NULL,
  title TEXT NOT NULL,
  title_folded TEXT NOT NULL);
CREATE TABLE IF NOT EXISTS window_messages(
  id INTEGER PRIMARY KEY,
  name TEXT NOT NULL,
  folded TEXT NOT NULL UNIQUE);
CREATE TABLE IF NOT EXISTS events(
  seq INTEGER PRIMARY KEY,
  kind TEXT NOT NULL,
  application TEXT,
  command_line TEXT,
  started INTEGER,
  hwnd INTEGER,
  title TEXT,
  message INTEGER,
  name TEXT,
  wparam INTEGER,
  lparam INTEGER);
PRAGMA user_version = 1;
)sql";

std::string Absolute(const std::string& path) {
  if (path.empty()) return path;
  std::error_code error;
  std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return error ? path : absolute.lexically_normal().string();
}

std::mutex currentMutex;
std::shared_ptr<Device>& CurrentSlot() {
  static std::shared_ptr<Device> current;
  return current;
}

}  // namespace

Device::Device(const std::string& hostDir)
    : hostDir_(Absolute(hostDir)), jail_(hostDir_.empty() ? std::string() : hostDir_ + "/fs") {}

Status Device::OpenDatabase() {
  if (database_.IsOpen()) return Status::Ok();
  struct stat info;
  if (hostDir_.empty() || ::stat(hostDir_.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
    return Status::Error(ERROR_BADDB, "no device folder: " + hostDir_);
  }
  sql::Database database;
  if (Status status = sql::Database::Open(hostDir_ + "/device.db", true, &database); !status.ok()) {
    return status;
  }
  sql::Statement version = database.Prepare("PRAGMA user_version");
  bool row = false;
  if (Status status = version.Step(&row); !status.ok()) return status;
  if (version.Int(0) < 1) {
    version = sql::Statement();
    sql::Transaction transaction(database);
    if (Status status = transaction.Begin(sql::Transaction::Kind::kWrite); !status.ok()) {
      return status;
    }
    if (Status status = database.Execute(kSchema); !status.ok()) return status;
    if (Status status = transaction.Commit(); !status.ok()) return status;
  }
  database_ = std::move(database);
  return Status::Ok();
}

Status Device::Run(sql::Transaction::Kind kind, const std::function<Status(sql::Database&)>& work) {
  std::lock_guard lock(mutex_);
  if (Status status = OpenDatabase(); !status.ok()) return status;
  sql::Transaction transaction(database_);
  if (Status status = transaction.Begin(kind); !status.ok()) return status;
  if (Status status = work(database_); !status.ok()) return status;
  return transaction.Commit();
}

Status Device::Read(const std::function<Status(sql::Database&)>& work) {
  return Run(sql::Transaction::Kind::kRead, work);
}

Status Device::Write(const std::function<Status(sql::Database&)>& work) {
  return Run(sql::Transaction::Kind::kWrite, work);
}

std::string DeviceDirFromEnvironment() {
  if (const char* device = std::getenv("CE_DEVICE"); device != nullptr && *device != 0) {
    return device;
  }
  if (const char* data = std::getenv("XDG_DATA_HOME"); data != nullptr && *data != 0) {
    return std::string(data) + "/ce-device";
  }
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != 0) {
    return std::string(home) + "/.local/share/ce-device";
  }
  return std::string();
}

std::shared_ptr<Device> CurrentDevice() {
  std::lock_guard lock(currentMutex);
  std::shared_ptr<Device>& current = CurrentSlot();
  if (!current) current = std::make_shared<Device>(DeviceDirFromEnvironment());
  return current;
}

ScopedDevice::ScopedDevice(const std::string& hostDir) {
  auto device = std::make_shared<Device>(hostDir);
  std::lock_guard lock(currentMutex);
  previous_ = std::exchange(CurrentSlot(), std::move(device));
}

ScopedDevice::~ScopedDevice() {
  std::lock_guard lock(currentMutex);
  CurrentSlot() = std::move(previous_);
}

}  // namespace emu
