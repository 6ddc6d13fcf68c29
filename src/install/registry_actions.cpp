// "Registry.WriteValue": one value under HKLM or HKCU, nothing expanded.
#include <climits>
#include <cstdint>

#include "install/actions.h"
#include "install/registry.h"

namespace {

// Decimal text as the C run-time's atoi reads it: leading white space, one sign, digits
// up to the first other byte, no digits giving 0. Out-of-range numbers saturate.
std::int32_t ParseDecimal(const char* text) {
  if (text == nullptr) return 0;
  while (*text == ' ' || (*text >= '\t' && *text <= '\r')) ++text;
  const bool negative = *text == '-';
  if (*text == '-' || *text == '+') ++text;
  std::int64_t magnitude = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    magnitude = magnitude * 10 + (*text - '0');
    if (magnitude > std::int64_t{INT32_MAX} + 1) magnitude = std::int64_t{INT32_MAX} + 1;
  }
  const std::int64_t value = negative ? -magnitude : magnitude;
  return static_cast<std::int32_t>(value > INT32_MAX ? INT32_MAX : value);
}

// The root named by the first four characters of `key`, or null.
HKEY RootOf(const String& key) {
  if (key.MatchesAt(0, String(TEXT("HKLM")))) return HKEY_LOCAL_MACHINE;
  if (key.MatchesAt(0, String(TEXT("HKCU")))) return HKEY_CURRENT_USER;
  return nullptr;
}

}  // namespace

void WriteRegistryValue(InstallScript& /*script*/, XmlNode& action) {
  const String key = action.GetAttributeString("key");
  const String valueName = action.GetAttributeString("valueName");
  const String dataType = action.GetAttributeString("dataType");
  if (key.length <= 4) return;
  const HKEY root = RootOf(key);
  if (root == nullptr) return;
  const OpenedRegistryKey opened = OpenRegistryKey(root, key.data + 4);
  if (opened == nullptr) return;

  if (dataType.Equals(TEXT("dword"))) {
    const std::int32_t number = ParseDecimal(action.GetAttribute("value"));
    const BYTE bytes[4] = {static_cast<BYTE>(number), static_cast<BYTE>(number >> 8),
                           static_cast<BYTE>(number >> 16), static_cast<BYTE>(number >> 24)};
    RegSetValueExW(opened->handle, valueName.data, 0, REG_DWORD, bytes, 4);
  } else {
    const String value = action.GetAttributeString("value");
    RegSetValueExW(opened->handle, valueName.data, 0, REG_SZ,
                   reinterpret_cast<const BYTE*>(value.data),
                   static_cast<DWORD>((value.length + 1) * 2));
  }
}
