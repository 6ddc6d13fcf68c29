// devicectl: makes and inspects an emulated device.
#include <memory>
#include <string>
#include <vector>

#include "command_table.h"
#include "commands.h"
#include "device.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return tool::Dispatch(devicectl::kTool, args, [](const tool::Invocation& invocation) {
    std::unique_ptr<emu::ScopedDevice> device;
    if (const auto dir = invocation.globals.find("--device"); dir != invocation.globals.end()) {
      if (dir->second.empty()) {
        return tool::Fail(invocation.tool.name, tool::kExitUsage, "--device: empty folder name");
      }
      device = std::make_unique<emu::ScopedDevice>(dir->second);
    }
    return invocation.command.run(invocation);
  });
}
