#include "folder_names.h"

#include <map>
#include <mutex>
#include <unordered_set>
#include <utility>

#include "name_compare.h"

namespace emu {

namespace {

struct Known {
  FolderState state;
  std::unordered_set<std::u16string> folded;
};

std::mutex mutex;
// By device and inode.
std::map<std::pair<dev_t, ino_t>, Known>& Folders() {
  static std::map<std::pair<dev_t, ino_t>, Known> folders;
  return folders;
}

bool Same(const struct timespec& a, const struct timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

}  // namespace

bool FolderState::operator==(const FolderState& other) const {
  return device == other.device && inode == other.inode && Same(modified, other.modified) &&
         Same(changed, other.changed) && size == other.size;
}

bool StateOf(int folder, FolderState* state) {
  struct stat info;
  if (::fstat(folder, &info) != 0) return false;
  *state = {info.st_dev, info.st_ino, info.st_mtim, info.st_ctim, info.st_size};
  return true;
}

namespace folder_names {

bool KnownAbsent(const FolderState& state, std::u16string_view name) {
  const std::lock_guard lock(mutex);
  const auto found = Folders().find({state.device, state.inode});
  if (found == Folders().end() || !(found->second.state == state)) return false;
  return found->second.folded.count(FoldCase(name)) == 0;
}

void Remember(const FolderState& state, const std::vector<std::u16string>& names) {
  Known known{state, {}};
  for (const std::u16string& name : names) known.folded.insert(FoldCase(name));
  const std::lock_guard lock(mutex);
  auto& folders = Folders();
  if (folders.size() >= kMaxFolders && folders.count({state.device, state.inode}) == 0) {
    folders.clear();
  }
  folders[{state.device, state.inode}] = std::move(known);
}

void Added(int folder, const FolderState& before, std::u16string_view name) {
  FolderState after;
  const bool readable = StateOf(folder, &after);
  const std::lock_guard lock(mutex);
  const auto found = Folders().find({before.device, before.inode});
  if (found == Folders().end()) return;
  if (!readable || !(found->second.state == before)) {
    Folders().erase(found);
    return;
  }
  found->second.state = after;
  found->second.folded.insert(FoldCase(name));
}

}  // namespace folder_names
}  // namespace emu
