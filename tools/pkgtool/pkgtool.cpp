// pkgtool: builds, inspects and tries product packages.
#include <string>
#include <vector>

#include "command_table.h"
#include "commands.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  // Without arguments the listing goes to standard error, as a usage error.
  if (args.empty()) {
    tool::PrintHelp(pkgtool::kTool, stderr);
    return tool::kExitUsage;
  }
  return tool::Dispatch(pkgtool::kTool, args);
}
