#include "driver/create_shortcut.h"

#include "platform/ce.h"

bool CreateShortcut(const String& target, const String& shortcutPath) {
  if (target.length <= 0 || shortcutPath.length <= 0) return false;
  // An existing shortcut is replaced; if the new one cannot be made it is not restored.
  DeleteFileW(shortcutPath.data);
  String targetText = String(TEXT("\"{0}\"")).Replace(String(TEXT("{0}")), target);
  String shortcutFile(shortcutPath);
  return SHCreateShortcut(shortcutFile.data, targetText.data) != 0;
}
