// Making a device: what `devicectl init` does.
#pragma once

#include <string>

namespace emu {

// Creates the device folder at `hostDir` (with its parents), its `fs/` with the folders
// \Windows, \Windows\Start Menu\Programs, \Program Files, \My Documents and \Temp, and
// its database. Idempotent: what exists is kept. On failure returns false and sets
// *error (when given) to one line "context: detail"; what was made so far stays.
bool InitDevice(const std::string& hostDir, std::string* error);

}  // namespace emu
