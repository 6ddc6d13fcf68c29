// Special folders in CE's form: the desktop folder without its drive letter, so that it
// lies on the current drive like every other path the system builds.
#include <windows.h>

#include <shlobj.h>

#include <cwchar>

#include "platform/win32_adaptations.h"

namespace ce::win32 {

BOOL SpecialFolderPath(HWND owner, LPWSTR path, int folder, BOOL create) {
  if (!SHGetSpecialFolderPathW(owner, path, folder, create)) return FALSE;
  const bool hasDrive = ((path[0] | 0x20) >= L'a' && (path[0] | 0x20) <= L'z') && path[1] == L':';
  if (hasDrive) std::wmemmove(path, path + 2, std::wcslen(path + 2) + 1);
  return TRUE;
}

}  // namespace ce::win32
