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
#include "folder_names.h"
#include "name_compare.h"
#include "native_error.h"
#include "open_files.h"

namespace emu {
namespace {

// A regular file or folder of the device, as the host holds it.
struct HostEntry {
  std::string hostName;
  std::u16string name;
  struct stat info = {};
  bool IsFolder() const { return S_ISDIR(info.st_mode); }
};

bool BelongsToDevice(const struct stat& info) {
  return S_ISREG(info.st_mode) || S_ISDIR(info.st_mode);
}

// The CE name of a host name, or false when the host name cannot be one.
bool DeviceName(const std::string& hostName, std::u16string* name) {
  *name = Utf8ToUtf16(hostName);
  return Utf16ToUtf8(*name) == hostName && IsValidName(*name, false);
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
    if (!DeviceName(entry.hostName, &entry.name)) continue;
    if (allNames != nullptr) allNames->push_back(entry.name);
    if (only && !EqualsIgnoringCase(entry.name, *only)) continue;
    if (::fstatat(folder, item->d_name, &entry.info, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (!BelongsToDevice(entry.info)) continue;
    entries->push_back(std::move(entry));
  }
  return Status::Ok();
}

// Finds `name` in an open folder without regard to case. `*found` is false when absent;
// then `*state`, when given and known, is the folder's state that the answer rests on.
Status FindIn(int folder, std::u16string_view name, HostEntry* entry, bool* found,
              std::optional<FolderState>* state = nullptr) {
  *found = false;
  entry->hostName = HostName(name);
  if (::fstatat(folder, entry->hostName.c_str(), &entry->info, AT_SYMLINK_NOFOLLOW) == 0 &&
      BelongsToDevice(entry->info)) {
    entry->name = std::u16string(name);
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
// the kind of entry it was when found.
Status OpenEntry(int folder, const HostEntry& entry, int flags, ScopedFd* fd) {
  const int typeFlags = entry.IsFolder() ? O_DIRECTORY : O_NONBLOCK;
  fd->Reset(::openat(folder, entry.hostName.c_str(), flags | typeFlags | O_NOFOLLOW | O_CLOEXEC));
  if (!fd->valid()) return ErrnoStatus("open " + entry.hostName);
  struct stat info;
  if (::fstat(fd->get(), &info) != 0) return ErrnoStatus("stat " + entry.hostName);
  if (S_ISDIR(info.st_mode) != entry.IsFolder() || !BelongsToDevice(info)) {
    fd->Reset();
    return Status::Error(ERROR_FILE_NOT_FOUND, entry.hostName + ": changed while opened");
  }
  if (!entry.IsFolder() && ::fcntl(fd->get(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
    return ErrnoStatus("fcntl " + entry.hostName);
  }
  return Status::Ok();
}

Status Describe(int folder, const HostEntry& entry, EntryInfo* info) {
  ScopedFd fd;
  if (Status status = OpenEntry(folder, entry, O_RDONLY, &fd); !status.ok()) return status;
  info->name = entry.name;
  info->attributes = AttributeWord(ReadStoredAttributes(fd.get()), entry.IsFolder(), entry.name);
  info->size = entry.IsFolder() ? 0 : static_cast<std::uint64_t>(entry.info.st_size);
  info->lastWrite = entry.info.st_mtim;
  info->lastAccess = entry.info.st_atim;
  info->created = info->lastWrite;
  return Status::Ok();
}

// The walk relies on names being single valid components: no separator, no NUL, no
// `.` or `..`, whoever built the path.
Status CheckNames(const std::vector<std::u16string>& parts) {
  for (const std::u16string& part : parts) {
    if (!IsValidName(part, false) || part == u"." || part == u"..") {
      return Status::Error(ERROR_INVALID_NAME, "invalid name: " + Utf16ToUtf8(part));
    }
  }
  return Status::Ok();
}

Status NotFound(DWORD error, const CePath& path) {
  return Status::Error(error, "not found: " + Utf16ToUtf8(path.ToText()));
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
  if (status = OpenEntry(folder, entry, O_RDONLY, &original); status.ok()) {
    if (::fstat(original.get(), &info) != 0) status = ErrnoStatus("stat " + entry.hostName);
  }
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

// The parent folder of a path and its last component, found or not.
struct Jail::Located {
  ScopedFd parent;  // invalid when the parent is the root and `fs/` is missing
  bool exists = false;
  HostEntry entry;  // the entry when it exists; otherwise the host name to create
  std::optional<FolderState> parentState;  // when absent: the state that told so
};

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
                        ScopedFd* folder) const {
  if (Status status = CheckNames(parts); !status.ok()) return status;
  if (Status status = OpenRoot(folder); !status.ok()) return status;
  for (std::size_t i = 0; i < count; ++i) {
    HostEntry entry;
    bool found = false;
    if (Status status = FindIn(folder->get(), parts[i], &entry, &found); !status.ok()) {
      return status;
    }
    if (!found || !entry.IsFolder()) {
      return Status::Error(ERROR_PATH_NOT_FOUND, "no folder " + Utf16ToUtf8(parts[i]));
    }
    ScopedFd next;
    if (Status status = OpenEntry(folder->get(), entry, O_RDONLY, &next); !status.ok()) {
      return Status::Error(ERROR_PATH_NOT_FOUND, status.message());
    }
    *folder = std::move(next);
  }
  return Status::Ok();
}

Status Jail::Locate(const CePath& path, Located* located) const {
  if (Status status = CheckNames(path.parts); !status.ok()) return status;
  const std::size_t depth = path.parts.size() - 1;
  Status status = OpenFolder(path.parts, depth, &located->parent);
  if (!status.ok()) {
    located->parent.Reset();
    // A missing `fs/` is a device without files: its root holds nothing.
    if (depth == 0 && status.error() == ERROR_PATH_NOT_FOUND) return Status::Ok();
    return status;
  }
  status = FindIn(located->parent.get(), path.parts.back(), &located->entry, &located->exists,
                  &located->parentState);
  if (!located->exists) located->entry.hostName = HostName(path.parts.back());
  return status;
}

Status Jail::Stat(const CePath& path, EntryInfo* info) const {
  if (path.IsRoot()) {
    ScopedFd root;
    if (!OpenRoot(&root).ok()) return NotFound(ERROR_FILE_NOT_FOUND, path);
    *info = EntryInfo{};
    info->attributes = FILE_ATTRIBUTE_DIRECTORY;
    return Status::Ok();
  }
  Located located;
  if (Status status = Locate(path, &located); !status.ok()) return status;
  if (!located.exists) return NotFound(ERROR_FILE_NOT_FOUND, path);
  return Describe(located.parent.get(), located.entry, info);
}

Status Jail::List(const CePath& folderPath, std::u16string_view pattern,
                  std::vector<EntryInfo>* entries) const {
  entries->clear();
  if (!IsValidName(pattern, true)) {
    return Status::Error(ERROR_INVALID_NAME, "invalid pattern: " + Utf16ToUtf8(pattern));
  }
  ScopedFd folder;
  if (Status status = OpenFolder(folderPath.parts, folderPath.parts.size(), &folder);
      !status.ok()) {
    return status;
  }
  std::vector<HostEntry> matches;
  if (HasWildcards(pattern)) {
    if (Status status = ReadFolder(folder.get(), &matches); !status.ok()) return status;
    std::erase_if(matches,
                  [&](const HostEntry& entry) { return !MatchesWildcard(pattern, entry.name); });
  } else {
    HostEntry entry;
    bool found = false;
    if (Status status = FindIn(folder.get(), pattern, &entry, &found); !status.ok()) {
      return status;
    }
    if (found) matches.push_back(std::move(entry));
  }
  for (const HostEntry& match : matches) {
    EntryInfo info;
    // An entry removed since it was read is no longer listed.
    if (Describe(folder.get(), match, &info).ok()) entries->push_back(std::move(info));
  }
  std::sort(entries->begin(), entries->end(), [](const EntryInfo& a, const EntryInfo& b) {
    return LessIgnoringCase(a.name, b.name);
  });
  return Status::Ok();
}

Status Jail::OpenFile(const CePath& path, FileAccess access, Disposition disposition,
                      ScopedFd* file) const {
  if (path.IsRoot()) return Status::Error(ERROR_ACCESS_DENIED, "the root is a folder");
  Located located;
  if (Status status = Locate(path, &located); !status.ok()) return status;
  const int accessFlags = access == FileAccess::kRead    ? O_RDONLY
                          : access == FileAccess::kWrite ? O_WRONLY
                                                         : O_RDWR;
  if (located.exists) {
    if (disposition == Disposition::kCreateNew) {
      return Status::Error(ERROR_FILE_EXISTS, "exists: " + Utf16ToUtf8(path.ToText()));
    }
    if (located.entry.IsFolder()) {
      return Status::Error(ERROR_ACCESS_DENIED, "a folder: " + Utf16ToUtf8(path.ToText()));
    }
    const bool writing = access != FileAccess::kRead;
    if (writing && open_files::IsOpen(located.entry.info)) return InUse(path);
    if (Status status = OpenEntry(located.parent.get(), located.entry, accessFlags, file);
        !status.ok()) {
      return status;
    }
    if (writing) {
      if ((ReadStoredAttributes(file->get()) & FILE_ATTRIBUTE_READONLY) != 0) {
        file->Reset();
        return Status::Error(ERROR_ACCESS_DENIED, "read-only: " + Utf16ToUtf8(path.ToText()));
      }
      if (located.entry.info.st_nlink > 1) {
        const bool keepContent = disposition != Disposition::kCreateAlways;
        if (Status status = Unshare(located.parent.get(), located.entry, keepContent, file);
            !status.ok()) {
          file->Reset();
          return status;
        }
      }
      if (disposition == Disposition::kCreateAlways && ::ftruncate(file->get(), 0) != 0) {
        return ErrnoStatus("truncate " + Utf16ToUtf8(path.ToText()));
      }
    }
    return Status::Ok();
  }
  if (disposition == Disposition::kOpenExisting) return NotFound(ERROR_FILE_NOT_FOUND, path);
  if (!located.parent.valid()) return NotFound(ERROR_PATH_NOT_FOUND, path);
  file->Reset(::openat(located.parent.get(), located.entry.hostName.c_str(),
                       accessFlags | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
  if (!file->valid()) {
    // The name is taken by something that is not part of the device (a link, ...).
    if (errno == EEXIST) {
      return Status::Error(disposition == Disposition::kCreateNew ? ERROR_FILE_EXISTS
                                                                  : ERROR_ACCESS_DENIED,
                           "name taken on the host: " + Utf16ToUtf8(path.ToText()));
    }
    return ErrnoStatus("create " + Utf16ToUtf8(path.ToText()));
  }
  if (located.parentState) {
    folder_names::Added(located.parent.get(), *located.parentState, path.parts.back());
  }
  return Status::Ok();
}

Status Jail::MakeFolder(const CePath& path) const {
  if (path.IsRoot()) return Status::Error(ERROR_ALREADY_EXISTS, "the root exists");
  Located located;
  if (Status status = Locate(path, &located); !status.ok()) return status;
  if (located.exists) {
    return Status::Error(ERROR_ALREADY_EXISTS, "exists: " + Utf16ToUtf8(path.ToText()));
  }
  if (!located.parent.valid()) return NotFound(ERROR_PATH_NOT_FOUND, path);
  if (::mkdirat(located.parent.get(), located.entry.hostName.c_str(), 0777) != 0) {
    return ErrnoStatus("create folder " + Utf16ToUtf8(path.ToText()));
  }
  if (located.parentState) {
    folder_names::Added(located.parent.get(), *located.parentState, path.parts.back());
  }
  return Status::Ok();
}

Status Jail::RemoveFile(const CePath& path) const {
  if (path.IsRoot()) return Status::Error(ERROR_ACCESS_DENIED, "the root is a folder");
  Located located;
  if (Status status = Locate(path, &located); !status.ok()) return status;
  if (!located.exists) return NotFound(ERROR_FILE_NOT_FOUND, path);
  if (located.entry.IsFolder()) {
    return Status::Error(ERROR_ACCESS_DENIED, "a folder: " + Utf16ToUtf8(path.ToText()));
  }
  // Before any descriptor of ours is open on the file (see open_files.h).
  if (open_files::IsOpen(located.entry.info)) return InUse(path);
  ScopedFd file;
  if (Status status = OpenEntry(located.parent.get(), located.entry, O_RDONLY, &file);
      !status.ok()) {
    return status;
  }
  if ((ReadStoredAttributes(file.get()) & FILE_ATTRIBUTE_READONLY) != 0) {
    return Status::Error(ERROR_ACCESS_DENIED, "read-only: " + Utf16ToUtf8(path.ToText()));
  }
  FolderState before;
  const bool known = StateOf(located.parent.get(), &before);
  if (::unlinkat(located.parent.get(), located.entry.hostName.c_str(), 0) != 0) {
    return ErrnoStatus("delete " + Utf16ToUtf8(path.ToText()));
  }
  if (known) folder_names::Removed(located.parent.get(), before, located.entry.name);
  return Status::Ok();
}

Status Jail::Move(const CePath& from, const CePath& to) const {
  if (from.IsRoot() || to.IsRoot()) return Status::Error(ERROR_ACCESS_DENIED, "the root");
  Located source;
  if (Status status = Locate(from, &source); !status.ok()) return status;
  if (!source.exists) return NotFound(ERROR_FILE_NOT_FOUND, from);
  Located target;
  if (Status status = Locate(to, &target); !status.ok()) return status;
  if (!target.parent.valid()) return NotFound(ERROR_PATH_NOT_FOUND, to);
  struct stat sourceFolder;
  struct stat targetFolder;
  if (::fstat(source.parent.get(), &sourceFolder) != 0 ||
      ::fstat(target.parent.get(), &targetFolder) != 0) {
    return ErrnoStatus("stat " + Utf16ToUtf8(to.ToText()));
  }
  const bool sameFolder = SameFile(sourceFolder, targetFolder);
  if (target.exists) {
    // Only the entry itself may take another spelling of its name.
    if (!sameFolder || !SameFile(source.entry.info, target.entry.info)) {
      return Status::Error(ERROR_ALREADY_EXISTS, "exists: " + Utf16ToUtf8(to.ToText()));
    }
    if (source.entry.hostName == HostName(to.parts.back())) return Status::Ok();
    target.entry.hostName = HostName(to.parts.back());
  }
  if (!source.entry.IsFolder() && open_files::IsOpen(source.entry.info)) return InUse(from);
  FolderState sourceBefore;
  FolderState targetBefore;
  const bool sourceKnown = StateOf(source.parent.get(), &sourceBefore);
  const bool targetKnown = StateOf(target.parent.get(), &targetBefore);
  if (RenameNoReplace(source.parent.get(), source.entry.hostName, target.parent.get(),
                      target.entry.hostName) != 0) {
    return ErrnoStatus("rename " + Utf16ToUtf8(from.ToText()));
  }
  if (sourceKnown) folder_names::Removed(source.parent.get(), sourceBefore, source.entry.name);
  FolderState now;
  if (sameFolder ? StateOf(target.parent.get(), &now) : targetKnown) {
    folder_names::Added(target.parent.get(), sameFolder ? now : targetBefore, to.parts.back());
  }
  return Status::Ok();
}

Status Jail::Replace(const CePath& destination, const CePath& source) const {
  Located to;
  Located from;
  if (destination.IsRoot() || source.IsRoot()) return NotFound(ERROR_FILE_NOT_FOUND, source);
  if (Status status = Locate(destination, &to); !status.ok()) return status;
  if (Status status = Locate(source, &from); !status.ok()) return status;
  if (!to.exists || to.entry.IsFolder()) return NotFound(ERROR_FILE_NOT_FOUND, destination);
  if (!from.exists || from.entry.IsFolder()) return NotFound(ERROR_FILE_NOT_FOUND, source);
  if (SameFile(to.entry.info, from.entry.info)) {
    return Status::Error(ERROR_ACCESS_DENIED, "one file: " + Utf16ToUtf8(source.ToText()));
  }
  if (open_files::IsOpen(to.entry.info)) return InUse(destination);
  if (open_files::IsOpen(from.entry.info)) return InUse(source);
  ScopedFd old;
  ScopedFd replacement;
  if (Status status = OpenEntry(to.parent.get(), to.entry, O_RDONLY, &old); !status.ok()) {
    return status;
  }
  const DWORD attributes = ReadStoredAttributes(old.get());
  if ((attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    return Status::Error(ERROR_ACCESS_DENIED, "read-only: " + Utf16ToUtf8(destination.ToText()));
  }
  if (Status status = OpenEntry(from.parent.get(), from.entry, O_RDONLY, &replacement);
      !status.ok()) {
    return status;
  }
  // The destination keeps what belongs to it rather than to its content; a source with
  // other hard links gets a file of its own first, so that they keep theirs.
  const mode_t mode = to.entry.info.st_mode & 07777;
  const bool newMode = (from.entry.info.st_mode & 07777) != mode;
  const bool newAttributes = ReadStoredAttributes(replacement.get()) != attributes;
  if ((newMode || newAttributes) && from.entry.info.st_nlink > 1) {
    if (Status status = Unshare(from.parent.get(), from.entry, true, &replacement); !status.ok()) {
      return status;
    }
  }
  if (newMode && ::fchmod(replacement.get(), mode) != 0) {
    return ErrnoStatus("chmod " + Utf16ToUtf8(source.ToText()));
  }
  if (newAttributes) {
    if (Status status = WriteStoredAttributes(replacement.get(), attributes); !status.ok()) {
      return status;
    }
  }
  FolderState sourceBefore;
  FolderState destinationBefore;
  const bool sourceKnown = StateOf(from.parent.get(), &sourceBefore);
  const bool destinationKnown = StateOf(to.parent.get(), &destinationBefore);
  if (::renameat(from.parent.get(), from.entry.hostName.c_str(), to.parent.get(),
                 to.entry.hostName.c_str()) != 0) {
    return ErrnoStatus("replace " + Utf16ToUtf8(destination.ToText()));
  }
  if (sourceKnown) folder_names::Removed(from.parent.get(), sourceBefore, from.entry.name);
  if (destinationKnown) folder_names::Touched(to.parent.get(), destinationBefore);
  return Status::Ok();
}

Status Jail::SetAttributes(const CePath& path, DWORD attributes) const {
  if (path.IsRoot()) return Status::Error(ERROR_ACCESS_DENIED, "the root keeps no attributes");
  Located located;
  if (Status status = Locate(path, &located); !status.ok()) return status;
  if (!located.exists) return NotFound(ERROR_FILE_NOT_FOUND, path);
  ScopedFd fd;
  if (Status status = OpenEntry(located.parent.get(), located.entry, O_RDONLY, &fd);
      !status.ok()) {
    return status;
  }
  // The attributes of a file with other hard links are its own, not theirs.
  if (!located.entry.IsFolder() && located.entry.info.st_nlink > 1) {
    if (Status status = Unshare(located.parent.get(), located.entry, true, &fd); !status.ok()) {
      return status;
    }
  }
  return WriteStoredAttributes(fd.get(), attributes);
}

}  // namespace emu
