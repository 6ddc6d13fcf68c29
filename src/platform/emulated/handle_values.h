// The values of the handles that the emulated calls give out (processes, threads,
// mutexes): unique within the process, never reused, never null or
// INVALID_HANDLE_VALUE, so that CloseHandle can tell every kind apart by value.
#pragma once

#include "platform/ce.h"

namespace emu {

HANDLE NewHandleValue();

}  // namespace emu
