#include "folder_names.h"

#include <map>
#include <mutex>
#include <unordered_map>
#include <utility>

#include "name_compare.h"

namespace emu {

namespace {

struct Known {
  FolderState state;
  // Folded name to the number of entries that fold to it.
  std::unordered_map<std::u16string, int> folded;
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
  for (const std::u16string& name : names) ++known.folded[FoldCase(name)];
  const std::lock_guard lock(mutex);
  auto& folders = Folders();
  if (folders.size() >= kMaxFolders && folders.count({state.device, state.inode}) == 0) {
    folders.clear();
  }
  folders[{state.device, state.inode}] = std::move(known);
}

namespace {

// Applies the change of one name by `delta` to a folder known in state `before`.
void Change(int folder, const FolderState& before, std::u16string_view name, int delta) {
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
  if (delta == 0) return;
  const auto entry = found->second.folded.try_emplace(FoldCase(name), 0).first;
  entry->second += delta;
  if (entry->second <= 0) found->second.folded.erase(entry);
}

}  // namespace

void Added(int folder, const FolderState& before, std::u16string_view name) {
  Change(folder, before, name, 1);
}

void Removed(int folder, const FolderState& before, std::u16string_view name) {
  Change(folder, before, name, -1);
}

void Touched(int folder, const FolderState& before) { Change(folder, before, {}, 0); }

}  // namespace folder_names
}  // namespace emu
