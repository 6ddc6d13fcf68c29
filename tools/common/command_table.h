// A tool made of commands, in the manner of ninja's subtools: one table names every
// command with its arguments, a one-line summary, every option and argument it takes and
// the function that runs it. The help listing, each command's help, the usage lines and
// the suggestion for a mistyped command all come from that table.
//
// Commands may have two words ("reg export"). Options may come before or after the
// command: `--help`/`-h` anywhere (before `--`) asks for help, `--version` for the
// version, the tool's own options (ToolInfo::options) are taken wherever they are, and
// a command's options written before the command are handed to it. Every message goes
// to standard error as one line prefixed with the tool's name ("devicectl: ..."); a
// command returns the exit code, one of exit_codes.h.
#pragma once

#include <cstdio>
#include <functional>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "exit_codes.h"

namespace tool {

struct Command;
struct ToolInfo;

// One option or argument, for the help and for parsing. A name starting with '-' is an
// option ("--level", "-o"); any other name is an argument ("DIR", "FILE|-").
struct Option {
  std::string_view name;
  std::string_view value;  // the option's value ("N"); empty for a switch or an argument
  std::string_view help;   // what it does; wrapped in the help
};

// What a command is run with.
struct Invocation {
  const ToolInfo& tool;
  const Command& command;
  std::span<const std::string> args;  // after the command's own words
  // The tool's own options given on the command line: name -> value ("" for a switch).
  const std::map<std::string, std::string>& globals;
};

struct Command {
  std::string_view name;       // one or two words
  std::string_view arguments;  // for the usage line, e.g. "[KEY]"
  std::string_view summary;    // for the help listing; wrapped
  int (*run)(const Invocation& invocation);
  std::span<const Option> options = {};  // every argument and option, for COMMAND --help
};

struct ToolInfo {
  std::string_view name;            // e.g. "devicectl"
  std::span<const Option> options;  // the tool's own, e.g. --device DIR
  std::span<const Command> commands;
  std::string_view version;  // printed by --version after the name
};

// Prints "NAME: message" on standard error (erasing a progress line first); returns
// `exitCode` to hand on.
int Fail(std::string_view tool, int exitCode, std::string_view message);
// Fail with "COMMAND: message", then the command's usage line; returns kExitUsage.
int UsageError(const Invocation& invocation, std::string_view message);

std::string UsageLine(const ToolInfo& tool, const Command& command);
// The tool's usage line, its options, every command with its summary, and the exit codes.
void PrintHelp(const ToolInfo& tool, std::FILE* out);
std::string HelpText(const ToolInfo& tool);
// One command's usage line, summary, arguments and options.
std::string CommandHelpText(const ToolInfo& tool, const Command& command);
// The `help [COMMAND]` command every tool has: the listing, or one command's help.
int RunHelpCommand(const Invocation& invocation);

// The command named by the leading words of `args`; *consumed is the number of words.
const Command* FindCommand(std::span<const Command> commands, std::span<const std::string> args,
                           std::size_t* consumed);
// The command name nearest to `typed`; empty when none is near enough to suggest.
std::string_view SuggestCommand(std::span<const Command> commands, std::string_view typed);

// Runs a command once the tool's own options are read, e.g. inside the device they name.
using Runner = std::function<int(const Invocation& invocation)>;

// Runs the command that `args` names: help and version as above; an unknown command
// gets a suggestion. `runner`, when given, runs the command instead of calling it
// directly. Returns the exit code.
int Dispatch(const ToolInfo& tool, std::span<const std::string> args, const Runner& runner = {});

}  // namespace tool
