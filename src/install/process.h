// Starting programs for the install script: the product, "App.Run" and "Product.Run".
#pragma once

#include "platform/ce.h"

// Starts `application` with `commandLine` (both zero-terminated; null counts as empty)
// and never waits for it: the platform's handles are closed at once. True when the
// program was started.
bool StartProcess(const WCHAR* application, const WCHAR* commandLine);
