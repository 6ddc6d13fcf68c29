// FolderNames: the case-folded names of folders that lookups have read, kept between
// calls, so that creating the thousandth file of a folder does not read the other 999
// again to make sure no name differs from the new one only in case.
//
// What is kept for a folder is used only while the folder's identity and times (device,
// inode, modification and change times, size) are what they were when it was read; any
// change by anyone changes its times, and the folder is read again. A creation made
// through the jail is added with the times it leaves (Added), and a deletion taken out
// (Removed), so that a folder is read once however often the jail changes it. A name that another
// process creates in the same folder at the same moment may be missed, as it may be by a lookup
// without this memory. At most kMaxFolders folders are kept. Safe from several threads.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace emu {

// What identifies a folder's state.
struct FolderState {
  dev_t device = 0;
  ino_t inode = 0;
  struct timespec modified = {};
  struct timespec changed = {};
  off_t size = 0;

  bool operator==(const FolderState& other) const;
};

// The state of an open folder; false when it cannot be read.
bool StateOf(int folder, FolderState* state);

namespace folder_names {

constexpr std::size_t kMaxFolders = 64;

// True when the folder in `state` is known and holds no name that folds like `name`.
bool KnownAbsent(const FolderState& state, std::u16string_view name);
// Keeps the device names of the folder in `state`, as just read.
void Remember(const FolderState& state, const std::vector<std::u16string>& names);
// `name` was just created in the open folder `folder`, whose state was `before`: if the
// folder is known in that state, `name` joins it with the folder's new state.
void Added(int folder, const FolderState& before, std::u16string_view name);
// `name` was just deleted from the open folder `folder`, whose state was `before`.
void Removed(int folder, const FolderState& before, std::u16string_view name);
// The open folder `folder`, whose state was `before`, changed without a change of names
// (an entry was replaced under its name).
void Touched(int folder, const FolderState& before);

}  // namespace folder_names
}  // namespace emu
