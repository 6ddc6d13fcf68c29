// Running a started program's file on the host.
//
// CreateProcessW runs a device file on the host only when its owner execute bit is set
// and host execution is on. It is on unless the environment variable
// CE_DEVICE_HOST_EXEC is "0" or SetHostExecution(false) was called; SetHostExecution
// overrides the environment for the rest of the process. Safe from any thread.
#pragma once

#include <optional>
#include <string>

#include "status.h"

namespace emu {

void SetHostExecution(bool enabled);
// Forgets SetHostExecution: the environment decides again.
void ResetHostExecution();
bool HostExecutionEnabled();

// Runs the open file `program` on the host, detached (its own session, not waited for),
// with CE_DEVICE set to `deviceDir` and `argument` as its one argument when given. The
// program is executed through its descriptor, never by path. Success means the
// program's process was made, not that the file could be executed.
Status RunDetached(int program, const std::string& programName, const std::string& deviceDir,
                   const std::optional<std::string>& argument);

}  // namespace emu
