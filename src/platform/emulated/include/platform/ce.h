// The Windows CE calls that the system makes, as the emulated device answers them.
//
// Every function here keeps the name, the arguments and the results of the CE call it
// stands for, with the CE types: WCHAR is a 16-bit unit, errors are the ERROR_* codes
// that GetLastError reports. Names that would clash with the host's C library live in
// namespace `ce` (ce::fopen, ce::wcslen, ...); the call sites still read like CE code.
//
// All functions are safe to call from several threads and several processes; the
// device behind them is chosen by CE_DEVICE and described in docs/device.md.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

// ---- Base types -------------------------------------------------------------------------

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using BOOL = int;
using UINT = unsigned int;
using SIZE_T = std::size_t;
using WCHAR = char16_t;
using CHAR = char;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;
using LPSTR = char*;
using LPCSTR = const char*;
using LPVOID = void*;
using LPCVOID = const void*;
using LPBYTE = BYTE*;
using LPDWORD = DWORD*;
using LPBOOL = BOOL*;
using HANDLE = void*;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using REGSAM = DWORD;

struct HKEY__;
using HKEY = HKEY__*;
using PHKEY = HKEY*;
struct HWND__;
using HWND = HWND__*;
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;
using HMODULE = HINSTANCE;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;
constexpr DWORD MAX_PATH = 260;

// Wide string literals in the platform's character type: TEXT("abc").
#define TEXT(quote) u##quote

// ---- Entry point ------------------------------------------------------------------------

// Provided by the program. `commandLine` is the text after the program's own path; the
// emulated entry point rebuilds it from the host arguments (docs/device.md).
int WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPWSTR commandLine, int showCommand);

// ---- Errors -----------------------------------------------------------------------------

constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_INVALID_DATA = 13;
constexpr DWORD ERROR_NO_MORE_FILES = 18;
constexpr DWORD ERROR_WRITE_FAULT = 29;
constexpr DWORD ERROR_READ_FAULT = 30;
constexpr DWORD ERROR_SHARING_VIOLATION = 32;
constexpr DWORD ERROR_NOT_SUPPORTED = 50;
constexpr DWORD ERROR_FILE_EXISTS = 80;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_DISK_FULL = 112;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
constexpr DWORD ERROR_INVALID_NAME = 123;
constexpr DWORD ERROR_DIR_NOT_EMPTY = 145;
constexpr DWORD ERROR_BAD_PATHNAME = 161;
constexpr DWORD ERROR_BUSY = 170;
constexpr DWORD ERROR_ALREADY_EXISTS = 183;
constexpr DWORD ERROR_FILENAME_EXCED_RANGE = 206;
constexpr DWORD ERROR_MORE_DATA = 234;
constexpr DWORD ERROR_NOT_OWNER = 288;
constexpr DWORD ERROR_NO_UNICODE_TRANSLATION = 1113;
constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 1400;
constexpr DWORD ERROR_BADDB = 1009;
constexpr DWORD ERROR_KEY_DELETED = 1018;

DWORD GetLastError();
void SetLastError(DWORD error);

// ---- Process heap and critical sections -------------------------------------------------

constexpr DWORD HEAP_ZERO_MEMORY = 0x00000008;

HANDLE GetProcessHeap();
LPVOID HeapAlloc(HANDLE heap, DWORD flags, SIZE_T bytes);
// With HEAP_ZERO_MEMORY, bytes beyond the old size are zero.
LPVOID HeapReAlloc(HANDLE heap, DWORD flags, LPVOID memory, SIZE_T bytes);
BOOL HeapFree(HANDLE heap, DWORD flags, LPVOID memory);

// Recursive for the owning thread, as on CE. The storage holds the lock that
// InitializeCriticalSection makes and DeleteCriticalSection ends.
struct CRITICAL_SECTION {
  alignas(std::max_align_t) unsigned char storage[64];
};
void InitializeCriticalSection(CRITICAL_SECTION* section);
void DeleteCriticalSection(CRITICAL_SECTION* section);
void EnterCriticalSection(CRITICAL_SECTION* section);
void LeaveCriticalSection(CRITICAL_SECTION* section);

// ---- Code pages (CP_ACP is Windows-1252) ------------------------------------------------

constexpr UINT CP_ACP = 0;
constexpr UINT CP_UTF8 = 65001;

// As on Windows: a count of -1 means zero-terminated (the zero is converted too); a
// destination size of 0 asks for the size needed. Never writes past the destination size.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multiByte, int multiByteCount,
                        LPWSTR wide, int wideCount);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int wideCount, LPSTR multiByte,
                        int multiByteCount, LPCSTR defaultChar, LPBOOL usedDefaultChar);

// ---- Files and folders ------------------------------------------------------------------

constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x01;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x02;
constexpr DWORD FILE_ATTRIBUTE_SYSTEM = 0x04;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;

inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(~std::uintptr_t{0});

struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};

struct WIN32_FIND_DATAW {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwOID;
  WCHAR cFileName[MAX_PATH];
};

struct SECURITY_ATTRIBUTES {
  DWORD nLength;
  LPVOID lpSecurityDescriptor;
  BOOL bInheritHandle;
};

HANDLE FindFirstFileW(LPCWSTR fileName, WIN32_FIND_DATAW* findData);
BOOL FindNextFileW(HANDLE findFile, WIN32_FIND_DATAW* findData);
BOOL FindClose(HANDLE findFile);
BOOL CreateDirectoryW(LPCWSTR pathName, SECURITY_ATTRIBUTES* securityAttributes);
BOOL DeleteFileW(LPCWSTR fileName);
// Renames a file or folder, also into another folder; fails with ERROR_ALREADY_EXISTS
// when `newFileName` exists (another case of the entry's own name excepted). Atomic.
BOOL MoveFileW(LPCWSTR existingFileName, LPCWSTR newFileName);
// The file `destination` takes the content of the file `source`, which is gone
// afterwards; both must exist and be files (else ERROR_FILE_NOT_FOUND). One atomic
// step: the destination holds its whole old or its whole new content at every moment.
BOOL DeleteAndRenameFile(LPCWSTR destination, LPCWSTR source);
DWORD GetFileAttributesW(LPCWSTR fileName);
BOOL SetFileAttributesW(LPCWSTR fileName, DWORD fileAttributes);

