// The CE registry calls. An opened key is a process-wide handle that names a key of
// the current device's registry; a key deleted meanwhile by another process gives
// ERROR_KEY_DELETED. Like the Win32 registry calls, these return their error and leave
// GetLastError alone.
//
// The platform's limits hold: key and value names of at most 255 characters, keys at
// most 16 levels below their root. Beyond them RegCreateKeyExW creates or opens no key
// and RegSetValueExW sets no value (ERROR_INVALID_PARAMETER).
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "device.h"
#include "platform/ce.h"
#include "registry_store.h"

namespace {

namespace registry = emu::registry;
using emu::Status;

constexpr std::size_t kMaxNameLength = 255;
constexpr int kMaxKeyDepth = 16;

class KeyHandles {
 public:
  HKEY Add(registry::KeyId key) {
    std::lock_guard lock(mutex_);
    next_ += 4;
    keys_[next_] = key;
    return reinterpret_cast<HKEY>(next_);
  }
  // The key of a handle or a root; 0 for anything else.
  registry::KeyId Find(HKEY handle) {
    if (const registry::KeyId root = registry::RootOf(handle); root != 0) return root;
    std::lock_guard lock(mutex_);
    const auto found = keys_.find(reinterpret_cast<std::uintptr_t>(handle));
    return found == keys_.end() ? 0 : found->second;
  }
  bool Remove(HKEY handle) {
    std::lock_guard lock(mutex_);
    return keys_.erase(reinterpret_cast<std::uintptr_t>(handle)) != 0;
  }

 private:
  std::mutex mutex_;
  std::uintptr_t next_ = 0x10000;
  std::unordered_map<std::uintptr_t, registry::KeyId> keys_;
};

KeyHandles& Handles() {
  static KeyHandles handles;
  return handles;
}

// Runs `work` on the key behind `handle` inside one transaction.
template <typename Work>
LONG OnKey(HKEY handle, bool write, Work&& work) {
  const registry::KeyId key = Handles().Find(handle);
  if (key == 0) return static_cast<LONG>(ERROR_INVALID_HANDLE);
  auto run = [&](emu::sql::Database& db) {
    bool exists = false;
    if (Status status = registry::KeyExists(db, key, &exists); !status.ok()) return status;
    if (!exists) return Status::Error(ERROR_KEY_DELETED, "key deleted");
    return work(db, key);
  };
  const std::shared_ptr<emu::Device> device = emu::CurrentDevice();
  const Status status = write ? device->Write(run) : device->Read(run);
  return static_cast<LONG>(status.error());
}

std::u16string_view NameOf(LPCWSTR name) { return name == nullptr ? u"" : name; }

}  // namespace

LONG RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD /*reserved*/, LPWSTR /*className*/,
                     DWORD /*options*/, REGSAM /*samDesired*/,
                     SECURITY_ATTRIBUTES* /*securityAttributes*/, PHKEY result,
                     LPDWORD disposition) {
  if (result == nullptr) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
  const auto path = registry::SplitKeyPath(NameOf(subKey));
  for (const std::u16string& name : path) {
    if (name.size() > kMaxNameLength) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
  }
  registry::KeyId opened = 0;
  bool created = false;
  const LONG error = OnKey(key, true, [&](emu::sql::Database& db, registry::KeyId parent) {
    int depth = 0;
    if (Status status = registry::KeyDepth(db, parent, &depth); !status.ok()) return status;
    if (depth + static_cast<int>(path.size()) > kMaxKeyDepth) {
      return Status::Error(ERROR_INVALID_PARAMETER, "key too deep");
    }
    return registry::CreateKey(db, parent, path, &opened, &created);
  });
  if (error != ERROR_SUCCESS) return error;
  *result = Handles().Add(opened);
  if (disposition != nullptr) {
    *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  }
  return ERROR_SUCCESS;
}

LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD /*options*/, REGSAM /*samDesired*/,
                   PHKEY result) {
  if (result == nullptr) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
  const auto path = registry::SplitKeyPath(NameOf(subKey));
  registry::KeyId opened = 0;
  const LONG error = OnKey(key, false, [&](emu::sql::Database& db, registry::KeyId parent) {
    return registry::FindKey(db, parent, path, &opened);
  });
  if (error != ERROR_SUCCESS) return error;
  *result = Handles().Add(opened);
  return ERROR_SUCCESS;
}

LONG RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD /*reserved*/, LPDWORD type, LPBYTE data,
                      LPDWORD dataSize) {
  if (data != nullptr && dataSize == nullptr) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
  registry::Value value;
  bool found = false;
  const LONG error = OnKey(key, false, [&](emu::sql::Database& db, registry::KeyId id) {
    return registry::QueryValue(db, id, NameOf(valueName), &value, &found);
  });
  if (error != ERROR_SUCCESS) return error;
  if (!found) return static_cast<LONG>(ERROR_FILE_NOT_FOUND);
  if (type != nullptr) *type = value.type;
  const auto size = static_cast<DWORD>(value.data.size());
  if (data != nullptr) {
    if (*dataSize < size) {
      *dataSize = size;
      return static_cast<LONG>(ERROR_MORE_DATA);
    }
    if (size != 0) std::memcpy(data, value.data.data(), size);
  }
  if (dataSize != nullptr) *dataSize = size;
  return ERROR_SUCCESS;
}

LONG RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD /*reserved*/, DWORD type, const BYTE* data,
                    DWORD dataSize) {
  if (data == nullptr && dataSize != 0) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
  if (NameOf(valueName).size() > kMaxNameLength) return static_cast<LONG>(ERROR_INVALID_PARAMETER);
  return OnKey(key, true, [&](emu::sql::Database& db, registry::KeyId id) {
    return registry::SetValue(db, id, NameOf(valueName), type, data, dataSize);
  });
}

LONG RegDeleteValueW(HKEY key, LPCWSTR valueName) {
  return OnKey(key, true, [&](emu::sql::Database& db, registry::KeyId id) {
    return registry::DeleteValue(db, id, NameOf(valueName));
  });
}

LONG RegCloseKey(HKEY key) {
  if (registry::RootOf(key) != 0 || Handles().Remove(key)) return ERROR_SUCCESS;
  return static_cast<LONG>(ERROR_INVALID_HANDLE);
}
