#include "open_files.h"

#include <map>
#include <mutex>
#include <utility>

namespace emu::open_files {
namespace {

using FileId = std::pair<dev_t, ino_t>;

struct Descriptor {
  std::uint64_t sequence = 0;
  bool known = false;  // whether `file` is taken yet
  FileId file;
};

std::mutex mutex;
std::uint64_t sequence = 1;
// Open descriptor -> the file it was opened on.
std::map<int, Descriptor>& Descriptors() {
  static std::map<int, Descriptor> descriptors;
  return descriptors;
}

bool Identify(int fd, FileId* file) {
  struct stat info;
  if (::fstat(fd, &info) != 0) return false;
  *file = {info.st_dev, info.st_ino};
  return true;
}

// Takes the identity of a descriptor registered without one; false when it is gone.
bool Known(int fd, Descriptor* descriptor) {
  // Open since it was registered: its file is the one it was opened on.
  if (!descriptor->known) descriptor->known = Identify(fd, &descriptor->file);
  return descriptor->known;
}

}  // namespace

void Opened(int fd) {
  FileId file;
  if (fd < 0 || !Identify(fd, &file)) return;
  const std::lock_guard lock(mutex);
  Descriptors()[fd] = {++sequence, true, file};
}

void OpenedUntilClosed(int fd) {
  if (fd < 0) return;
  const std::lock_guard lock(mutex);
  Descriptors()[fd] = {++sequence, false, {}};
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
    Descriptor& descriptor = it->second;
    if (!Known(it->first, &descriptor)) {
      it = descriptors.erase(it);
      continue;
    }
    FileId now;
    if (descriptor.file != file) {
      ++it;
    } else if (Identify(it->first, &now) && now == file) {
      return true;
    } else {
      it = descriptors.erase(it);  // closed behind our back, perhaps reused
    }
  }
  return false;
}

bool MayBeOpen(ino_t inode) {
  const std::lock_guard lock(mutex);
  auto& descriptors = Descriptors();
  for (auto it = descriptors.begin(); it != descriptors.end();) {
    if (!Known(it->first, &it->second)) {
      it = descriptors.erase(it);
      continue;
    }
    if (it->second.file.second == inode) return true;
    ++it;
  }
  return false;
}

std::uint64_t Mark() {
  const std::lock_guard lock(mutex);
  return sequence;
}

bool NoneOpenSince(std::uint64_t mark) {
  const std::lock_guard lock(mutex);
  for (const auto& [fd, descriptor] : Descriptors()) {
    if (descriptor.sequence > mark) return false;
  }
  return true;
}

}  // namespace emu::open_files
