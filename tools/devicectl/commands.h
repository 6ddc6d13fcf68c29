// devicectl's commands. Each one is thin: it parses its arguments, calls the CE calls or
// the device tools (src/platform/device_tools/) on the current device and prints the
// result.
#pragma once

#include "command_table.h"

namespace devicectl {

extern const tool::ToolInfo kTool;

int RunInit(const tool::Invocation& invocation);
int RunRegExport(const tool::Invocation& invocation);
int RunRegImport(const tool::Invocation& invocation);
int RunWindowAdd(const tool::Invocation& invocation);
int RunWindowList(const tool::Invocation& invocation);
int RunEvents(const tool::Invocation& invocation);
int RunAttrib(const tool::Invocation& invocation);
int RunLs(const tool::Invocation& invocation);
int RunPush(const tool::Invocation& invocation);
int RunPull(const tool::Invocation& invocation);

}  // namespace devicectl
