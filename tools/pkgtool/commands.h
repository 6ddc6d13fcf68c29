// The commands of pkgtool; each parses its own flags and returns the exit code.
#pragma once

#include "command_table.h"

namespace pkgtool {

extern const tool::ToolInfo kTool;

int RunPack(const tool::Invocation& invocation);
int RunList(const tool::Invocation& invocation);
int RunExtract(const tool::Invocation& invocation);
int RunLint(const tool::Invocation& invocation);
int RunTry(const tool::Invocation& invocation);
// show.cpp, diff/diff_command.cpp
int RunShow(const tool::Invocation& invocation);
int RunDiff(const tool::Invocation& invocation);

}  // namespace pkgtool
