// "Registry.WriteValue": one value under HKLM or HKCU, nothing expanded.
#include <cstdint>
#include <cstring>

#include "install/actions.h"
#include "install/registry.h"
#include "install/script_words.h"

namespace {

String Wide(const char* word) {
  String wide;
  wide.AssignFromAnsi(word, static_cast<std::int32_t>(std::strlen(word)));
  return wide;
}

// The root named by the first four characters of `key`, or null.
HKEY RootOf(const String& key) {
  if (key.MatchesAt(0, Wide(script_words::kLocalMachineRoot))) return HKEY_LOCAL_MACHINE;
  if (key.MatchesAt(0, Wide(script_words::kCurrentUserRoot))) return HKEY_CURRENT_USER;
  return nullptr;
}

}  // namespace

ActionOutcome WriteRegistryValue(InstallScript& /*script*/, XmlNode& action) {
  namespace words = script_words;
  const String key = action.GetAttributeString(words::kKey);
  const String valueName = action.GetAttributeString(words::kValueName);
  const String dataType = action.GetAttributeString(words::kDataType);
  if (key.length <= 4) return ActionOutcome::kFailed;
  const HKEY root = RootOf(key);
  if (root == nullptr) return ActionOutcome::kFailed;
  const OpenedRegistryKey opened = OpenRegistryKey(root, key.data + 4);
  if (opened == nullptr) return ActionOutcome::kFailed;

  LONG written = 0;
  if (dataType.Equals(Wide(words::kDword).data)) {
    const std::int32_t number = ParseDecimal(action.GetAttribute(words::kValue));
    const BYTE bytes[4] = {static_cast<BYTE>(number), static_cast<BYTE>(number >> 8),
                           static_cast<BYTE>(number >> 16), static_cast<BYTE>(number >> 24)};
    written = RegSetValueExW(opened->handle, valueName.data, 0, REG_DWORD, bytes, 4);
  } else {
    const String value = action.GetAttributeString(words::kValue);
    written = RegSetValueExW(opened->handle, valueName.data, 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(value.data),
                             static_cast<DWORD>((value.length + 1) * 2));
  }
  return written == ERROR_SUCCESS ? ActionOutcome::kDone : ActionOutcome::kFailed;
}
