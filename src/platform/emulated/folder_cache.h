// FolderCache: the folders of one jail that earlier calls resolved, known with the names
// they hold and kept current, so that a call costs a few system calls instead of a walk
// from `fs/`.
//
// A cached folder has an inotify watch, its host entries (name, kind when known, and
// whether this process created the file) and, while recently used, an open descriptor.
// Every jail call starts with Refresh, one non-blocking read of the inotify queue: each
// change to a cached folder's entries, by anyone, arrives there as an event, in order,
// and is applied to the names; an entry that is deleted, renamed, or has something
// renamed over it takes its cached subtree with it. A cached folder is therefore only
// used while it is still where its path leads, as a walk would find it at that moment.
// `fs/` itself is covered by a watch on the device folder; an overflowing queue empties
// the cache. A folder whose descriptor was closed is opened again from its parent and
// must be the same folder (device and inode) or it is dropped.
//
// The jail applies its own changes at once (Added, Removed); their events arrive later
// and leave the names as they are: a creation keeps what is known of an entry that is
// present (what had the name before was deleted or renamed away, and its event came
// first), while a rename over an entry and a deletion do not. The folder that the last
// walk reached is remembered with its path, and serves a walk of the same path until a
// folder is dropped or the names of a folder with cached folders below it change.
//
// Why inotify rather than a check of each folder's state: a state check (one fstat per
// folder) tells of changes to the folder's own entries but not that it or an ancestor
// was renamed, deleted or replaced by a link, which only a walk would see; inotify tells
// of all of them, for the whole cached tree, in one read per call.
//
// Only folders on local file systems that report every change are cached (not network
// or FUSE file systems), and only while inotify and /proc/self/fd are at hand;
// CE_DEVICE_FOLDER_CACHE=off turns the cache off. Without it the jail walks every path.
// A mount made inside `fs/` while a process runs is not seen by its cached folders; one
// that was there is cached only when its file system, too, reports every change.
//
// Bounds: kMaxFolders folders and kMaxEntries names (least recently used go first, with
// their subtrees; a folder the last call used stays, however many names it holds),
// kMaxOpenFolders descriptors (fewer under a low descriptor limit). Only about
// kMaxKnownNames names are kept at a time: the names of folders not used lately are
// forgotten (the folder stays watched) and read again when a call needs them, so that a
// product of 100,000 files costs a few hundred kilobytes here, not megabytes. A
// child process after fork starts empty. Not thread-safe: the jail serialises calls.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "scoped_fd.h"
#include "status.h"

namespace emu {

enum class EntryKind : std::uint8_t { kUnknown, kFile, kFolder, kOther };

// What a cached folder knows of one of its entries whose host name is a device name.
struct CachedEntry {
  std::string hostName;
  std::u16string name;
  EntryKind kind = EntryKind::kUnknown;
  // Non-zero when this process created the file after that point of the open-files
  // registry (open_files::Mark) and it has kept its name since.
  std::uint64_t created = 0;
  // The host inode number that the folder's listing gave, or 0: a hint that spares a
  // stat (open_files::MayBeOpen), never taken as the entry's identity. For a file
  // mounted over the entry it is that of the file underneath, as for any listing.
  ino_t inode = 0;
};

class FolderCache {
 public:
  struct Folder;

  // The folders and names of the largest product that a package can hold (its entry
  // table's bound), each name in about 90 bytes.
  static constexpr std::size_t kMaxFolders = 4096;
  static constexpr std::size_t kMaxEntries = 1 << 18;
  static constexpr std::size_t kMaxKnownNames = 4096;
  static constexpr std::size_t kMaxOpenFolders = 256;

  // `root` is the host path of `fs/`.
  explicit FolderCache(std::string root);
  FolderCache(const FolderCache&) = delete;
  FolderCache& operator=(const FolderCache&) = delete;
  ~FolderCache();

  // Applies every change since the last call; first step of every jail call. False
  // when nothing can be cached: the caller walks the path itself.
  bool Refresh();

  // The root `fs/`, cached; null when it is missing or cannot be cached.
  Folder* Root();
  // The child folder `hostName` of `parent`, cached. When it cannot be kept, *child is
  // null and `transient` holds it open for the caller. ERROR_PATH_NOT_FOUND when it
  // cannot be opened as a folder without following a link.
  Status Child(Folder* parent, const std::string& hostName, Folder** child, ScopedFd* transient);
  // The folder that the first `count` of `parts` led to when last resolved (Remember),
  // as long as nothing on the way has changed; null otherwise.
  Folder* Remembered(const std::vector<std::u16string>& parts, std::size_t count);
  void Remember(const std::vector<std::u16string>& parts, std::size_t count, Folder* folder);

