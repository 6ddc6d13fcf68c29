// devicectl: makes and inspects an emulated device.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "command_table.h"
#include "commands.h"
#include "device.h"
#include "flags.h"

namespace devicectl {
namespace {

constexpr tool::Command kCommands[] = {
    {"help", "[COMMAND]", "lists the commands, or shows one command's usage", tool::RunHelpCommand},
    {"init", "", "makes the device (keeps what exists)", RunInit},
    {"reg export", "[KEY]", "prints the registry, or the subtree of KEY, as a .reg file",
     RunRegExport},
    {"reg import", "FILE|-", "applies a .reg file (- for standard input), all or nothing",
     RunRegImport},
    {"window add", "TITLE [--class NAME]", "adds a top-level window and prints its handle",
     RunWindowAdd},
    {"window list", "", "lists the windows: handle, class and title, tab-separated", RunWindowList},
    {"events", "[--clear]", "prints the event journal as JSON lines, or empties it", RunEvents},
    {"attrib", "+h|-h PATH", "sets or clears the hidden attribute of a file or folder", RunAttrib},
    {"ls", "[PATH]", "lists a folder as the device sees it: attributes, size, name", RunLs},
};

constexpr tool::ToolInfo kTool{"devicectl", "[--device DIR]", kCommands};

}  // namespace

}  // namespace devicectl

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  // Global options come before the command.
  std::size_t next = 0;
  std::optional<std::string> deviceDir;
  for (; next < args.size() && args[next].starts_with("-"); ++next) {
    const std::string& arg = args[next];
    if (arg == "--help" || arg == "-h") {
      tool::PrintHelp(devicectl::kTool, stdout);
      return 0;
    }
    if (arg == "--device" && next + 1 < args.size()) {
      deviceDir = args[++next];
    } else if (arg.starts_with("--device=")) {
      deviceDir = arg.substr(9);
    } else if (arg == "--device") {
      return tool::Fail(devicectl::kTool.name, tool::kExitUsage, "option '--device' needs a value");
    } else {
      return tool::Fail(devicectl::kTool.name, tool::kExitUsage, "unknown option '" + arg + "'");
    }
  }
  std::unique_ptr<emu::ScopedDevice> device;
  if (deviceDir) {
    if (deviceDir->empty()) {
      return tool::Fail(devicectl::kTool.name, tool::kExitUsage, "--device: empty folder name");
    }
    device = std::make_unique<emu::ScopedDevice>(*deviceDir);
  }
  return tool::Dispatch(devicectl::kTool, std::span(args).subspan(next));
}
