// The registry as install scripts reach it: opening keys (created when missing),
// reading texts, and the per-product version records.
//
// Version records live under HKEY_LOCAL_MACHINE:
//   \Software\Kelmora\{ProductID}            "LastAccessedVersion"
//   \Software\Kelmora\{ProductID}\{Version}  "InstallPath", "Exe"
// Reading them opens the keys with create-if-missing semantics, so a lookup leaves empty
// keys behind.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/ce.h"
#include "system/wide_string.h"

// The number of a "dword" value: decimal text as the C run-time's atoi reads it -
// leading white space, one sign, digits up to the first other byte, no digits (or a
// null text) giving 0. Out-of-range numbers saturate.
std::int32_t ParseDecimal(const char* text);

// One open key of the platform registry.
struct RegistryKey {
  HKEY handle = nullptr;
};

// Closes the key's handle, if any, and frees the cell; null is ignored.
void CloseRegistryKey(RegistryKey* key);

struct RegistryKeyCloser {
  void operator()(RegistryKey* key) const { CloseRegistryKey(key); }
};
using OpenedRegistryKey = std::unique_ptr<RegistryKey, RegistryKeyCloser>;

// Opens `keyPath` under `root`, creating it empty when missing; null when refused.
OpenedRegistryKey OpenRegistryKey(HKEY root, const WCHAR* keyPath);

// The value's bytes taken as UTF-16 text without its final zero; the empty String when
// the key is null, the value is missing or empty, or it changed between the size query
// and the read.
String ReadRegistryString(const RegistryKey* key, const WCHAR* valueName);

// The install folder and the executable of a product version; with an empty `version`
// the product's "LastAccessedVersion" is used. Either result may be empty.
void ReadProductRecord(const String& productId, const String& version, String& installPath,
                       String& exeName);
