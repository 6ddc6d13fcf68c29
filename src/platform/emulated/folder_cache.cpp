#include "folder_cache.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "ce_path.h"
#include "code_page.h"
#include "name_compare.h"
#include "native_error.h"

namespace emu {

struct FolderCache::Entry {
  std::string hostName;
  EntryKind kind = EntryKind::kUnknown;
  std::uint64_t created = 0;
  ino_t inode = 0;
};

struct FolderCache::Folder {
  Folder* parent = nullptr;
  std::string hostName;                 // in the parent
  ScopedFd fd;                          // closed when not recently used (never for the root)
  std::list<Folder*>::iterator openAt;  // in open_ while `fd` is open
  dev_t device = 0;
  ino_t inode = 0;
  int watch = -1;
  std::uint64_t lastUse = 0;  // of the folder itself; a walk may pass by without using it
  std::unordered_map<std::string, std::unique_ptr<Folder>> children;
  Names names;                           // by folded name (see KeyOf); empty while forgotten
  bool named = false;                    // whether `names` is known
  std::list<Folder*>::iterator namedAt;  // in named_ while `named`
};

// Where the last walk led: its components, one after the other in `text`.
struct FolderCache::Route {
  std::u16string text;
  std::vector<std::size_t> ends;
  Folder* folder = nullptr;
  std::uint64_t epoch = 0;
  std::uint64_t junctions = 0;
};

namespace {

// What a watch reports: changes of a folder's entries, and of the folder itself.
constexpr std::uint32_t kFolderEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                        IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
constexpr std::uint32_t kSelfEvents = IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT;

constexpr std::size_t kEventBuffer = std::size_t{64} * 1024;
// A read that leaves this much of the buffer free has emptied the queue.
constexpr std::size_t kLargestEvent = sizeof(struct inotify_event) + NAME_MAX + 1;

std::atomic<unsigned> forkGeneration{0};

unsigned ForkGeneration() {
  static const bool registered = [] {
    ::pthread_atfork(nullptr, nullptr, [] { forkGeneration.fetch_add(1); });
    return true;
  }();
  static_cast<void>(registered);
  return forkGeneration.load();
}

// File systems whose every change, by any process, reaches inotify.
bool ReportsEveryChange(int folder) {
  struct statfs info;
  if (::fstatfs(folder, &info) != 0) return false;
  switch (static_cast<unsigned long>(info.f_type)) {
    case 0xEF53:      // ext2, ext3, ext4
    case 0x01021994:  // tmpfs
    case 0x858458F6:  // ramfs
    case 0x58465342:  // xfs
    case 0x9123683E:  // btrfs
    case 0xF2F52010:  // f2fs
    case 0x2FC12FC1:  // zfs
    case 0x794C7630:  // overlayfs
      return true;
    default:
      return false;
  }
}

EntryKind KindOf(mode_t mode) {
  if (S_ISREG(mode)) return EntryKind::kFile;
  if (S_ISDIR(mode)) return EntryKind::kFolder;
  return EntryKind::kOther;
}

EntryKind KindOf(unsigned char type) {
  switch (type) {
    case DT_REG:
      return EntryKind::kFile;
    case DT_DIR:
      return EntryKind::kFolder;
    case DT_UNKNOWN:
      return EntryKind::kUnknown;
    default:
      return EntryKind::kOther;
  }
}

// The key of a name: its folded form in UTF-8.
std::string KeyOf(std::u16string_view name) {
  std::string key(name.size(), '\0');
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char16_t unit = name[i];
    if (unit >= 0x80) return FoldedKey(name);
    key[i] = static_cast<char>(unit >= u'a' && unit <= u'z' ? unit - 0x20 : unit);
  }
  return key;
}

// The ASCII bytes that no device name holds.
constexpr auto kRefusedBytes = [] {
  std::array<bool, 0x80> refused{};
  for (unsigned char byte = 0; byte < 0x80; ++byte) {
    refused[byte] = byte < 0x20 || std::string_view("<>:\"|/\\*?").find(static_cast<char>(byte)) !=
                                       std::string_view::npos;
  }
  return refused;
}();

// The key of the name a host name stands for; false when it is no device name (nor `.`
// or `..`).
bool KeyOfHostName(std::string_view hostName, std::string* key) {
  if (hostName.empty() || hostName == "." || hostName == "..") return false;
  key->assign(hostName);
  for (char& c : *key) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80) {
      std::u16string name;
      if (!DeviceNameOf(hostName, &name)) return false;
      *key = FoldedKey(name);
      return true;
    }
    if (kRefusedBytes[byte]) return false;
    if (byte >= 'a' && byte <= 'z') c = static_cast<char>(byte - 0x20);
  }
  return hostName.size() <= NAME_MAX;
}

