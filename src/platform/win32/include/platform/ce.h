// The Windows CE calls that the system makes, answered by desktop Windows.
//
// Every call is the real Win32 call of the same name, with the Win32 types (WCHAR is
// wchar_t, a 16-bit unit on Windows). Where desktop Windows does differently from CE in
// a way the system relies on, the call is adapted, keeping its CE name and contract:
//
//   FindFirstFileW, FindNextFileW  never report "." and "..", as CE does not.
//   RegCreateKeyExW, RegOpenKeyExW  take a subkey with one leading backslash, and a
//                                   requested access of 0 means read and write.
//   CreateProcessW                  takes the arguments alone, starts the program with a
//                                   desktop command line and needs no start-up info.
//   SHGetSpecialFolderPath          gives the folder without its drive letter.
//   SHCreateShortcut                makes a shell link (IShellLinkW and IPersistFile).
//   DeleteAndRenameFile             (CE only) renames the source over the destination
//                                   with MoveFileExW, keeping the destination's attributes.
//   ce::fopen, ce::gzopen           deny writers while the file is open, as CE does.
//
// Where desktop Windows answers differently from the emulated device on purpose, the
// desktop's answer stands:
//
//   CreateProcessW   a bare program name (no backslash) is searched for as the desktop
//                    searches a command line's program (the updater's folder, the
//                    current folder, the system folders, PATH), not in \Windows and
//                    then \; ".exe" is added to a bare name without an extension, never
//                    to a full path, which names the file as it is.
//   SHGetSpecialFolderPath  the folders are those of the Windows installation or Wine
//                    prefix (\Program Files, the user's Start Menu\Programs, \windows),
//                    not the device's \Program Files, \Windows\Start Menu\Programs and
//                    \Windows.
//   FindWindowW      of several top-level windows with the same title, the one Windows
//                    chooses (in practice the topmost), not the first created.
//   File calls       symbolic links and junctions on the drive are followed as Windows
//                    follows them, also to places outside the drive's folders; the
//                    device never leaves its file system.
//   SHCreateShortcut the shortcut is a shell link, not CE's "N#target" text; a target
//                    text in doubled quotes (a target given in quotes and quoted once
//                    more) is read without its outer pair, so that the link starts the
//                    program that the device's shortcut text names. A text that names no
//                    program ("", " -x") makes no shortcut: a shell link needs one.
//
// Paths are CE paths: a path rooted at a backslash lies on the drive of the current
// folder, so the updater works on the current drive as CE works on its one root. The C
// run-time names live in namespace `ce` (ce::fopen, ...), as in the emulated backend.
//
// Include this header before <windows.h> or any header that includes it: it reads
// <windows.h> itself, with the adapted declarations out of the way.
#pragma once

// The desktop declarations of the adapted calls are renamed while <windows.h> is read,
// so that the CE versions below take the names. The real WinMain takes narrow text; the
// program's WinMain takes the wide text, as on CE.
#define WinMain DesktopWinMain
#define FindFirstFileW DesktopFindFirstFileW
#define FindNextFileW DesktopFindNextFileW
#define RegCreateKeyExW DesktopRegCreateKeyExW
#define RegOpenKeyExW DesktopRegOpenKeyExW
#define CreateProcessW DesktopCreateProcessW
#include <windows.h>
#undef WinMain
#undef FindFirstFileW
#undef FindNextFileW
#undef RegCreateKeyExW
#undef RegOpenKeyExW
#undef CreateProcessW

#include <cstdio>
#include <cwchar>

#include "platform/win32_adaptations.h"

// ---- Entry point ------------------------------------------------------------------------

// Provided by the program. `commandLine` is the text after the program's own path.
int WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPWSTR commandLine, int showCommand);

// ---- Adapted calls ----------------------------------------------------------------------

inline HANDLE FindFirstFileW(LPCWSTR fileName, WIN32_FIND_DATAW* findData) {
  return ce::win32::FindFirstEntry(fileName, findData);
}

inline BOOL FindNextFileW(HANDLE findFile, WIN32_FIND_DATAW* findData) {
  return ce::win32::FindNextEntry(findFile, findData);
}

inline LONG RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR className,
                            DWORD options, REGSAM samDesired,
                            SECURITY_ATTRIBUTES* securityAttributes, PHKEY result,
                            LPDWORD disposition) {
  return ce::win32::CreateKey(key, subKey, reserved, className, options, samDesired,
                              securityAttributes, result, disposition);
}

inline LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM samDesired,
                          PHKEY result) {
  return ce::win32::OpenKey(key, subKey, options, samDesired, result);
}

inline BOOL DeleteAndRenameFile(LPCWSTR destination, LPCWSTR source) {
  return ce::win32::ReplaceFileByRename(destination, source);
}

inline BOOL CreateProcessW(LPCWSTR applicationName, LPWSTR commandLine,
                           SECURITY_ATTRIBUTES* processAttributes,
                           SECURITY_ATTRIBUTES* threadAttributes, BOOL inheritHandles,
                           DWORD creationFlags, LPVOID environment, LPCWSTR currentDirectory,
                           STARTUPINFOW* startupInfo, PROCESS_INFORMATION* processInformation) {
  return ce::win32::StartProgram(applicationName, commandLine, processAttributes, threadAttributes,
                                 inheritHandles, creationFlags, environment, currentDirectory,
                                 startupInfo, processInformation);
}

// ---- Module and shell -------------------------------------------------------------------

constexpr int CSIDL_PROGRAMS = 0x0002;
constexpr int CSIDL_WINDOWS = 0x0024;
constexpr int CSIDL_PROGRAM_FILES = 0x0026;

inline BOOL SHGetSpecialFolderPath(HWND owner, LPWSTR path, int folder, BOOL create) {
  return ce::win32::SpecialFolderPath(owner, path, folder, create);
}

inline BOOL SHCreateShortcut(LPWSTR shortcut, LPWSTR target) {
  return ce::win32::CreateShellShortcut(shortcut, target);
}

// ---- C run-time on CE paths -------------------------------------------------------------

namespace ce {

using ::wcscmp;
using ::wcslen;

using FILE = std::FILE;
using fpos_t = std::fpos_t;

// `path` is narrow text in the code page CP_ACP.
inline FILE* fopen(const char* path, const char* mode) {
  return ce::win32::OpenSharedFile(path, mode);
}
inline gzFile gzopen(const char* path, const char* mode) {
  return ce::win32::OpenSharedGzip(path, mode);
}

using std::fclose;
using std::fgetpos;
using std::fread;
using std::fseek;
using std::fsetpos;
using std::ftell;
using std::fwrite;

}  // namespace ce
