// The registry as the device database holds it: keys in a tree under four roots, values
// under keys. Key and value names are compared without regard to case (through their
// folded keys) and keep their first spelling; data is kept as the bytes given.
//
// Every function works inside a transaction that the caller holds (Device::Read or
// Device::Write), so that a caller can combine several of them atomically. Outputs are
// unspecified after a failure.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ce.h"
#include "sqlite_db.h"
#include "status.h"

namespace emu::registry {

using KeyId = std::int64_t;

// The key ids of the four roots, in the order of their names.
constexpr KeyId kClassesRoot = 1;
constexpr KeyId kCurrentUser = 2;
constexpr KeyId kLocalMachine = 3;
constexpr KeyId kUsers = 4;

// The root of a predefined HKEY, or 0.
KeyId RootOf(HKEY key);
// "HKEY_LOCAL_MACHINE" and the like for a root id; empty for anything else.
std::u16string_view RootName(KeyId root);
// A root by its full name or its short form (HKLM, HKCU, HKCR, HKU), any case; 0 if none.
KeyId RootByName(std::u16string_view name);

// The components of a key path: split at backslashes, empty components (a leading or
// doubled backslash) ignored.
std::vector<std::u16string> SplitKeyPath(std::u16string_view path);

struct Value {
  std::u16string name;  // empty for the default value
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

struct SubKey {
  KeyId id = 0;
  std::u16string name;
};

// Whether `key` still exists (another process may have deleted it).
Status KeyExists(sql::Database& db, KeyId key, bool* exists);
// ERROR_FILE_NOT_FOUND when some component is missing.
Status FindKey(sql::Database& db, KeyId from, const std::vector<std::u16string>& path, KeyId* key);
Status CreateKey(sql::Database& db, KeyId from, const std::vector<std::u16string>& path, KeyId* key,
                 bool* created);
// The number of keys from the root down to `key`: 0 for a root, 1 for its subkeys.
Status KeyDepth(sql::Database& db, KeyId key, int* depth);
// The key's full path with its root's name, each name in its stored spelling.
Status KeyPath(sql::Database& db, KeyId key, std::u16string* path);
// Deletes the key with every subkey and value; a root keeps itself and loses the rest.
Status DeleteKeyTree(sql::Database& db, KeyId key);

// `*found` is false when the key has no such value.
Status QueryValue(sql::Database& db, KeyId key, std::u16string_view name, Value* value,
                  bool* found);
Status SetValue(sql::Database& db, KeyId key, std::u16string_view name, DWORD type,
                const BYTE* data, std::size_t size);
// ERROR_FILE_NOT_FOUND when the key has no such value.
Status DeleteValue(sql::Database& db, KeyId key, std::u16string_view name);

// Subkeys and values in ordinal order ignoring case.
Status ListSubKeys(sql::Database& db, KeyId key, std::vector<SubKey>* subKeys);
Status ListValues(sql::Database& db, KeyId key, std::vector<Value>* values);

}  // namespace emu::registry