// The hash of a key, by which folders keep their names (FNV-1a, 64 bits).
std::uint64_t HashOf(std::string_view key) {
  std::uint64_t hash = 14695981039346656037u;
  for (const char c : key) hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211u;
  return hash;
}

// Whether the host name `hostName` has the key `key`.
bool HasKey(std::string_view hostName, std::string_view key) {
  std::string own;
  return KeyOfHostName(hostName, &own) && own == key;
}

// An entry as the folder's listing gives it.
struct ListedName {
  std::string key;
  std::string hostName;
  EntryKind kind;
  ino_t inode;
};

// Reads every entry of a folder just opened into `*listed`; false when it cannot be read
// or holds more than `limit` entries.
bool ReadNames(int folder, std::size_t limit, std::vector<ListedName>* listed) {
  alignas(struct dirent64) char buffer[32 * 1024];
  for (;;) {
    const ssize_t size = ::getdents64(folder, buffer, sizeof buffer);
    if (size < 0 && errno == EINTR) continue;
    if (size < 0) return false;
    if (size == 0) return true;
    for (ssize_t at = 0; at < size;) {
      const auto* item = reinterpret_cast<const struct dirent64*>(buffer + at);
      at += item->d_reclen;
      std::string key;
      if (!KeyOfHostName(item->d_name, &key)) continue;
      if (listed->size() >= limit) return false;
      listed->push_back({std::move(key), item->d_name, KindOf(item->d_type), item->d_ino});
    }
  }
}

}  // namespace

FolderCache::FolderCache(std::string root) : root_(std::move(root)) {
  const char* setting = std::getenv("CE_DEVICE_FOLDER_CACHE");
  enabled_ = setting == nullptr || std::strcmp(setting, "off") != 0;
  const std::size_t slash = root_.find_last_of('/');
  if (slash == std::string::npos || slash + 1 == root_.size()) {
    enabled_ = false;
  } else {
    deviceFolder_ = slash == 0 ? "/" : root_.substr(0, slash);
    rootName_ = root_.substr(slash + 1);
  }
  generation_ = ForkGeneration();
}

FolderCache::~FolderCache() = default;

int FolderCache::Descriptor(const Folder* folder) const { return folder->fd.get(); }

bool FolderCache::Start() {
  if (::access("/proc/self/fd", X_OK) != 0) {
    enabled_ = false;
    return false;
  }
  inotify_.Reset(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
  if (!inotify_.valid()) {
    enabled_ = false;
    return false;
  }
  // Cached folders hold at most a quarter of the descriptors the process may open.
  struct rlimit limit;
  if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
    maxOpen_ = std::min<std::size_t>(kMaxOpenFolders, limit.rlim_cur / 4);
  }
  if (!events_) events_ = std::make_unique<char[]>(kEventBuffer);
  return true;
}

void FolderCache::Clear() {
  route_.reset();
  open_.clear();
  named_.clear();
  rootFolder_.reset();
  byWatch_.clear();
  lastWatch_ = -1;
  folders_ = 0;
  entries_ = 0;
  ++epoch_;
  deviceWatch_ = -1;
  inotify_.Reset();  // with it go all its watches
}

bool FolderCache::Refresh() {
  if (!enabled_) return false;
  if (generation_ != ForkGeneration()) {
    // The queue is shared with the parent process: it is the parent's to read.
    Clear();
    generation_ = ForkGeneration();
  }
  if (inotify_.valid() && !Drain()) Clear();
  ++clock_;
  Evict();
  ForgetColdNames();
  return enabled_;
}

