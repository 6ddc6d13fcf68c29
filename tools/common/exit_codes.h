// The exit codes of the tools, the same in every one of them, so that a script can act
// on them: a check that finds a problem is told apart from a mistyped command line and
// from input that cannot be read.
#pragma once

#include <string_view>

namespace tool {

inline constexpr int kExitSuccess = 0;
// The check found a problem: lint errors; a `try` whose product was not completely
// installed, was kept for another attempt, whose program starts failed, delivered under
// a name that its entries do not decode under, or that ran out of time; or the command
// could not finish its work.
inline constexpr int kExitProblemFound = 1;
// The command line is wrong: unknown command or option, missing or extra arguments.
inline constexpr int kExitUsage = 2;
// An input cannot be read: missing, damaged, or not what the command takes.
inline constexpr int kExitUnreadableInput = 3;

// The lines that close each tool's --help.
inline constexpr std::string_view kExitCodesHelp =
    "exit codes:\n"
    "  0  success\n"
    "  1  the check found a problem, or the work could not be done\n"
    "  2  usage error\n"
    "  3  input that cannot be read: missing, damaged, not a package or device\n";

}  // namespace tool
