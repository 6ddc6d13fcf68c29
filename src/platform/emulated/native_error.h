// The one place where host errors become CE errors: errno values and SQLite result
// codes are turned into the ERROR_* codes that GetLastError reports, so no CE call
// leaks a host error number.
#pragma once

#include <string>

#include "platform/ce.h"
#include "status.h"

namespace emu {

DWORD ErrorFromErrno(int error);
DWORD ErrorFromSqlite(int resultCode);

// A Status for the current errno (or `error`), with "context: strerror" as its message.
Status ErrnoStatus(const std::string& context);
Status ErrnoStatus(const std::string& context, int error);

}  // namespace emu
