#include "driver/create_shortcut.h"

void CreateShortcut(const String& /*target*/, const String& /*shortcutPath*/) {}
