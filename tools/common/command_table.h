// A tool made of commands, in the manner of ninja's subtools: one table names every
// command with its arguments, a one-line summary and the function that runs it. The
// help listing, the usage lines and the suggestion for a mistyped command all come from
// that table.
//
// Commands may have two words ("reg export"). Every message goes to standard error as
// one line prefixed with the tool's name ("devicectl: ..."); a command returns the exit
// code, one of exit_codes.h.
#pragma once

#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "exit_codes.h"

namespace tool {

struct Command;
struct ToolInfo;

// What a command is run with.
struct Invocation {
  const ToolInfo& tool;
  const Command& command;
  std::span<const std::string> args;  // after the command's own words
};

struct Command {
  std::string_view name;       // one or two words
  std::string_view arguments;  // for the usage line, e.g. "[KEY]"
  std::string_view summary;    // one line for the help listing
  int (*run)(const Invocation& invocation);
};

struct ToolInfo {
  std::string_view name;           // e.g. "devicectl"
  std::string_view globalOptions;  // e.g. "[--device DIR]"
  std::span<const Command> commands;
};

// Prints "NAME: message" on standard error; returns `exitCode` to hand on.
int Fail(std::string_view tool, int exitCode, std::string_view message);
// Fail with "COMMAND: message", then the command's usage line; returns kExitUsage.
int UsageError(const Invocation& invocation, std::string_view message);

std::string UsageLine(const ToolInfo& tool, const Command& command);
// The tool's usage line, every command with its summary, and the exit codes.
void PrintHelp(const ToolInfo& tool, std::FILE* out);
// The `help [COMMAND]` command every tool has: the listing, or one command's usage.
int RunHelpCommand(const Invocation& invocation);

// The command named by the leading words of `args`; *consumed is the number of words.
const Command* FindCommand(std::span<const Command> commands, std::span<const std::string> args,
                           std::size_t* consumed);
// The command name nearest to `typed`; empty when none is near enough to suggest.
std::string_view SuggestCommand(std::span<const Command> commands, std::string_view typed);

// Runs the command that `args` names (after the tool's global options): `--help` among
// a command's arguments (before any `--`) prints its usage; an unknown command gets a
// suggestion. Returns the exit code.
int Dispatch(const ToolInfo& tool, std::span<const std::string> args);

}  // namespace tool
