#include "open_files.h"

#include <map>
#include <mutex>
#include <utility>

namespace emu::open_files {
namespace {

using FileId = std::pair<dev_t, ino_t>;

std::mutex mutex;
// Open descriptor -> the file it was opened on.
std::map<int, FileId>& Descriptors() {
  static std::map<int, FileId> descriptors;
  return descriptors;
}

bool Refers(int fd, const FileId& file) {
  struct stat info;
  return ::fstat(fd, &info) == 0 && FileId{info.st_dev, info.st_ino} == file;
}

}  // namespace

void Opened(int fd) {
  struct stat info;
  if (fd < 0 || ::fstat(fd, &info) != 0) return;
  const std::lock_guard lock(mutex);
  Descriptors()[fd] = {info.st_dev, info.st_ino};
}

void Closed(int fd) {
  const std::lock_guard lock(mutex);
  Descriptors().erase(fd);
}

bool IsOpen(const struct stat& info) {
  const FileId file{info.st_dev, info.st_ino};
  const std::lock_guard lock(mutex);
  auto& descriptors = Descriptors();
  for (auto it = descriptors.begin(); it != descriptors.end();) {
    if (it->second != file) {
      ++it;
    } else if (Refers(it->first, file)) {
      return true;
    } else {
      it = descriptors.erase(it);  // closed behind our back, perhaps reused
    }
  }
  return false;
}

}  // namespace emu::open_files
