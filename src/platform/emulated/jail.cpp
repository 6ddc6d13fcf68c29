#include "jail.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <optional>

#include "code_page.h"
#include "dos_attributes.h"
#include "folder_cache.h"
#include "folder_names.h"
#include "name_compare.h"
#include "native_error.h"
#include "open_files.h"

namespace emu {

// Files beyond 2 GiB, 64-bit entry positions in folders and file times past 2038 need
// these 64 bits also on a 32-bit host (the build's _FILE_OFFSET_BITS and _TIME_BITS).
static_assert(sizeof(off_t) == 8 && sizeof(ino_t) == 8 && sizeof(time_t) == 8,
              "the emulated device needs 64-bit file positions, inode numbers and times");

namespace {

// A regular file or folder of the device, as the host holds it.
struct HostEntry {
  std::string hostName;
  std::u16string name;
  EntryKind kind = EntryKind::kUnknown;
  std::uint64_t created = 0;  // see CachedEntry
  ino_t inode = 0;            // see CachedEntry
  bool statted = false;       // whether `info` is filled
  struct stat info = {};
  bool IsFolder() const { return kind == EntryKind::kFolder; }
};

EntryKind KindOf(const struct stat& info) {
  return S_ISDIR(info.st_mode) ? EntryKind::kFolder : EntryKind::kFile;
}

bool BelongsToDevice(const struct stat& info) {
  return S_ISREG(info.st_mode) || S_ISDIR(info.st_mode);
}

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

// False when the host names `a` and `b` (UTF-8) cannot name the same device name
// without regard to case: case folding never changes the length of a character's UTF-8
// form, and ASCII letters fold on the bytes. Names with other characters may match.
bool MayEqualIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto x = static_cast<unsigned char>(a[i]);
    const auto y = static_cast<unsigned char>(b[i]);
    if (x >= 0x80 || y >= 0x80) return true;
    const auto fold = [](unsigned char c) { return c >= 'a' && c <= 'z' ? c - 0x20 : c; };
    if (fold(x) != fold(y)) return false;
  }
  return true;
}

