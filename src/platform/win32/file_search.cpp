// File search without the "." and ".." entries that desktop Windows reports for every
// folder other than a root and CE never reports.
#include <windows.h>

#include "platform/win32_adaptations.h"

namespace {

bool IsDotEntry(const WIN32_FIND_DATAW& entry) {
  const wchar_t* const name = entry.cFileName;
  return name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0));
}

}  // namespace

namespace ce::win32 {

HANDLE FindFirstEntry(LPCWSTR fileName, WIN32_FIND_DATAW* findData) {
  const HANDLE search = ::FindFirstFileW(fileName, findData);
  if (search == INVALID_HANDLE_VALUE || !IsDotEntry(*findData)) return search;
  if (FindNextEntry(search, findData)) return search;
  // Only "." and "..": nothing was found.
  const DWORD error = GetLastError();
  FindClose(search);
  SetLastError(error == ERROR_NO_MORE_FILES ? ERROR_FILE_NOT_FOUND : error);
  return INVALID_HANDLE_VALUE;
}

BOOL FindNextEntry(HANDLE findFile, WIN32_FIND_DATAW* findData) {
  BOOL found;
  do {
    found = ::FindNextFileW(findFile, findData);
  } while (found && IsDotEntry(*findData));
  return found;
}

}  // namespace ce::win32
