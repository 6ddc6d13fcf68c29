// CreateShortcut: makes one shell shortcut at `shortcutPath` that starts `target`.
#pragma once

#include "system/wide_string.h"

// Does nothing when either path is empty. Both are taken as given. True when the
// shortcut was made; reports nothing.
bool CreateShortcut(const String& target, const String& shortcutPath);
