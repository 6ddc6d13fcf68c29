#include "driver/updater_main.h"

#include "driver/command_line.h"
#include "driver/create_shortcut.h"
#include "driver/install_product.h"
#include "package/extraction.h"
#include "system/folder_macros.h"
#include "system/path.h"
#include "system/string_builder.h"

namespace {

// Job 1: installs every delivered product of a folder.
void UnpackProducts(CommandLine& commandLine) {
  const String folder = ExpandFolderMacros(commandLine.GetOptionValue(TEXT("-unpackProduct")));
  if (folder.length <= 0 || !PathExists(folder)) return;
  // Listed once, before the first installation: files that appear meanwhile wait for the
  // next run, and a listed file that has gone is still handed over.
  System::Text::StringBuilder deliveries;
  ListFiles(folder, String(TEXT("*.gz")), deliveries, true);
  for (std::int32_t i = 0; i < deliveries.Count(); ++i) {
    const String delivered(*deliveries.ItemAt(i));
    InstallProduct(delivered);
  }
}

// Job 2: creates one shortcut.
void CreateOneShortcut(CommandLine& commandLine) {
  const String target = ExpandFolderMacros(commandLine.GetOptionValue(TEXT("-targetFilename")));
  const String shortcut = ExpandFolderMacros(commandLine.GetOptionValue(TEXT("-shortcutFilename")));
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
