#include "device_init.h"

#include <sys/stat.h>

#include <cerrno>
#include <filesystem>

#include "ce_path.h"
#include "code_page.h"
#include "device.h"
#include "native_error.h"
#include "special_folders.h"

namespace emu {
namespace {

Status MakeDevice(const std::string& hostDir) {
  if (hostDir.empty()) return Status::Error(ERROR_PATH_NOT_FOUND, "no device folder named");
  std::error_code error;
  std::filesystem::create_directories(hostDir, error);
  if (error) {
    return Status::Error(ERROR_ACCESS_DENIED, "create " + hostDir + ": " + error.message());
  }
  Device device(hostDir);
  const std::string fsDir = device.hostDir() + "/fs";
  if (::mkdir(fsDir.c_str(), 0777) != 0 && errno != EEXIST) return ErrnoStatus("create " + fsDir);
  for (const std::u16string_view folder : kDeviceFolders) {
    CePath path;
    if (Status status = ParseCePath(folder, &path); !status.ok()) return status;
    Status status = device.fileSystem().MakeFolder(path);
    if (status.ok()) continue;
    EntryInfo entry;
    if (status.error() == ERROR_ALREADY_EXISTS && device.fileSystem().Stat(path, &entry).ok() &&
        (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      continue;
    }
    return Status::Error(status.error(), "create " + Utf16ToUtf8(folder) + ": " + status.message());
  }
  // The first use of the database creates it with its tables.
  return device.Read([](sql::Database&) { return Status::Ok(); });
}

}  // namespace

bool InitDevice(const std::string& hostDir, std::string* error) {
  const Status status = MakeDevice(hostDir);
  if (!status.ok() && error != nullptr) *error = status.message();
  return status.ok();
}

}  // namespace emu
