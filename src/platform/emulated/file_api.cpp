// The CE file and folder calls on the current device's file system.
#include <memory>
#include <mutex>
#include <unordered_set>
#include <vector>

#include "ce_path.h"
#include "device.h"
#include "platform/ce.h"

namespace {

using emu::CePath;
using emu::Status;

// One search between FindFirstFileW and FindClose: the entries found at its start.
struct Search {
  std::vector<emu::EntryInfo> entries;
  std::size_t next = 0;
};

std::mutex searchesMutex;
std::unordered_set<Search*>& Searches() {
  static std::unordered_set<Search*> searches;
  return searches;
}

FILETIME ToFileTime(const struct timespec& time) {
  // 100-nanosecond intervals since 1601-01-01.
  constexpr std::int64_t kEpochDifference = 11644473600;
  const std::int64_t ticks = (time.tv_sec + kEpochDifference) * 10000000 + time.tv_nsec / 100;
  const auto value = static_cast<std::uint64_t>(ticks < 0 ? 0 : ticks);
  return FILETIME{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
}

void Fill(const emu::EntryInfo& entry, WIN32_FIND_DATAW* data) {
  *data = WIN32_FIND_DATAW{};
  data->dwFileAttributes = entry.attributes;
  data->ftCreationTime = ToFileTime(entry.created);
  data->ftLastAccessTime = ToFileTime(entry.lastAccess);
  data->ftLastWriteTime = ToFileTime(entry.lastWrite);
  data->nFileSizeHigh = static_cast<DWORD>(entry.size >> 32);
  data->nFileSizeLow = static_cast<DWORD>(entry.size);
  const std::size_t length = std::min<std::size_t>(entry.name.size(), MAX_PATH - 1);
  entry.name.copy(data->cFileName, length);
  data->cFileName[length] = 0;
}

// The paths of a call, kept per thread so that the next call reuses their storage.
CePath& PathOfCall(int which) {
  thread_local CePath paths[2];
  return paths[which];
}

Status Parse(LPCWSTR text, CePath* path) {
  if (text == nullptr) return Status::Error(ERROR_INVALID_PARAMETER, "null path");
  return emu::ParseCePath(text, path);
}

}  // namespace

HANDLE FindFirstFileW(LPCWSTR fileName, WIN32_FIND_DATAW* findData) {
  if (fileName == nullptr || findData == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  CePath& path = PathOfCall(0);
  if (!emu::ParseCePath(fileName, &path, emu::WildcardsIn::kLastComponent).Report()) {
    return INVALID_HANDLE_VALUE;
  }
  // A search path that names no entry (empty, the root, a trailing separator) finds
  // nothing, as the Windows documentation says.
  if (path.IsRoot() || path.endsWithSeparator) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  const std::u16string pattern = path.parts.back();
  path.parts.pop_back();
  auto search = std::make_unique<Search>();
  if (!emu::CurrentDevice()->fileSystem().List(path, pattern, &search->entries).Report()) {
    return INVALID_HANDLE_VALUE;
  }
  if (search->entries.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  Fill(search->entries[search->next++], findData);
  std::lock_guard lock(searchesMutex);
  Searches().insert(search.get());
  return search.release();
}

BOOL FindNextFileW(HANDLE findFile, WIN32_FIND_DATAW* findData) {
  std::lock_guard lock(searchesMutex);
  auto* search = static_cast<Search*>(findFile);
  if (Searches().count(search) == 0 || findData == nullptr) {
    SetLastError(findData == nullptr ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (search->next >= search->entries.size()) {
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  Fill(search->entries[search->next++], findData);
  return TRUE;
}

BOOL FindClose(HANDLE findFile) {
  std::lock_guard lock(searchesMutex);
  auto* search = static_cast<Search*>(findFile);
  if (Searches().erase(search) == 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  delete search;
  return TRUE;
}

BOOL CreateDirectoryW(LPCWSTR pathName, SECURITY_ATTRIBUTES* /*securityAttributes*/) {
  CePath& path = PathOfCall(0);
  if (!Parse(pathName, &path).Report()) return FALSE;
  return emu::CurrentDevice()->fileSystem().MakeFolder(path).Report() ? TRUE : FALSE;
}

BOOL DeleteFileW(LPCWSTR fileName) {
  CePath& path = PathOfCall(0);
  if (!Parse(fileName, &path).Report()) return FALSE;
  return emu::CurrentDevice()->fileSystem().RemoveFile(path).Report() ? TRUE : FALSE;
}

DWORD GetFileAttributesW(LPCWSTR fileName) {
  CePath& path = PathOfCall(0);
  emu::EntryInfo entry;
  if (!Parse(fileName, &path).Report() ||
      !emu::CurrentDevice()->fileSystem().Stat(path, &entry).Report()) {
    return INVALID_FILE_ATTRIBUTES;
  }
  return entry.attributes;
}

BOOL SetFileAttributesW(LPCWSTR fileName, DWORD fileAttributes) {
  CePath& path = PathOfCall(0);
  if (!Parse(fileName, &path).Report()) return FALSE;
  return emu::CurrentDevice()->fileSystem().SetAttributes(path, fileAttributes).Report() ? TRUE
                                                                                         : FALSE;
}

BOOL MoveFileW(LPCWSTR existingFileName, LPCWSTR newFileName) {
  CePath& from = PathOfCall(0);
  CePath& to = PathOfCall(1);
  if (!Parse(existingFileName, &from).Report() || !Parse(newFileName, &to).Report()) return FALSE;
  return emu::CurrentDevice()->fileSystem().Move(from, to).Report() ? TRUE : FALSE;
}

BOOL DeleteAndRenameFile(LPCWSTR destination, LPCWSTR source) {
  CePath& to = PathOfCall(0);
  CePath& from = PathOfCall(1);
  if (!Parse(destination, &to).Report() || !Parse(source, &from).Report()) return FALSE;
  return emu::CurrentDevice()->fileSystem().Replace(to, from).Report() ? TRUE : FALSE;
}