bool FolderCache::Drain() {
  char* const buffer = events_.get();
  for (;;) {
    const ssize_t size = ::read(inotify_.get(), buffer, kEventBuffer);
    if (size < 0 && errno == EINTR) continue;
    if (size < 0) return errno == EAGAIN;
    for (ssize_t at = 0; at < size;) {
      struct inotify_event event;
      std::memcpy(&event, buffer + at, sizeof event);
      const char* name = buffer + at + sizeof event;
      at += static_cast<ssize_t>(sizeof event + event.len);
      if ((event.mask & IN_Q_OVERFLOW) != 0) return false;
      if (!Apply(event.wd, event.mask, event.len == 0 ? std::string_view() : name)) return false;
    }
    if (static_cast<std::size_t>(size) + kLargestEvent <= kEventBuffer) return true;
  }
}

bool FolderCache::Apply(int watch, std::uint32_t mask, std::string_view hostName) {
  if (watch == deviceWatch_) {
    // `fs/` itself, or the folder that holds it, changed: nothing cached holds.
    return (mask & kSelfEvents) == 0 && hostName != rootName_;
  }
  // Events come in runs from one folder.
  if (watch != lastWatch_) {
    const auto found = byWatch_.find(watch);
    lastWatch_ = watch;
    lastWatched_ = found == byWatch_.end() ? nullptr : found->second;
  }
  Folder* folder = lastWatched_;
  if (folder == nullptr) return true;  // a folder no longer cached
  if ((mask & kSelfEvents) != 0) {
    if (folder == rootFolder_.get()) return false;
    Drop(folder);
    return true;
  }
  std::string key;
  if (!KeyOfHostName(hostName, &key)) return true;
  const std::string name(hostName);
  const EntryKind kind = (mask & IN_ISDIR) != 0 ? EntryKind::kFolder : EntryKind::kUnknown;
  if ((mask & (IN_DELETE | IN_MOVED_FROM)) != 0) {
    DropChild(folder, name);
    Erase(folder, name);
  } else if ((mask & IN_MOVED_TO) != 0) {
    DropChild(folder, name);
    Put(folder, std::move(key), name, kind, 0, false);
  } else if ((mask & IN_CREATE) != 0) {
    Put(folder, std::move(key), name, kind, 0, true);
  }
  return true;
}

void FolderCache::Changed(const Folder* folder) {
  // Only the names of folders on the way to another can change where a walk leads.
  if (!folder->children.empty()) ++junctions_;
}

void FolderCache::Put(Folder* folder, std::string key, std::string hostName, EntryKind kind,
                      std::uint64_t created, bool keepKnown) {
  Changed(folder);
  if (!folder->named) return;  // read afresh when next needed
  const std::uint64_t hash = HashOf(key);
  auto [first, last] = folder->names.equal_range(hash);
  for (auto it = first; it != last; ++it) {
    if (it->second.hostName != hostName) continue;
    if (!keepKnown) it->second = Entry{std::move(hostName), kind, created};
    return;
  }
  folder->names.emplace(hash, Entry{std::move(hostName), kind, created});
  ++entries_;
}

FolderCache::Names::iterator FolderCache::EntryToChange(Folder* folder, std::string_view hostName) {
  std::string key;
  if (!KeyOfHostName(hostName, &key)) return folder->names.end();
  Changed(folder);
  if (!folder->named) return folder->names.end();
  auto [first, last] = folder->names.equal_range(HashOf(key));
  for (auto it = first; it != last; ++it) {
    if (it->second.hostName == hostName) return it;
  }
  return folder->names.end();
}

void FolderCache::Erase(Folder* folder, std::string_view hostName) {
  const auto entry = EntryToChange(folder, hostName);
  if (entry == folder->names.end()) return;
  folder->names.erase(entry);
  --entries_;
}

