// Opening registry keys with CE's subkey paths and access words.
#include <windows.h>

#include "platform/win32_adaptations.h"

namespace {

// CE takes "\Software\A" for "Software\A"; desktop Windows refuses the leading backslash.
LPCWSTR DesktopSubKey(LPCWSTR subKey) {
  return subKey != nullptr && subKey[0] == L'\\' ? subKey + 1 : subKey;
}

// CE ignores the requested access and every key it opens can be read and written.
REGSAM DesktopAccess(REGSAM samDesired) {
  return samDesired == 0 ? KEY_READ | KEY_WRITE : samDesired;
}

}  // namespace

namespace ce::win32 {

LONG CreateKey(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR className, DWORD options,
               REGSAM samDesired, SECURITY_ATTRIBUTES* securityAttributes, PHKEY result,
               LPDWORD disposition) {
  return ::RegCreateKeyExW(key, DesktopSubKey(subKey), reserved, className, options,
                           DesktopAccess(samDesired), securityAttributes, result, disposition);
}

LONG OpenKey(HKEY key, LPCWSTR subKey, DWORD options, REGSAM samDesired, PHKEY result) {
  return ::RegOpenKeyExW(key, DesktopSubKey(subKey), options, DesktopAccess(samDesired), result);
}

}  // namespace ce::win32