  // The open descriptor of a folder that Root, Child or Remembered gave in this call.
  int Descriptor(const Folder* folder) const;

  // Makes sure the names of `folder` are known, reading them again when they were
  // forgotten; false when they cannot be read (the caller then looks for itself).
  bool Know(Folder* folder);

  // The entry of `folder` that `name` finds: the exact spelling when it is a file or a
  // folder, otherwise the first such spelling in ordinal order. Kinds not yet known are
  // learnt with fstatat; `*info` is filled when that was done for the entry found.
  bool Find(Folder* folder, std::u16string_view name, CachedEntry* entry, struct stat* info,
            bool* statted);
  // Every entry of `folder` that is or may be a file or folder. REQUIRES: Know(folder).
  void Entries(const Folder* folder, std::vector<CachedEntry>* entries) const;

  // Changes this process made in `folder`.
  void Added(Folder* folder, const CachedEntry& entry);
  void Removed(Folder* folder, const std::string& hostName);
  // What is known of the entry no longer holds (it changed under the jail).
  void Forget(Folder* folder, const std::string& hostName);

 private:
  struct Entry;
  // By a 64-bit hash of the folded name; entries with equal hashes are told apart by
  // their names, so that a collision costs a comparison and never a wrong answer.
  using Names = std::unordered_multimap<std::uint64_t, Entry>;
  struct Route;

  bool Start();
  void Clear();
  bool Drain();
  // False when nothing cached holds any more.
  bool Apply(int watch, std::uint32_t mask, std::string_view hostName);
  void Drop(Folder* folder);
  void DropChild(Folder* folder, const std::string& hostName);
  void Evict();
  // Forgets the names of the folders used least lately while more than kMaxKnownNames
  // are known.
  void ForgetColdNames();
  Folder* Adopt(Folder* parent, const std::string& hostName, ScopedFd* fd);
  // Reads the names of the folder open at `fd` and keeps them as those of `folder`, the
  // folder with names used most lately; false, keeping nothing, when they cannot be read
  // or are too many.
  bool KeepNames(Folder* folder, int fd);
  // Opens the folder's descriptor again when it was closed; false (and the folder is
  // dropped) when it is no longer the folder cached.
  bool Open(Folder* folder);
  void Touch(Folder* folder);
  // Counts a change of the names of `folder`.
  void Changed(const Folder* folder);
  // Changes of names, counted.
  void Put(Folder* folder, std::string key, std::string hostName, EntryKind kind,
           std::uint64_t created, bool keepKnown);
  void Erase(Folder* folder, std::string_view hostName);
  // Counts a change of `hostName` in `folder` and gives its entry; names.end() when the
  // folder's names are not kept or hold no such entry.
  Names::iterator EntryToChange(Folder* folder, std::string_view hostName);
  // The steps of Find among the entries whose keys hash to `hash`: the kinds not known
  // yet are learnt (with what the host said in *learnt) and entries gone are taken out;
  // then the entry of the exact host name, or else the least host name with `key`.
  void LearnKinds(Folder* folder, std::uint64_t hash, const std::string& key,
                  std::vector<std::pair<std::string, struct stat>>* learnt);
  const Entry* BestMatch(const Folder* folder, std::uint64_t hash, const std::string& key,
                         const std::string& exact) const;

  const std::string root_;
  std::string deviceFolder_;  // the folder that holds `fs/`
  std::string rootName_;      // `fs`
  bool enabled_ = true;
  std::size_t maxOpen_ = kMaxOpenFolders;
  unsigned generation_ = 0;  // of fork, when the cache was filled
  ScopedFd inotify_;
  int deviceWatch_ = -1;
  std::unique_ptr<Folder> rootFolder_;
  std::unordered_map<int, Folder*> byWatch_;
  std::list<Folder*> open_;   // folders other than the root with a descriptor, recent first
  std::list<Folder*> named_;  // folders whose names are known, recent first
  std::size_t folders_ = 0;
  std::size_t entries_ = 0;
  std::uint64_t clock_ = 0;      // counts calls
  std::uint64_t epoch_ = 0;      // counts dropped folders
  std::uint64_t junctions_ = 0;  // counts changes of names in folders with cached children
  int lastWatch_ = -1;           // the watch of the last event, and its folder
  Folder* lastWatched_ = nullptr;
  std::unique_ptr<char[]> events_;
  std::unique_ptr<Route> route_;
};

}  // namespace emu