// ---- Module and shell -------------------------------------------------------------------

constexpr int CSIDL_PROGRAMS = 0x0002;
constexpr int CSIDL_WINDOWS = 0x0024;
constexpr int CSIDL_PROGRAM_FILES = 0x0026;

DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size);
BOOL SHGetSpecialFolderPath(HWND owner, LPWSTR path, int folder, BOOL create);
BOOL SHCreateShortcut(LPWSTR shortcut, LPWSTR target);

// ---- Registry ---------------------------------------------------------------------------

inline HKEY const HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(std::uintptr_t{0x80000000});
inline HKEY const HKEY_CURRENT_USER = reinterpret_cast<HKEY>(std::uintptr_t{0x80000001});
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(std::uintptr_t{0x80000002});
inline HKEY const HKEY_USERS = reinterpret_cast<HKEY>(std::uintptr_t{0x80000003});

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;

constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Results are ERROR_* codes, as LONG.
LONG RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR className, DWORD options,
                     REGSAM samDesired, SECURITY_ATTRIBUTES* securityAttributes, PHKEY result,
                     LPDWORD disposition);
LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM samDesired, PHKEY result);
LONG RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                      LPDWORD dataSize);
LONG RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                    DWORD dataSize);
LONG RegDeleteValueW(HKEY key, LPCWSTR valueName);
LONG RegCloseKey(HKEY key);

// ---- Processes --------------------------------------------------------------------------

struct STARTUPINFOW;  // CE takes none: always null.

struct PROCESS_INFORMATION {
  HANDLE hProcess;
  HANDLE hThread;
  DWORD dwProcessId;
  DWORD dwThreadId;
};

BOOL CreateProcessW(LPCWSTR applicationName, LPWSTR commandLine,
                    SECURITY_ATTRIBUTES* processAttributes, SECURITY_ATTRIBUTES* threadAttributes,
                    BOOL inheritHandles, DWORD creationFlags, LPVOID environment,
                    LPCWSTR currentDirectory, STARTUPINFOW* startupInfo,
                    PROCESS_INFORMATION* processInformation);
// Closes a process, thread or mutex handle.
BOOL CloseHandle(HANDLE object);

// ---- Named mutexes and waiting ----------------------------------------------------------

constexpr DWORD INFINITE = 0xFFFFFFFF;
constexpr DWORD WAIT_OBJECT_0 = 0x00000000;
constexpr DWORD WAIT_ABANDONED = 0x00000080;
constexpr DWORD WAIT_TIMEOUT = 0x00000102;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;

// A mutex shared by every process of the device under its name (compared exactly);
// GetLastError() is ERROR_ALREADY_EXISTS when it existed before. A null name gives a
// mutex of this process alone. Ownership belongs to the calling thread and is recursive.
HANDLE CreateMutexW(SECURITY_ATTRIBUTES* attributes, BOOL initialOwner, LPCWSTR name);
// WAIT_OBJECT_0 when the caller now owns the mutex, WAIT_ABANDONED when it owns it after
// its last owner ended without releasing it, WAIT_TIMEOUT, or WAIT_FAILED.
DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds);
// Fails with ERROR_NOT_OWNER unless the calling thread owns the mutex.
BOOL ReleaseMutex(HANDLE mutex);

// ---- Windows and messages ---------------------------------------------------------------

constexpr UINT WM_CLOSE = 0x0010;
inline HWND const HWND_BROADCAST = reinterpret_cast<HWND>(std::uintptr_t{0xFFFF});

HWND FindWindowW(LPCWSTR className, LPCWSTR windowName);
UINT RegisterWindowMessageW(LPCWSTR name);
BOOL PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// ---- C run-time on CE paths -------------------------------------------------------------

// zlib's handle of a gzip file (its <zlib.h> declares it the same way).
struct gzFile_s;
using gzFile = gzFile_s*;

namespace ce {

std::size_t wcslen(const WCHAR* text);
int wcscmp(const WCHAR* left, const WCHAR* right);

using FILE = std::FILE;
// A file position as CE's run-time library keeps it: a 64-bit offset.
using fpos_t = std::int64_t;

// `path` is narrow text in the device code page, a CE path. Modes "rb", "wb", "w+b", "r+b".
FILE* fopen(const char* path, const char* mode);
std::size_t fread(void* buffer, std::size_t size, std::size_t count, FILE* stream);
std::size_t fwrite(const void* buffer, std::size_t size, std::size_t count, FILE* stream);
int fseek(FILE* stream, long offset, int origin);
long ftell(FILE* stream);
int fgetpos(FILE* stream, fpos_t* position);
int fsetpos(FILE* stream, const fpos_t* position);
int fclose(FILE* stream);

// zlib's gzopen on a CE path; zlib's own gzread, gzclose and gzerror do the rest.
gzFile gzopen(const char* path, const char* mode);
#if defined(_FILE_OFFSET_BITS) && _FILE_OFFSET_BITS == 64
// With 64-bit file positions (a 32-bit host), <zlib.h> renames gzopen to gzopen64 in the
// files that include it: the same function, under the name those files call.
gzFile gzopen64(const char* path, const char* mode);
#endif

}  // namespace ce