// Every entry of an open folder that belongs to the device; with `only`, just those
// whose name equals it without regard to case (the others cost no call, and no
// conversion unless `allNames` asks for the device names of every entry).
Status ReadFolder(int folder, std::vector<HostEntry>* entries,
                  std::optional<std::u16string_view> only = std::nullopt,
                  std::vector<std::u16string>* allNames = nullptr) {
  const std::string onlyHostName = only ? HostName(*only) : std::string();
  entries->clear();
  const int copy = ::dup(folder);
  if (copy < 0) return ErrnoStatus("dup");
  std::unique_ptr<DIR, DirCloser> dir(::fdopendir(copy));
  if (!dir) {
    const int error = errno;
    ::close(copy);
    return ErrnoStatus("fdopendir", error);
  }
  ::rewinddir(dir.get());  // the copy shares its position with `folder`
  while (const struct dirent* item = ::readdir(dir.get())) {
    HostEntry entry;
    if (allNames == nullptr && only && !MayEqualIgnoringCase(item->d_name, onlyHostName)) continue;
    entry.hostName = item->d_name;
    if (entry.hostName == "." || entry.hostName == "..") continue;
    if (!DeviceNameOf(entry.hostName, &entry.name)) continue;
    if (allNames != nullptr) allNames->push_back(entry.name);
    if (only && !EqualsIgnoringCase(entry.name, *only)) continue;
    if (::fstatat(folder, item->d_name, &entry.info, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!BelongsToDevice(entry.info)) continue;
    entry.kind = KindOf(entry.info);
    entry.statted = true;
    entries->push_back(std::move(entry));
  }
  return Status::Ok();
}

// Finds `name` without regard to case in an open folder that is not cached. `*found` is
// false when absent; then `*state`, when given and known, is the folder's state that the
// answer rests on.
Status FindUncached(int folder, std::u16string_view name, HostEntry* entry, bool* found,
                    std::optional<FolderState>* state) {
  *found = false;
  entry->hostName = HostName(name);
  if (::fstatat(folder, entry->hostName.c_str(), &entry->info, AT_SYMLINK_NOFOLLOW) == 0 &&
      BelongsToDevice(entry->info)) {
    entry->name = std::u16string(name);
    entry->kind = KindOf(entry->info);
    entry->statted = true;
    *found = true;
    return Status::Ok();
  }
  // Another spelling of the name? What an earlier read of the folder found answers as
  // long as the folder has not changed.
  FolderState current;
  const bool known = StateOf(folder, &current);
  if (state != nullptr && known) *state = current;
  if (known && folder_names::KnownAbsent(current, name)) return Status::Ok();
  std::vector<HostEntry> entries;
  std::vector<std::u16string> names;
  if (Status status = ReadFolder(folder, &entries, name, known ? &names : nullptr); !status.ok()) {
    return status;
  }
  if (known) folder_names::Remember(current, names);
  for (HostEntry& candidate : entries) {
    if (!*found || candidate.hostName < entry->hostName) {
      *entry = std::move(candidate);
      *found = true;
    }
  }
  return Status::Ok();
}

// Opens an entry found in `folder`, never through a link, and checks that it is still
// the kind of entry it was when found; `*opened`, when given, describes what was opened.
// A file is opened without blocking (a FIFO put in its place cannot hold the call), which
// regular files ignore.
Status OpenEntry(int folder, const HostEntry& entry, int flags, ScopedFd* fd,
                 struct stat* opened = nullptr) {
  const int typeFlags = entry.IsFolder() ? O_DIRECTORY : O_NONBLOCK;
  fd->Reset(::openat(folder, entry.hostName.c_str(), flags | typeFlags | O_NOFOLLOW | O_CLOEXEC));
  if (!fd->valid()) return ErrnoStatus("open " + entry.hostName);
  struct stat info;
  if (::fstat(fd->get(), &info) != 0) return ErrnoStatus("stat " + entry.hostName);
  if (S_ISDIR(info.st_mode) != entry.IsFolder() || !BelongsToDevice(info)) {
    fd->Reset();
    return Status::Error(ERROR_FILE_NOT_FOUND, entry.hostName + ": changed while opened");
  }
  if (opened != nullptr) *opened = info;
  return Status::Ok();
}

// The walk relies on names being single valid components: no separator, no NUL, no
// `.` or `..`, whoever built the path.
Status CheckNames(const std::vector<std::u16string>& parts, std::size_t from = 0) {
  for (std::size_t i = from; i < parts.size(); ++i) {
    const std::u16string& part = parts[i];
    if (!IsValidName(part, false) || part == u"." || part == u"..") {
      return Status::Error(ERROR_INVALID_NAME, "invalid name: " + Utf16ToUtf8(part));
    }
  }
  return Status::Ok();
}

Status NotFound(DWORD error, const CePath& path) {
  std::string text = "not found: ";
  for (const std::u16string& part : path.parts) {
    text += '\\';
    AppendUtf8(part, &text);
  }
  return Status::Error(error, std::move(text));
}

Status InUse(const CePath& path) {
  return Status::Error(ERROR_SHARING_VIOLATION,
                       "open in this process: " + Utf16ToUtf8(path.ToText()));
}

Status CopyContent(int from, int to) {
  char buffer[65536];
  for (off_t offset = 0;;) {
    const ssize_t read = ::pread(from, buffer, sizeof buffer, offset);
    if (read < 0) return ErrnoStatus("read");
    if (read == 0) return Status::Ok();
    for (ssize_t done = 0; done < read;) {
      const ssize_t written = ::write(to, buffer + done, static_cast<std::size_t>(read - done));
      if (written < 0) return ErrnoStatus("write");
      done += written;
    }
    offset += read;
  }
}

// Replaces `entry` of `folder`, a file with other hard links, by a file of its own under
// the same name, with the same mode and stored attributes and, when `keepContent`, the
// same content; `*file` is then open (read and write) on the new file. The copy is made
// under a host name that is no CE name, so the device never sees it half made.
Status Unshare(int folder, const HostEntry& entry, bool keepContent, ScopedFd* file) {
  static std::atomic<unsigned> counter{0};
  const std::string temporary =
      ".unshare:" + std::to_string(::getpid()) + ":" + std::to_string(counter++);
  ScopedFd copy(::openat(folder, temporary.c_str(),
                         O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (!copy.valid()) return ErrnoStatus("copy " + entry.hostName);
  Status status;
  ScopedFd original;
  struct stat info;
  status = OpenEntry(folder, entry, O_RDONLY, &original, &info);
  if (status.ok() && keepContent) {
    status = CopyContent(original.get(), copy.get());
    // Opened anew, the file is read and written from its start.
    if (status.ok() && ::lseek(copy.get(), 0, SEEK_SET) != 0) status = ErrnoStatus("seek");
  }
  if (status.ok() && ::fchmod(copy.get(), info.st_mode & 07777) != 0) {
    status = ErrnoStatus("chmod " + entry.hostName);
  }
  if (status.ok()) {
    status = WriteStoredAttributes(copy.get(), ReadStoredAttributes(original.get()));
  }
  if (status.ok() && ::renameat(folder, temporary.c_str(), folder, entry.hostName.c_str()) != 0) {
    status = ErrnoStatus("replace " + entry.hostName);
  }
  if (!status.ok()) {
    ::unlinkat(folder, temporary.c_str(), 0);
    return status;
  }
  *file = std::move(copy);
  return Status::Ok();
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The open(2) access flags of a FileAccess.
int AccessFlags(FileAccess access) {
  return access == FileAccess::kRead ? O_RDONLY : access == FileAccess::kWrite ? O_WRONLY : O_RDWR;
}

// rename without replacing: renameat2's RENAME_NOREPLACE, or, where the host file system
// lacks it, a check before the rename.
int RenameNoReplace(int fromFolder, const std::string& from, int toFolder, const std::string& to) {
  if (::renameat2(fromFolder, from.c_str(), toFolder, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return -1;
  struct stat info;
  if (::fstatat(toFolder, to.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) {
    errno = EEXIST;
    return -1;
  }
  return ::renameat(fromFolder, from.c_str(), toFolder, to.c_str());
}

}  // namespace

struct JailFolder {
  FolderCache::Folder* cached = nullptr;  // null: `held` is open for this call alone
  ScopedFd held;
  int fd = -1;  // -1 when the folder is the root and `fs/` is missing
  bool valid() const { return fd >= 0; }
};

namespace {

// Whether the folders `a` and `b` are one, by the cache or by the host.
Status InSameFolder(const JailFolder& a, const JailFolder& b, const CePath& path, bool* same) {
  *same = a.cached != nullptr && a.cached == b.cached;
  if (*same) return Status::Ok();
  struct stat first;
  struct stat second;
  if (::fstat(a.fd, &first) != 0 || ::fstat(b.fd, &second) != 0) {
    return ErrnoStatus("stat " + Utf16ToUtf8(path.ToText()));
  }
  *same = SameFile(first, second);
  return Status::Ok();
}

// Before `source` replaces a file: gives it the replaced file's host `mode` and stored
// `attributes`, which belong to the file rather than to its content. A source with other
// hard links gets a file of its own first, so that they keep theirs.
Status GiveTraits(int folder, const HostEntry& source, mode_t mode, DWORD attributes,
                  const CePath& sourcePath) {
  const bool newMode = (source.info.st_mode & 07777) != mode;
  const bool newAttributes = ReadStoredAttributesAt(folder, source.hostName) != attributes;
  if (!newMode && !newAttributes) return Status::Ok();
  ScopedFd replacement;
  if (Status status = OpenEntry(folder, source, O_RDONLY, &replacement); !status.ok()) {
    return status;
  }
  if (source.info.st_nlink > 1) {
    if (Status status = Unshare(folder, source, true, &replacement); !status.ok()) return status;
  }
  if (newMode && ::fchmod(replacement.get(), mode) != 0) {
    return ErrnoStatus("chmod " + Utf16ToUtf8(sourcePath.ToText()));
  }
  if (newAttributes) return WriteStoredAttributes(replacement.get(), attributes);
  return Status::Ok();
}

// Finds `name` in `folder` without regard to case; see FindUncached.
Status FindIn(FolderCache& cache, JailFolder& folder, std::u16string_view name, HostEntry* entry,
              bool* found, std::optional<FolderState>* state = nullptr) {
  if (folder.cached == nullptr || !cache.Know(folder.cached)) {
    return FindUncached(folder.fd, name, entry, found, state);
  }
  CachedEntry cached;
  *found = cache.Find(folder.cached, name, &cached, &entry->info, &entry->statted);
  if (*found) {
    entry->hostName = std::move(cached.hostName);
    entry->name = std::move(cached.name);
    entry->kind = cached.kind;
    entry->created = cached.created;
    entry->inode = cached.inode;
  }
  return Status::Ok();
}

// The entries of `folder` whose names match `pattern`: from the cache when it knows the
// folder, else from the host. An entry from the cache may not know its kind yet.
Status FindMatches(FolderCache& cache, JailFolder& folder, std::u16string_view pattern,
                   std::vector<HostEntry>* matches) {
  if (!HasWildcards(pattern)) {
    HostEntry entry;
    bool found = false;
    if (Status status = FindIn(cache, folder, pattern, &entry, &found); !status.ok()) {
      return status;
    }
    if (found) matches->push_back(std::move(entry));
    return Status::Ok();
  }
  if (folder.cached == nullptr || !cache.Know(folder.cached)) {
    if (Status status = ReadFolder(folder.fd, matches); !status.ok()) return status;
    std::erase_if(*matches,
                  [&](const HostEntry& entry) { return !MatchesWildcard(pattern, entry.name); });
    return Status::Ok();
  }
  std::vector<CachedEntry> cached;
  cache.Entries(folder.cached, &cached);
  for (CachedEntry& entry : cached) {
    if (!MatchesWildcard(pattern, entry.name)) continue;
    HostEntry match;
    match.hostName = std::move(entry.hostName);
    match.name = std::move(entry.name);
    match.kind = entry.kind;
    matches->push_back(std::move(match));
  }
  return Status::Ok();
}

// Opens the folder `entry` of `folder`, through the cache when `folder` is cached.
Status OpenChild(FolderCache& cache, const JailFolder& folder, const HostEntry& entry,
                 JailFolder* child) {
  if (folder.cached != nullptr) {
    if (Status status = cache.Child(folder.cached, entry.hostName, &child->cached, &child->held);
        !status.ok()) {
      return status;
    }
    child->fd = child->cached != nullptr ? cache.Descriptor(child->cached) : child->held.get();
    return Status::Ok();
  }
  if (Status status = OpenEntry(folder.fd, entry, O_RDONLY, &child->held); !status.ok()) {
    return Status::Error(ERROR_PATH_NOT_FOUND, status.message());
  }
  child->fd = child->held.get();
  return Status::Ok();
}

// Fills `entry.info` when it is not yet; an entry that is no longer what it was is
// missing.
Status Inspect(FolderCache& cache, JailFolder& folder, HostEntry& entry) {
  if (entry.statted) return Status::Ok();
  if (::fstatat(folder.fd, entry.hostName.c_str(), &entry.info, AT_SYMLINK_NOFOLLOW) != 0 ||
      !BelongsToDevice(entry.info) || KindOf(entry.info) != entry.kind) {
    if (folder.cached != nullptr) cache.Forget(folder.cached, entry.hostName);
    return Status::Error(ERROR_FILE_NOT_FOUND, entry.hostName + ": changed");
  }
  entry.statted = true;
  return Status::Ok();
}

Status Describe(FolderCache& cache, JailFolder& folder, HostEntry& entry, EntryInfo* info) {
  if (Status status = Inspect(cache, folder, entry); !status.ok()) return status;
  info->name = entry.name;
  info->attributes = AttributeWord(ReadStoredAttributesAt(folder.fd, entry.hostName),
                                   entry.IsFolder(), entry.name);
  info->size = entry.IsFolder() ? 0 : static_cast<std::uint64_t>(entry.info.st_size);
  info->lastWrite = entry.info.st_mtim;
  info->lastAccess = entry.info.st_atim;
  info->created = info->lastWrite;
  return Status::Ok();
}

// ERROR_SHARING_VIOLATION when this process has the file `entry` open. A file that this
// process created is held by nothing opened before it, and a file whose inode number no
// open file has is not held either: then no identity is needed.
Status CheckNotOpen(FolderCache& cache, JailFolder& folder, HostEntry& entry, const CePath& path) {
  if (entry.created != 0 && open_files::NoneOpenSince(entry.created)) return Status::Ok();
  if (!entry.statted && entry.inode != 0 && !open_files::MayBeOpen(entry.inode)) {
    return Status::Ok();
  }
  if (Status status = Inspect(cache, folder, entry); !status.ok()) return status;
  return open_files::IsOpen(entry.info) ? InUse(path) : Status::Ok();
}

// What `folder` now knows of an entry that this process made, renamed, or replaced.
void Record(FolderCache& cache, JailFolder& folder, const std::string& hostName,
            std::u16string_view name, EntryKind kind, std::uint64_t created = 0) {
  if (folder.cached == nullptr) return;
  cache.Added(folder.cached, CachedEntry{hostName, std::u16string(name), kind, created});
}

}  // namespace

// The parent folder of a path and its last component, found or not.
struct Jail::Located {
  JailFolder parent;  // invalid when the parent is the root and `fs/` is missing
  bool exists = false;
  HostEntry entry;  // the entry when it exists; otherwise the host name to create
  std::optional<FolderState> parentState;  // uncached, when absent: the state that told so
};

Jail::Jail(std::string root)
    : root_(std::move(root)), cache_(std::make_unique<FolderCache>(root_)) {}

Jail::~Jail() = default;

void Jail::Begin() const { caching_ = cache_->Refresh(); }

Status Jail::OpenRoot(ScopedFd* root) const {
  root->Reset(::open(root_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!root->valid()) {
    Status status = ErrnoStatus("open device root " + root_);
    if (errno == ENOENT || errno == ENOTDIR || errno == ELOOP) {
      return Status::Error(ERROR_PATH_NOT_FOUND, status.message());
    }
    return status;
  }
  return Status::Ok();
}

Status Jail::OpenFolder(const std::vector<std::u16string>& parts, std::size_t count,
                        JailFolder* folder) const {
  if (caching_) {
    // The way to a remembered folder was checked when it was walked.
    if (FolderCache::Folder* known = cache_->Remembered(parts, count); known != nullptr) {
      folder->cached = known;
      folder->fd = cache_->Descriptor(known);
      return CheckNames(parts, count);
    }
  }
  if (Status status = CheckNames(parts); !status.ok()) return status;
  folder->cached = caching_ ? cache_->Root() : nullptr;
  if (folder->cached != nullptr) {
    folder->fd = cache_->Descriptor(folder->cached);
  } else {
    if (Status status = OpenRoot(&folder->held); !status.ok()) return status;
    folder->fd = folder->held.get();
  }
  for (std::size_t i = 0; i < count; ++i) {
    HostEntry entry;
    bool found = false;
    if (Status status = FindIn(*cache_, *folder, parts[i], &entry, &found); !status.ok()) {
      return status;
    }
    if (!found || !entry.IsFolder()) {
      return Status::Error(ERROR_PATH_NOT_FOUND, "no folder " + Utf16ToUtf8(parts[i]));
    }
    JailFolder next;
    if (Status status = OpenChild(*cache_, *folder, entry, &next); !status.ok()) return status;
    *folder = std::move(next);
  }
  if (folder->cached != nullptr) cache_->Remember(parts, count, folder->cached);
  return Status::Ok();
}

Status Jail::Locate(const CePath& path, Located* located) const {
  const std::size_t depth = path.parts.size() - 1;
  Status status = OpenFolder(path.parts, depth, &located->parent);
  if (!status.ok()) {
    located->parent = JailFolder();
    // A missing `fs/` is a device without files: its root holds nothing.
    if (depth == 0 && status.error() == ERROR_PATH_NOT_FOUND) return Status::Ok();
    return status;
  }
  status = FindIn(*cache_, located->parent, path.parts.back(), &located->entry, &located->exists,
                  &located->parentState);
  if (!located->exists) located->entry.hostName = HostName(path.parts.back());
  return status;
}

Status Jail::Stat(const CePath& path, EntryInfo* info) const {
  const std::lock_guard lock(mutex_);
  Begin();
  if (path.IsRoot()) {
    JailFolder root;
    if (!OpenFolder(path.parts, 0, &root).ok()) return NotFound(ERROR_FILE_NOT_FOUND, path);
    *info = EntryInfo{};
    info->attributes = FILE_ATTRIBUTE_DIRECTORY;
    return Status::Ok();
  }
  Located located;
  if (Status status = Locate(path, &located); !status.ok()) return status;
  if (!located.exists) return NotFound(ERROR_FILE_NOT_FOUND, path);
  return Describe(*cache_, located.parent, located.entry, info);
}

Status Jail::List(const CePath& folderPath, std::u16string_view pattern,
                  std::vector<EntryInfo>* entries) const {
  const std::lock_guard lock(mutex_);
  Begin();
  entries->clear();
  if (!IsValidName(pattern, true)) {
    return Status::Error(ERROR_INVALID_NAME, "invalid pattern: " + Utf16ToUtf8(pattern));
  }
  JailFolder folder;
  if (Status status = OpenFolder(folderPath.parts, folderPath.parts.size(), &folder);
      !status.ok()) {
    return status;
  }
  std::vector<HostEntry> matches;
  if (Status status = FindMatches(*cache_, folder, pattern, &matches); !status.ok()) {
    return status;
  }
  for (HostEntry& match : matches) {
    if (match.kind == EntryKind::kUnknown) {
      // Its kind is learnt from what the host holds now.
      if (::fstatat(folder.fd, match.hostName.c_str(), &match.info, AT_SYMLINK_NOFOLLOW) != 0 ||
          !BelongsToDevice(match.info)) {
        continue;
      }
      match.kind = KindOf(match.info);
      match.statted = true;
    }
    EntryInfo info;
    // An entry removed since it was read is no longer listed.
    if (Describe(*cache_, folder, match, &info).ok()) entries->push_back(std::move(info));
  }
  std::sort(entries->begin(), entries->end(), [](const EntryInfo& a, const EntryInfo& b) {
    return LessIgnoringCase(a.name, b.name);
  });
  return Status::Ok();
}

Status Jail::OpenFile(const CePath& path, FileAccess access, Disposition disposition,
                      ScopedFd* file) const {
  const std::lock_guard lock(mutex_);
  Begin();
  if (path.IsRoot()) return Status::Error(ERROR_ACCESS_DENIED, "the root is a folder");
  Located located;
  if (Status status = Locate(path, &located); !status.ok()) return status;
  if (located.exists) return OpenExisting(path, located, access, disposition, file);
  if (disposition == Disposition::kOpenExisting) return NotFound(ERROR_FILE_NOT_FOUND, path);
  if (!located.parent.valid()) return NotFound(ERROR_PATH_NOT_FOUND, path);
  return CreateNewFile(path, located, access, disposition, file);
}

Status Jail::OpenExisting(const CePath& path, Located& located, FileAccess access,
                          Disposition disposition, ScopedFd* file) const {
  if (disposition == Disposition::kCreateNew) {
    return Status::Error(ERROR_FILE_EXISTS, "exists: " + Utf16ToUtf8(path.ToText()));
  }
  if (located.entry.IsFolder()) {
    return Status::Error(ERROR_ACCESS_DENIED, "a folder: " + Utf16ToUtf8(path.ToText()));
  }
  const bool writing = access != FileAccess::kRead;
  if (writing) {
    if (Status status = CheckNotOpen(*cache_, located.parent, located.entry, path); !status.ok()) {
      return status;
    }
  }
  struct stat opened;
  if (Status status =
          OpenEntry(located.parent.fd, located.entry, AccessFlags(access), file, &opened);
      !status.ok()) {
    if (located.parent.cached != nullptr) {
      cache_->Forget(located.parent.cached, located.entry.hostName);
    }
    return status;
  }
  if (!writing) return Status::Ok();
  if ((ReadStoredAttributes(file->get()) & FILE_ATTRIBUTE_READONLY) != 0) {
    file->Reset();
    return Status::Error(ERROR_ACCESS_DENIED, "read-only: " + Utf16ToUtf8(path.ToText()));
  }
  if (opened.st_nlink > 1) {
    const bool keepContent = disposition != Disposition::kCreateAlways;
    if (Status status = Unshare(located.parent.fd, located.entry, keepContent, file);
        !status.ok()) {
      file->Reset();
      return status;
    }
    Record(*cache_, located.parent, located.entry.hostName, located.entry.name, EntryKind::kFile);
  }
  if (disposition == Disposition::kCreateAlways && ::ftruncate(file->get(), 0) != 0) {
    return ErrnoStatus("truncate " + Utf16ToUtf8(path.ToText()));
  }
  return Status::Ok();
}

Status Jail::CreateNewFile(const CePath& path, Located& located, FileAccess access,
                           Disposition disposition, ScopedFd* file) const {
  const std::uint64_t created = open_files::Mark();
  file->Reset(::openat(located.parent.fd, located.entry.hostName.c_str(),
                       AccessFlags(access) | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
  if (!file->valid()) {
    // The name is taken by something that is not part of the device (a link, ...).
    if (errno == EEXIST) {
      return Status::Error(
          disposition == Disposition::kCreateNew ? ERROR_FILE_EXISTS : ERROR_ACCESS_DENIED,
          "name taken on the host: " + Utf16ToUtf8(path.ToText()));
    }
    return ErrnoStatus("create " + Utf16ToUtf8(path.ToText()));
  }
  Made(located, path, EntryKind::kFile, created);
  return Status::Ok();
}

void Jail::Made(Located& located, const CePath& path, EntryKind kind, std::uint64_t created) const {
  Record(*cache_, located.parent, located.entry.hostName, path.parts.back(), kind, created);
  if (located.parentState) {
    folder_names::Added(located.parent.fd, *located.parentState, path.parts.back());
  }
}

Status Jail::MakeFolder(const CePath& path) const {
  const std::lock_guard lock(mutex_);
  Begin();
  if (path.IsRoot()) return Status::Error(ERROR_ALREADY_EXISTS, "the root exists");
  Located located;
  if (Status status = Locate(path, &located); !status.ok()) return status;
  if (located.exists) {
    return Status::Error(ERROR_ALREADY_EXISTS, "exists: " + Utf16ToUtf8(path.ToText()));
  }
  if (!located.parent.valid()) return NotFound(ERROR_PATH_NOT_FOUND, path);
  if (::mkdirat(located.parent.fd, located.entry.hostName.c_str(), 0777) != 0) {
    return ErrnoStatus("create folder " + Utf16ToUtf8(path.ToText()));
  }
  Made(located, path, EntryKind::kFolder);
  return Status::Ok();
}

Status Jail::RemoveFile(const CePath& path) const {
  const std::lock_guard lock(mutex_);
  Begin();
  if (path.IsRoot()) return Status::Error(ERROR_ACCESS_DENIED, "the root is a folder");
  Located located;
  if (Status status = Locate(path, &located); !status.ok()) return status;
  if (!located.exists) return NotFound(ERROR_FILE_NOT_FOUND, path);
  if (located.entry.IsFolder()) {
    return Status::Error(ERROR_ACCESS_DENIED, "a folder: " + Utf16ToUtf8(path.ToText()));
  }
  if (Status status = CheckNotOpen(*cache_, located.parent, located.entry, path); !status.ok()) {
    return status;
  }
  if ((ReadStoredAttributesAt(located.parent.fd, located.entry.hostName) &
       FILE_ATTRIBUTE_READONLY) != 0) {
    return Status::Error(ERROR_ACCESS_DENIED, "read-only: " + Utf16ToUtf8(path.ToText()));
  }
  FolderState before;
  const bool known = located.parent.cached == nullptr && StateOf(located.parent.fd, &before);
  if (::unlinkat(located.parent.fd, located.entry.hostName.c_str(), 0) != 0) {
    return ErrnoStatus("delete " + Utf16ToUtf8(path.ToText()));
  }
  if (located.parent.cached != nullptr) {
    cache_->Removed(located.parent.cached, located.entry.hostName);
  }
  if (known) folder_names::Removed(located.parent.fd, before, located.entry.name);
  return Status::Ok();
}

Status Jail::Move(const CePath& from, const CePath& to) const {
  const std::lock_guard lock(mutex_);
  Begin();
  if (from.IsRoot() || to.IsRoot()) return Status::Error(ERROR_ACCESS_DENIED, "the root");
  Located source;
  if (Status status = Locate(from, &source); !status.ok()) return status;
  if (!source.exists) return NotFound(ERROR_FILE_NOT_FOUND, from);
  Located target;
  if (Status status = Locate(to, &target); !status.ok()) return status;
  if (!target.parent.valid()) return NotFound(ERROR_PATH_NOT_FOUND, to);
  bool sameFolder = false;
  if (Status status = InSameFolder(source.parent, target.parent, to, &sameFolder); !status.ok()) {
    return status;
  }
  if (target.exists) {
    // Only the entry itself may take another spelling of its name.
    if (!sameFolder) {
      return Status::Error(ERROR_ALREADY_EXISTS, "exists: " + Utf16ToUtf8(to.ToText()));
    }
    bool unchanged = false;
    if (Status status = TakeOwnName(source, target, to, &unchanged); !status.ok() || unchanged) {
      return status;
    }
  }
  if (!source.entry.IsFolder()) {
    if (Status status = CheckNotOpen(*cache_, source.parent, source.entry, from); !status.ok()) {
      return status;
    }
  }
  return Rename(source, target, from, to, sameFolder);
}

// `target` exists in the folder of `source`: fine when it is `source` itself, spelt
// otherwise; `*unchanged` when it is spelt the same, so that there is nothing to do.
Status Jail::TakeOwnName(Located& source, Located& target, const CePath& to,
                         bool* unchanged) const {
  if (Status status = Inspect(*cache_, source.parent, source.entry); !status.ok()) return status;
  if (Status status = Inspect(*cache_, target.parent, target.entry); !status.ok()) return status;
  if (!SameFile(source.entry.info, target.entry.info)) {
    return Status::Error(ERROR_ALREADY_EXISTS, "exists: " + Utf16ToUtf8(to.ToText()));
  }
  *unchanged = source.entry.hostName == HostName(to.parts.back());
  target.entry.hostName = HostName(to.parts.back());
  return Status::Ok();
}

// Renames `source` to `target` and tells the folder cache and the uncached folders'
// name lists what changed.
Status Jail::Rename(Located& source, Located& target, const CePath& from, const CePath& to,
                    bool sameFolder) const {
  FolderState sourceBefore;
  FolderState targetBefore;
  const bool sourceKnown =
      source.parent.cached == nullptr && StateOf(source.parent.fd, &sourceBefore);
  const bool targetKnown =
      target.parent.cached == nullptr && StateOf(target.parent.fd, &targetBefore);
  if (RenameNoReplace(source.parent.fd, source.entry.hostName, target.parent.fd,
                      target.entry.hostName) != 0) {
    return ErrnoStatus("rename " + Utf16ToUtf8(from.ToText()));
  }
  if (source.parent.cached != nullptr) {
    cache_->Removed(source.parent.cached, source.entry.hostName);
  }
  Record(*cache_, target.parent, target.entry.hostName, to.parts.back(), source.entry.kind,
         source.entry.created);
  if (sourceKnown) folder_names::Removed(source.parent.fd, sourceBefore, source.entry.name);
  FolderState now;
  if (sameFolder ? (targetKnown && StateOf(target.parent.fd, &now)) : targetKnown) {
    folder_names::Added(target.parent.fd, sameFolder ? now : targetBefore, to.parts.back());
  }
  return Status::Ok();
}

Status Jail::Replace(const CePath& destination, const CePath& source) const {
  const std::lock_guard lock(mutex_);
  Begin();
  Located to;
  Located from;
  if (destination.IsRoot() || source.IsRoot()) return NotFound(ERROR_FILE_NOT_FOUND, source);
  if (Status status = Locate(destination, &to); !status.ok()) return status;
  if (Status status = Locate(source, &from); !status.ok()) return status;
  if (!to.exists || to.entry.IsFolder()) return NotFound(ERROR_FILE_NOT_FOUND, destination);
  if (!from.exists || from.entry.IsFolder()) return NotFound(ERROR_FILE_NOT_FOUND, source);
  if (Status status = Inspect(*cache_, to.parent, to.entry); !status.ok()) return status;
  if (Status status = Inspect(*cache_, from.parent, from.entry); !status.ok()) return status;
  if (SameFile(to.entry.info, from.entry.info)) {
    return Status::Error(ERROR_ACCESS_DENIED, "one file: " + Utf16ToUtf8(source.ToText()));
  }
  if (open_files::IsOpen(to.entry.info)) return InUse(destination);
  if (Status status = CheckNotOpen(*cache_, from.parent, from.entry, source); !status.ok()) {
    return status;
  }
  const DWORD attributes = ReadStoredAttributesAt(to.parent.fd, to.entry.hostName);
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    return Status::Error(ERROR_ACCESS_DENIED, "read-only: " + Utf16ToUtf8(destination.ToText()));
  }
  if (Status status =
          GiveTraits(from.parent.fd, from.entry, to.entry.info.st_mode & 07777, attributes, source);
      !status.ok()) {
    return status;
  }
  return RenameOver(to, from, destination);
}

// Renames `source` over `destination` and tells the folder cache and the uncached
// folders' name lists what changed.
Status Jail::RenameOver(Located& destination, Located& source,
                        const CePath& destinationPath) const {
  FolderState sourceBefore;
  FolderState destinationBefore;
  const bool sourceKnown =
      source.parent.cached == nullptr && StateOf(source.parent.fd, &sourceBefore);
  const bool destinationKnown =
      destination.parent.cached == nullptr && StateOf(destination.parent.fd, &destinationBefore);
  if (::renameat(source.parent.fd, source.entry.hostName.c_str(), destination.parent.fd,
                 destination.entry.hostName.c_str()) != 0) {
    return ErrnoStatus("replace " + Utf16ToUtf8(destinationPath.ToText()));
  }
  if (source.parent.cached != nullptr) {
    cache_->Removed(source.parent.cached, source.entry.hostName);
  }
  Record(*cache_, destination.parent, destination.entry.hostName, destination.entry.name,
         EntryKind::kFile);
  if (sourceKnown) folder_names::Removed(source.parent.fd, sourceBefore, source.entry.name);
  if (destinationKnown) folder_names::Touched(destination.parent.fd, destinationBefore);
  return Status::Ok();
}

Status Jail::SetAttributes(const CePath& path, DWORD attributes) const {
  const std::lock_guard lock(mutex_);
  Begin();
  if (path.IsRoot()) return Status::Error(ERROR_ACCESS_DENIED, "the root keeps no attributes");
  Located located;
  if (Status status = Locate(path, &located); !status.ok()) return status;
  if (!located.exists) return NotFound(ERROR_FILE_NOT_FOUND, path);
  ScopedFd fd;
  struct stat opened;
  if (Status status = OpenEntry(located.parent.fd, located.entry, O_RDONLY, &fd, &opened);
      !status.ok()) {
    return status;
  }
  // The attributes of a file with other hard links are its own, not theirs.
  if (!located.entry.IsFolder() && opened.st_nlink > 1) {
    if (Status status = Unshare(located.parent.fd, located.entry, true, &fd); !status.ok()) {
      return status;
    }
    Record(*cache_, located.parent, located.entry.hostName, located.entry.name, EntryKind::kFile);
  }
  return WriteStoredAttributes(fd.get(), attributes);
}

}  // namespace emu
