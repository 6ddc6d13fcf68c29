// Jail: the device's file system, the host folder `fs/` that stands for `\`.
//
// Every operation takes a parsed CePath and finds it from `fs/` one component at a time
// with openat and O_NOFOLLOW, so nothing outside `fs/` is ever read, written, created or
// deleted: `..` was resolved before the walk, and a symbolic link, at any depth, is never
// followed. Only regular files and folders whose host names are valid CE names belong to
// the device; symbolic links, other host objects and other names are treated as absent
// (a name taken by one of them cannot be created either).
//
// Names are found without regard to case and keep the case they were created with; when
// the host holds several spellings of one name, the exact spelling wins, then the first
// in ordinal order.
//
// The folders that calls pass through stay open between calls, with their names, and are
// kept current with every change, whoever makes it (folder_cache.h); where that cannot
// be done, each call walks from `fs/`. A missing `fs/` behaves as a device without
// files: nothing is found, nothing can be created. A Jail is safe to use from several
// threads; it serves one call at a time.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ce_path.h"
#include "folder_cache.h"
#include "scoped_fd.h"
#include "status.h"

namespace emu {

// One entry of the device's file system as FindFirstFileW reports it.
struct EntryInfo {
  std::u16string name;   // as created
  DWORD attributes = 0;  // the CE attribute word
  std::uint64_t size = 0;
  struct timespec lastWrite = {};
  struct timespec lastAccess = {};
  struct timespec created = {};  // the host keeps no creation time: the last write
};

enum class FileAccess { kRead, kWrite, kReadWrite };
enum class Disposition {
  kOpenExisting,  // fails when missing
  kCreateAlways,  // creates, or truncates an existing file
  kCreateNew,     // fails with ERROR_FILE_EXISTS when the entry exists
  kOpenAlways,    // creates when missing, keeps an existing file's content
};

// A folder on the way of a path: cached, or held open for one call.
struct JailFolder;

class Jail {
 public:
  // `root` is the host path of `fs/`.
  explicit Jail(std::string root);
  Jail(const Jail&) = delete;
  Jail& operator=(const Jail&) = delete;
  ~Jail();

  const std::string& root() const { return root_; }

  // The entry at `path`; the root is a folder. ERROR_FILE_NOT_FOUND when the last
  // component is missing, ERROR_PATH_NOT_FOUND when a folder on the way is.
  Status Stat(const CePath& path, EntryInfo* info) const;

  // Entries of the folder `path` whose names match `pattern` (wildcards allowed), in
  // ascending order of their names without regard to case.
  Status List(const CePath& folder, std::u16string_view pattern,
              std::vector<EntryInfo>* entries) const;

  // Opens a regular file. Writing to a read-only file fails with ERROR_ACCESS_DENIED,
  // writing to a file this process has open with ERROR_SHARING_VIOLATION; created files
  // get mode 0666 less the umask, never an execute bit. A file that has other hard links
  // is first replaced, under its name, by a copy of its own (an empty one when it is
  // truncated anyway), so that writing never reaches the other links.
  Status OpenFile(const CePath& path, FileAccess access, Disposition disposition,
                  ScopedFd* file) const;

  // Fails with ERROR_ALREADY_EXISTS when the entry exists, ERROR_PATH_NOT_FOUND when the
  // parent is missing.
  Status MakeFolder(const CePath& path) const;

  // Deletes a regular file; a folder gives ERROR_ACCESS_DENIED, as does a read-only file;
  // a file this process has open gives ERROR_SHARING_VIOLATION.
  Status RemoveFile(const CePath& path) const;

  // MoveFileW: renames a file or folder, atomically and never over an existing entry
  // (ERROR_ALREADY_EXISTS), except that an entry may take another case of its own name.
  // ERROR_FILE_NOT_FOUND when `from` is missing, ERROR_PATH_NOT_FOUND when the folder of
  // `to` is; a file this process has open gives ERROR_SHARING_VIOLATION.
  Status Move(const CePath& from, const CePath& to) const;

  // DeleteAndRenameFile: the file `destination` takes the content of the file `source` in
  // one rename, keeping its name, its attribute word and its host mode; `source` is gone.
  // ERROR_FILE_NOT_FOUND when either is missing or a folder, ERROR_ACCESS_DENIED when the
  // destination is read-only or both are one file, ERROR_SHARING_VIOLATION when this
  // process has either open. Fails changing nothing.
  Status Replace(const CePath& destination, const CePath& source) const;

  // Replaces the stored attribute bits of a file or folder (see dos_attributes.h).
  Status SetAttributes(const CePath& path, DWORD attributes) const;

 private:
  struct Located;
  // Each public call holds mutex_ and starts with Begin.
  void Begin() const;
  Status OpenRoot(ScopedFd* root) const;
  Status OpenFolder(const std::vector<std::u16string>& parts, std::size_t count,
                    JailFolder* folder) const;
  Status Locate(const CePath& path, Located* located) const;
  // The steps of OpenFile, Move and Replace.
  Status OpenExisting(const CePath& path, Located& located, FileAccess access,
                      Disposition disposition, ScopedFd* file) const;
  Status CreateNewFile(const CePath& path, Located& located, FileAccess access,
                       Disposition disposition, ScopedFd* file) const;
  // Tells the folder cache, or the name list of an uncached folder, of the entry at
  // `path` that this call has just made.
  void Made(Located& located, const CePath& path, EntryKind kind, std::uint64_t created = 0) const;
  Status TakeOwnName(Located& source, Located& target, const CePath& to, bool* unchanged) const;
  Status Rename(Located& source, Located& target, const CePath& from, const CePath& to,
                bool sameFolder) const;
  Status RenameOver(Located& destination, Located& source, const CePath& destinationPath) const;

  std::string root_;
  mutable std::mutex mutex_;
  const std::unique_ptr<FolderCache> cache_;
  mutable bool caching_ = false;  // for the call under way
};

}  // namespace emu
