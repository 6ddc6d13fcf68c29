// pkgtool: builds, inspects and tries product packages.
#include <string>
#include <vector>

#include "command_table.h"
#include "commands.h"

namespace pkgtool {
namespace {

constexpr tool::Command kCommands[] = {
    {"help", "[COMMAND]", "lists the commands, or shows one command's usage", tool::RunHelpCommand},
    {"pack", "DIR -o OUT [--scramble-data] [--level N] [--allow-no-script] [--lint [--force]]",
     "packs the files below DIR into the package OUT (gzip-compressed when OUT ends in .gz); "
     "with --lint, not when lint finds errors",
     RunPack},
    {"list", "FILE [--as NAME]", "lists the entries of a package: size, data, name", RunList},
    {"extract", "FILE -C DIR [--as NAME]", "writes every entry of a package, decoded, below DIR",
     RunExtract},
    {"lint", "PRODUCT [--as NAME] [--json]",
     "tells what in a package the updater would ignore or misread; exit 1 on an error", RunLint},
    {"try", "PRODUCT [--device DIR] [--as NAME] [--json] [--updater PATH] [--timeout SECONDS]",
     "installs a product with the updater (--updater, $PKGTOOL_UPDATER or beside pkgtool) on "
     "a throw-away device, fresh or a copy of DIR, and reports what changed; the updater is "
     "ended after --timeout seconds (60); exit 1 when the product was not completely "
     "installed or a program start failed",
     RunTry},
};

}  // namespace

const tool::ToolInfo kTool{"pkgtool", "", kCommands};

}  // namespace pkgtool

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || args.front() == "--help" || args.front() == "-h") {
    tool::PrintHelp(pkgtool::kTool, args.empty() ? stderr : stdout);
    return args.empty() ? tool::kExitUsage : tool::kExitSuccess;
  }
  return tool::Dispatch(pkgtool::kTool, args);
}
