#include "driver/updater_main.h"

#include "driver/command_line.h"
#include "driver/create_shortcut.h"
#include "driver/install_product.h"

namespace {

// Job 1: installs every delivered product of a folder.
void UnpackProducts(CommandLine& commandLine) {
  const String folder = commandLine.GetOptionValue(TEXT("-unpackProduct"));
  if (folder.length <= 0) return;
  // The folder is listed and its products installed once the platform can search it.
}

// Job 2: creates one shortcut.
void CreateOneShortcut(CommandLine& commandLine) {
  const String target = commandLine.GetOptionValue(TEXT("-targetFilename"));
  const String shortcut = commandLine.GetOptionValue(TEXT("-shortcutFilename"));
  CreateShortcut(target, shortcut);
}

}  // namespace

void UpdaterMain(const WCHAR* commandLineText) {
  CommandLine commandLine(commandLineText);
  if (commandLine.IndexOfOption(TEXT("-unpackProduct")) >= 0) {
    UnpackProducts(commandLine);
  } else if (commandLine.IndexOfOption(TEXT("-createShortcut")) >= 0) {
    CreateOneShortcut(commandLine);
  }
}
