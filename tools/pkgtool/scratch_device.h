// The package tools run the system's own code (package reader, gzip expansion, the
// updater itself) on a throw-away device, emu::ScratchDevice, with the host's files placed
// on it.
#pragma once

#include <string>

#include "platform/device_tools/scratch_device.h"

namespace pkgtool {

using emu::ScratchDevice;

// Places the host file `source` at `destination` (a host path): a hard link when the two
// share a file system, a copy otherwise. False with *error set when neither works.
bool PlaceFile(const std::string& source, const std::string& destination, std::string* error);

}  // namespace pkgtool
