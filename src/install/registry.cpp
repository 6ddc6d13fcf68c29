#include "install/registry.h"

#include <climits>

void CloseRegistryKey(RegistryKey* key) {
  if (key == nullptr) return;
  if (key->handle != nullptr) RegCloseKey(key->handle);
  key->handle = nullptr;
  delete key;
}

OpenedRegistryKey OpenRegistryKey(HKEY root, const WCHAR* keyPath) {
  HKEY handle = nullptr;
  DWORD disposition = 0;
  if (RegCreateKeyExW(root, keyPath, 0, nullptr, 0, 0, nullptr, &handle, &disposition) !=
      ERROR_SUCCESS) {
    return nullptr;
  }
  return OpenedRegistryKey(new RegistryKey{handle});
}

String ReadRegistryString(const RegistryKey* key, const WCHAR* valueName) {
  String text(TEXT(""));
  if (key == nullptr || key->handle == nullptr) return text;
  DWORD size = 0;
  if (RegQueryValueExW(key->handle, valueName, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS ||
      size == 0) {
    return text;
  }
  // The stored text is expected to end with one zero character, which the count drops.
  text.Resize(static_cast<std::int32_t>((size - 1) / 2));
  DWORD read = size;
  if (RegQueryValueExW(key->handle, valueName, nullptr, nullptr, reinterpret_cast<BYTE*>(text.data),
                       &read) != ERROR_SUCCESS) {
    text.Resize(0);  // the value grew meanwhile: no half-read text
    return text;
  }
  // A value that shrank meanwhile leaves units that were never written: drop them.
  if (read < size) text.length = read == 0 ? 0 : static_cast<std::int32_t>((read - 1) / 2);
  // Data without a final zero (or an odd size) overwrote the terminator.
  text.data[text.length] = 0;
  return text;
}

void ReadProductRecord(const String& productId, const String& version, String& installPath,
                       String& exeName) {
  String productVersion(version);
  if (productVersion.length <= 0) {
    const String productKey = String(TEXT("\\Software\\Kelmora\\{ProductID}"))
                                  .Replace(String(TEXT("{ProductID}")), productId);
    const OpenedRegistryKey key = OpenRegistryKey(HKEY_LOCAL_MACHINE, productKey.data);
    productVersion = ReadRegistryString(key.get(), TEXT("LastAccessedVersion"));
    if (productVersion.length <= 0) {
      installPath.AssignCString(nullptr);
      exeName.AssignCString(nullptr);
      return;
    }
  }
  const String versionKey = String(TEXT("\\Software\\Kelmora\\{ProductID}\\{Version}"))
                                .Replace(String(TEXT("{ProductID}")), productId)
                                .Replace(String(TEXT("{Version}")), productVersion);
  const OpenedRegistryKey key = OpenRegistryKey(HKEY_LOCAL_MACHINE, versionKey.data);
  installPath = ReadRegistryString(key.get(), TEXT("InstallPath"));
  exeName = ReadRegistryString(key.get(), TEXT("Exe"));
}

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
