// The program's host entry point: hands WinMain the command-line text that CE would
// and exits with 0, whatever happens inside.
#include <string>
#include <vector>

#include "command_line_text.h"
#include "platform/ce.h"

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  std::u16string text = emu::JoinCommandLine(arguments);
  WinMain(nullptr, nullptr, text.data(), 0);
  return 0;
}
