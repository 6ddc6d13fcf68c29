// CE's SHCreateShortcut on desktop Windows: a shell link made with IShellLinkW and saved
// with IPersistFile.
#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include <string>

#include "com_ptr.h"
#include "platform/win32_adaptations.h"
#include "shortcut_target.h"

namespace {

// COM for the calling thread, for one call: uninitialised again only when this call
// initialised it. A thread already in another apartment keeps it.
class ComScope {
 public:
  ComScope() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
  ~ComScope() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  bool usable() const { return SUCCEEDED(result_) || result_ == RPC_E_CHANGED_MODE; }

 private:
  const HRESULT result_;
};

// The absolute form of `path` (a path rooted at a backslash lies on the current drive).
std::wstring FullPath(const std::wstring& path) {
  const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return path;
  std::wstring full(size, L'\0');
  const DWORD length = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
  if (length == 0 || length >= size) return path;
  full.resize(length);
  return full;
}

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

BOOL FailWith(HRESULT result) {
  return Fail(HRESULT_FACILITY(result) == FACILITY_WIN32 ? HRESULT_CODE(result)
                                                         : ERROR_WRITE_FAULT);
}

}  // namespace

namespace ce::win32 {

BOOL CreateShellShortcut(LPCWSTR shortcut, LPCWSTR target) {
  if (shortcut == nullptr || shortcut[0] == 0 || target == nullptr || target[0] == 0) {
    return Fail(ERROR_INVALID_PARAMETER);
  }
  if (GetFileAttributesW(shortcut) != INVALID_FILE_ATTRIBUTES) return Fail(ERROR_FILE_EXISTS);
  const ShortcutTarget parts = SplitShortcutTarget(target);
  if (parts.program.empty()) return Fail(ERROR_INVALID_PARAMETER);

  const ComScope com;
  if (!com.usable()) return Fail(ERROR_NOT_SUPPORTED);
  ComPtr<IShellLinkW> link;
  HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                    link.OutParameter());
  if (FAILED(result)) return FailWith(result);
  result = link->SetPath(FullPath(parts.program).c_str());
  if (SUCCEEDED(result) && !parts.arguments.empty()) {
    result = link->SetArguments(parts.arguments.c_str());
  }
  if (FAILED(result)) return FailWith(result);
  ComPtr<IPersistFile> file;
  result = link->QueryInterface(IID_IPersistFile, file.OutParameter());
  if (SUCCEEDED(result)) result = file->Save(FullPath(shortcut).c_str(), TRUE);
  if (FAILED(result)) return FailWith(result);
  return TRUE;
}

}  // namespace ce::win32
