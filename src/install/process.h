// Starting programs for the install script: the product, "App.Run" and "Product.Run".
#pragma once

#include <cstdint>

#include "platform/ce.h"

// What the platform reports about a started program.
struct ProcessInfo {
  std::uint32_t processId;
  std::uint32_t threadId;
  HANDLE processHandle;
  HANDLE threadHandle;
};

// Starts `application` with `commandLine` (both zero-terminated; null counts as empty)
// and never waits for it. Fills `info` when given; otherwise the platform's handles are
// closed at once. True when the program was started.
bool StartProcess(const WCHAR* application, const WCHAR* commandLine, ProcessInfo* info);