void FolderCache::Drop(Folder* folder) {
  if (folder == rootFolder_.get()) {
    Clear();
    return;
  }
  // Gives up the watches and descriptors of the subtree, then the subtree itself.
  std::vector<Folder*> pending{folder};
  while (!pending.empty()) {
    Folder* next = pending.back();
    pending.pop_back();
    for (auto& [name, child] : next->children) pending.push_back(child.get());
    ::inotify_rm_watch(inotify_.get(), next->watch);
    byWatch_.erase(next->watch);
    if (next->watch == lastWatch_) lastWatch_ = -1;
    if (next->fd.valid()) open_.erase(next->openAt);
    if (next->named) named_.erase(next->namedAt);
    --folders_;
    entries_ -= next->names.size();
  }
  ++epoch_;
  folder->parent->children.erase(folder->hostName);
}

void FolderCache::DropChild(Folder* folder, const std::string& hostName) {
  if (folder->children.empty()) return;
  const auto found = folder->children.find(hostName);
  if (found != folder->children.end()) Drop(found->second.get());
}

void FolderCache::Evict() {
  while (open_.size() > maxOpen_) {
    Folder* oldest = open_.back();
    open_.pop_back();
    oldest->fd.Reset();
  }
  while ((folders_ > kMaxFolders || entries_ > kMaxEntries) && rootFolder_) {
    // The folder whose subtree was used least recently goes, with its subtree.
    Folder* oldest = nullptr;
    std::uint64_t oldestUse = 0;
    const auto latest = [&](const auto& self, Folder* folder) -> std::uint64_t {
      std::uint64_t use = folder->lastUse;
      for (auto& [name, child] : folder->children) use = std::max(use, self(self, child.get()));
      // Not what the last call used: a folder being filled keeps its names, however many.
      if (folder != rootFolder_.get() && use + 1 < clock_ &&
          (oldest == nullptr || use < oldestUse)) {
        oldest = folder;
        oldestUse = use;
      }
      return use;
    };
    latest(latest, rootFolder_.get());
    if (oldest == nullptr) return;
    Drop(oldest);
  }
}

void FolderCache::Touch(Folder* folder) {
  folder->lastUse = clock_;
  if (folder != rootFolder_.get() && folder->fd.valid()) {
    open_.splice(open_.begin(), open_, folder->openAt);
  }
}

