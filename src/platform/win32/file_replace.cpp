// CE's DeleteAndRenameFile on desktop Windows, which has no such call: the source is
// renamed over the destination in one step, and the destination's attribute word, which
// the rename would take from the source, is put back.
#include <windows.h>

#include "platform/win32_adaptations.h"

namespace {

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

// Looks at the file at `path` through a handle opened for deletion, as the rename will
// open it; ERROR_FILE_NOT_FOUND when it is missing or a folder, ERROR_SHARING_VIOLATION
// when it is open without FILE_SHARE_DELETE (as every file of the C run-time is), where
// the rename itself would say ERROR_ACCESS_DENIED of an open destination.
DWORD Inspect(LPCWSTR path, BY_HANDLE_FILE_INFORMATION* information) {
  if (path == nullptr || path[0] == 0) return ERROR_FILE_NOT_FOUND;
  const HANDLE file =
      CreateFileW(path, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return error == ERROR_PATH_NOT_FOUND ? ERROR_FILE_NOT_FOUND : error;
  }
  const BOOL known = GetFileInformationByHandle(file, information);
  const DWORD error = known ? ERROR_SUCCESS : GetLastError();
  CloseHandle(file);
  if (known && (information->dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return ERROR_FILE_NOT_FOUND;
  }
  return error;
}

// The attribute bits that SetFileAttributesW sets; the others follow the file's content.
constexpr DWORD kSettableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                      FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                      FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE |
                                      FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

bool SameFile(const BY_HANDLE_FILE_INFORMATION& left, const BY_HANDLE_FILE_INFORMATION& right) {
  return left.dwVolumeSerialNumber == right.dwVolumeSerialNumber &&
         left.nFileIndexHigh == right.nFileIndexHigh && left.nFileIndexLow == right.nFileIndexLow;
}

}  // namespace

namespace ce::win32 {

BOOL ReplaceFileByRename(LPCWSTR destination, LPCWSTR source) {
  BY_HANDLE_FILE_INFORMATION target;
  BY_HANDLE_FILE_INFORMATION replacement;
  const DWORD targetError = Inspect(destination, &target);
  const DWORD replacementError = Inspect(source, &replacement);
  if (targetError == ERROR_FILE_NOT_FOUND || replacementError == ERROR_FILE_NOT_FOUND) {
    return Fail(ERROR_FILE_NOT_FOUND);
  }
  if (targetError != ERROR_SUCCESS) return Fail(targetError);
  if (replacementError != ERROR_SUCCESS) return Fail(replacementError);
  // Renamed onto itself, a file would keep its content and both its names. Windows refuses
  // to rename over a read-only file, Wine does not: it is checked here.
  if (SameFile(target, replacement) || (target.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) {
    return Fail(ERROR_ACCESS_DENIED);
  }
  if (!MoveFileExW(source, destination, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return FALSE;
  }
  // The content is in place: an attribute word that cannot be put back does not undo that.
  const DWORD attributes = target.dwFileAttributes & kSettableAttributes;
  if ((GetFileAttributesW(destination) & kSettableAttributes) != attributes) {
    SetFileAttributesW(destination, attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL);
  }
  return TRUE;
}

}  // namespace ce::win32
