// The words devicectl prints for a CE error code: "not found", "access denied", ...
#pragma once

#include <string>

#include "platform/ce.h"

namespace devicectl {

std::string DescribeError(DWORD error);

}  // namespace devicectl
