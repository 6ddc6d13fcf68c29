#include "testing/win32/shell_links.h"

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

namespace test {

ShellLinkTarget ReadShellLink(const std::wstring& linkPath) {
  ShellLinkTarget target{L"<unreadable>", L""};
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IShellLinkW* link = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                 reinterpret_cast<void**>(&link)))) {
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
      wchar_t text[MAX_PATH] = {};
      if (SUCCEEDED(file->Load(linkPath.c_str(), STGM_READ)) &&
          SUCCEEDED(link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH))) {
        target.path = text;
        text[0] = 0;
        link->GetArguments(text, MAX_PATH);
        target.arguments = text;
      }
      file->Release();
    }
    link->Release();
  }
  if (SUCCEEDED(com)) CoUninitialize();
  return target;
}

bool SamePath(const std::wstring& left, const std::wstring& right) {
  return CompareStringOrdinal(left.c_str(), -1, right.c_str(), -1, TRUE) == CSTR_EQUAL;
}

}  // namespace test