bool FolderCache::Open(Folder* folder) {
  if (folder->fd.valid()) {
    Touch(folder);
    return true;
  }
  // Not the root, whose descriptor stays open.
  if (!Open(folder->parent)) return false;  // dropped with its parent
  ScopedFd fd(::openat(folder->parent->fd.get(), folder->hostName.c_str(),
                       O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  struct stat info;
  if (!fd.valid() || ::fstat(fd.get(), &info) != 0 || info.st_dev != folder->device ||
      info.st_ino != folder->inode) {
    Drop(folder);
    return false;
  }
  folder->fd = std::move(fd);
  open_.push_front(folder);
  folder->openAt = open_.begin();
  Touch(folder);
  return true;
}

FolderCache::Folder* FolderCache::Adopt(Folder* parent, const std::string& hostName, ScopedFd* fd) {
  if (folders_ >= kMaxFolders) return nullptr;
  const std::string self = "/proc/self/fd/" + std::to_string(fd->get());
  const int watch = ::inotify_add_watch(inotify_.get(), self.c_str(), kFolderEvents);
  if (watch < 0) return nullptr;
  // One folder seen at two paths (a bind mount) is cached at the first only.
  if (byWatch_.count(watch) != 0) return nullptr;
  struct stat info;
  auto folder = std::make_unique<Folder>();
  // Names read after the watch is in place, so that no change falls between the two.
  // A folder on another file system (mounted inside `fs/`) is cached where that one, too,
  // reports every change.
  if (::fstat(fd->get(), &info) != 0 ||
      (parent != nullptr && info.st_dev != rootFolder_->device && !ReportsEveryChange(fd->get())) ||
      !KeepNames(folder.get(), fd->get())) {
    ::inotify_rm_watch(inotify_.get(), watch);
    return nullptr;
  }
  folder->parent = parent;
  folder->hostName = hostName;
  folder->fd = std::move(*fd);
  folder->device = info.st_dev;
  folder->inode = info.st_ino;
  folder->watch = watch;
  Folder* const adopted = folder.get();
  byWatch_[watch] = adopted;
  ++folders_;
  if (parent == nullptr) {
    rootFolder_ = std::move(folder);
  } else {
    open_.push_front(adopted);
    adopted->openAt = open_.begin();
    parent->children[hostName] = std::move(folder);
  }
  Touch(adopted);
  ForgetColdNames();
  return adopted;
}

bool FolderCache::Know(Folder* folder) {
  if (!folder->named) {
    // Read now, after this call's look at the queue: the changes still queued for it
    // came after that look and, applied in order at the next one, leave the names as
    // they then are, as they do after Adopt.
    // From the start: the descriptor was read to its end when the folder was adopted.
    if (::lseek(folder->fd.get(), 0, SEEK_SET) != 0 || !KeepNames(folder, folder->fd.get())) {
      return false;
    }
    ForgetColdNames();
  } else {
    named_.splice(named_.begin(), named_, folder->namedAt);
  }
  return true;
}

bool FolderCache::KeepNames(Folder* folder, int fd) {
  std::vector<ListedName> listed;
  if (!ReadNames(fd, kMaxEntries / 2, &listed)) return false;
  folder->names.reserve(listed.size());
  for (ListedName& name : listed) {
    folder->names.emplace(HashOf(name.key),
                          Entry{std::move(name.hostName), name.kind, 0, name.inode});
  }
  entries_ += folder->names.size();
  folder->named = true;
  named_.push_front(folder);
  folder->namedAt = named_.begin();
  return true;
}

void FolderCache::ForgetColdNames() {
  while (entries_ > kMaxKnownNames && named_.size() > 1) {
    Folder* const coldest = named_.back();
    // A folder the last call used keeps its names, however many.
    if (coldest->lastUse + 1 >= clock_) return;
    named_.pop_back();
    entries_ -= coldest->names.size();
    Names().swap(coldest->names);
    coldest->named = false;
  }
}

FolderCache::Folder* FolderCache::Root() {
  if (rootFolder_) {
    Touch(rootFolder_.get());
    return rootFolder_.get();
  }
  if (!enabled_ || (!inotify_.valid() && !Start())) return nullptr;
  if (deviceWatch_ < 0) {
    // Before `fs/` is opened, so that whatever happens to it afterwards is seen.
    deviceWatch_ = ::inotify_add_watch(inotify_.get(), deviceFolder_.c_str(), kFolderEvents);
    if (deviceWatch_ < 0) return nullptr;
  }
  ScopedFd fd(::open(root_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!fd.valid()) return nullptr;
  if (!ReportsEveryChange(fd.get())) {
    Clear();
    enabled_ = false;
    return nullptr;
  }
  return Adopt(nullptr, std::string(), &fd);
}

Status FolderCache::Child(Folder* parent, const std::string& hostName, Folder** child,
                          ScopedFd* transient) {
  *child = nullptr;
  const auto found = parent->children.find(hostName);
  if (found != parent->children.end() && Open(found->second.get())) {
    *child = found->second.get();
    return Status::Ok();
  }
  ScopedFd fd(::openat(parent->fd.get(), hostName.c_str(),
                       O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!fd.valid()) {
    const Status status = ErrnoStatus("open " + hostName);
    Forget(parent, hostName);
    return Status::Error(ERROR_PATH_NOT_FOUND, status.message());
  }
  *child = Adopt(parent, hostName, &fd);
  if (*child == nullptr) *transient = std::move(fd);
  return Status::Ok();
}

FolderCache::Folder* FolderCache::Remembered(const std::vector<std::u16string>& parts,
                                             std::size_t count) {
  if (!route_ || route_->epoch != epoch_ || route_->junctions != junctions_ ||
      route_->ends.size() != count) {
    return nullptr;
  }
  std::size_t start = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const std::u16string_view part(route_->text.data() + start, route_->ends[i] - start);
    if (part != parts[i]) return nullptr;
    start = route_->ends[i];
  }
  return Open(route_->folder) ? route_->folder : nullptr;
}

void FolderCache::Remember(const std::vector<std::u16string>& parts, std::size_t count,
                           Folder* folder) {
  if (!route_) route_ = std::make_unique<Route>();
  route_->text.clear();
  route_->ends.clear();
  for (std::size_t i = 0; i < count; ++i) {
    route_->text += parts[i];
    route_->ends.push_back(route_->text.size());
  }
  route_->folder = folder;
  route_->epoch = epoch_;
  route_->junctions = junctions_;
}

bool FolderCache::Find(Folder* folder, std::u16string_view name, CachedEntry* entry,
                       struct stat* info, bool* statted) {
  *statted = false;
  const std::string key = KeyOf(name);
  const std::uint64_t hash = HashOf(key);
  if (folder->names.count(hash) == 0) return false;
  std::vector<std::pair<std::string, struct stat>> learnt;
  LearnKinds(folder, hash, key, &learnt);
  const std::string exact = HostName(name);
  const Entry* const best = BestMatch(folder, hash, key, exact);
  if (best == nullptr) return false;
  entry->hostName = best->hostName;
  entry->name = best->hostName == exact ? std::u16string(name) : Utf8ToUtf16(best->hostName);
  entry->kind = best->kind;
  entry->created = best->created;
  entry->inode = best->inode;
  for (const auto& [hostName, host] : learnt) {
    if (hostName == best->hostName) {
      *info = host;
      *statted = true;
    }
  }
  return true;
}

void FolderCache::LearnKinds(Folder* folder, std::uint64_t hash, const std::string& key,
                             std::vector<std::pair<std::string, struct stat>>* learnt) {
  std::vector<std::string> gone;
  const auto [first, last] = folder->names.equal_range(hash);
  for (auto it = first; it != last; ++it) {
    Entry& candidate = it->second;
    if (candidate.kind != EntryKind::kUnknown || !HasKey(candidate.hostName, key)) continue;
    struct stat host;
    if (::fstatat(folder->fd.get(), candidate.hostName.c_str(), &host, AT_SYMLINK_NOFOLLOW) == 0) {
      candidate.kind = KindOf(host.st_mode);
      Changed(folder);
      learnt->emplace_back(candidate.hostName, host);
    } else if (errno == ENOENT) {
      gone.push_back(candidate.hostName);
    }
  }
  for (const std::string& hostName : gone) Removed(folder, hostName);
}

const FolderCache::Entry* FolderCache::BestMatch(const Folder* folder, std::uint64_t hash,
                                                 const std::string& key,
                                                 const std::string& exact) const {
  const Entry* best = nullptr;
  const auto [first, last] = folder->names.equal_range(hash);
  for (auto it = first; it != last; ++it) {
    const Entry& candidate = it->second;
    if (candidate.kind != EntryKind::kFile && candidate.kind != EntryKind::kFolder) continue;
    if (!HasKey(candidate.hostName, key)) continue;
    if (candidate.hostName == exact) return &candidate;
    if (best == nullptr || candidate.hostName < best->hostName) best = &candidate;
  }
  return best;
}

void FolderCache::Entries(const Folder* folder, std::vector<CachedEntry>* entries) const {
  entries->clear();
  for (const auto& [key, entry] : folder->names) {
    if (entry.kind == EntryKind::kOther) continue;
    entries->push_back(
        {entry.hostName, Utf8ToUtf16(entry.hostName), entry.kind, entry.created, entry.inode});
  }
}

void FolderCache::Added(Folder* folder, const CachedEntry& entry) {
  DropChild(folder, entry.hostName);
  Put(folder, KeyOf(entry.name), entry.hostName, entry.kind, entry.created, false);
}

void FolderCache::Removed(Folder* folder, const std::string& hostName) {
  DropChild(folder, hostName);
  Erase(folder, hostName);
}

void FolderCache::Forget(Folder* folder, const std::string& hostName) {
  DropChild(folder, hostName);
  const auto entry = EntryToChange(folder, hostName);
  if (entry != folder->names.end()) entry->second = Entry{hostName, EntryKind::kUnknown, 0};
}

}  // namespace emu
