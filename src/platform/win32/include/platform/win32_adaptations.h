// The calls that desktop Windows answers differently from CE, adapted to CE's contract.
// platform/ce.h gives them their CE names; the backend's own files, which see the real
// desktop declarations, implement them under these names. Include <windows.h> (or
// platform/ce.h) first. All are safe to call from several threads.
#pragma once

#include <cstdio>

// zlib's handle of a gzip file (its <zlib.h> declares it the same way).
struct gzFile_s;
using gzFile = gzFile_s*;

namespace ce::win32 {

// FindFirstFileW and FindNextFileW, passing over "." and "..".
HANDLE FindFirstEntry(LPCWSTR fileName, WIN32_FIND_DATAW* findData);
BOOL FindNextEntry(HANDLE findFile, WIN32_FIND_DATAW* findData);

// RegCreateKeyExW and RegOpenKeyExW. One leading backslash of `subKey` is dropped (desktop
// Windows refuses it with ERROR_BAD_PATHNAME); `samDesired` 0, which CE ignores, asks for
// KEY_READ | KEY_WRITE.
LONG CreateKey(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR className, DWORD options,
               REGSAM samDesired, SECURITY_ATTRIBUTES* securityAttributes, PHKEY result,
               LPDWORD disposition);
LONG OpenKey(HKEY key, LPCWSTR subKey, DWORD options, REGSAM samDesired, PHKEY result);

// CreateProcessW with CE's arguments: `commandLine` holds the arguments alone (null is
// none). An application path without a backslash is searched for as the desktop does
// for a program named on a command line (".exe" appended when it has no extension);
// otherwise the program is that file. `startupInfo` may be null.
BOOL StartProgram(LPCWSTR applicationName, LPWSTR commandLine,
                  SECURITY_ATTRIBUTES* processAttributes, SECURITY_ATTRIBUTES* threadAttributes,
                  BOOL inheritHandles, DWORD creationFlags, LPVOID environment,
                  LPCWSTR currentDirectory, STARTUPINFOW* startupInfo,
                  PROCESS_INFORMATION* processInformation);

// SHGetSpecialFolderPathW, with the leading "X:" of the result dropped: the folder on
// the current drive, in CE's form.
BOOL SpecialFolderPath(HWND owner, LPWSTR path, int folder, BOOL create);

// CE's SHCreateShortcut: `target` is a program path, in double quotes when it holds
// spaces, optionally followed by arguments. Writes a shell link at `shortcut` whose path
// is the program (made absolute) and whose arguments are the rest. Fails, writing
// nothing, when either text is null or empty, when `shortcut` exists or its folder is
// missing.
BOOL CreateShellShortcut(LPCWSTR shortcut, LPCWSTR target);

// CE's DeleteAndRenameFile: the file `destination` takes the content of the file `source`
// in one rename (MoveFileExW replacing it), keeping its own attribute word; `source` is
// gone. Fails changing nothing when either is missing or a folder (ERROR_FILE_NOT_FOUND),
// is open (ERROR_SHARING_VIOLATION, where a plain rename over an open destination gives
// ERROR_ACCESS_DENIED), when both are one file or the destination is read-only
// (ERROR_ACCESS_DENIED), or when Windows refuses the rename.
BOOL ReplaceFileByRename(LPCWSTR destination, LPCWSTR source);

// The C run-time's fopen and zlib's gzopen (narrow paths in CP_ACP), opening the file so
// that, while it is open, no one can open it for writing (ERROR_SHARING_VIOLATION), as CE
// refuses within the process; the desktop lets writers in. Deleting or replacing it fails
// as for every C run-time file. OpenSharedGzip adapts the reading modes alone.
std::FILE* OpenSharedFile(const char* path, const char* mode);
gzFile OpenSharedGzip(const char* path, const char* mode);

}  // namespace ce::win32
