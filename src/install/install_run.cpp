// The run of a loaded script: events, the Files pass and the product's start.
#include <cstring>

#include "install/install_script.h"
#include "install/process.h"
#include "system/path.h"

bool InstallScript::Run() {
  RunEvent(AnsiString("Install.Before"));
  // A product whose files are not all in place is neither started nor completed: the
  // delivery is kept for another attempt (see InstallProduct).
  if (!RunFilesPass()) return false;

  if (exe.length > 0) {
    const String program = CombinePath(appPath, exe);
    StartProcess(program.data, TEXT("-firstRun -zandrel"), nullptr);
  }

  RunEvent(AnsiString("Install.After"));
  return true;
}

void InstallScript::RunEvent(const AnsiString& eventName) {
  if (actionsNode == nullptr) return;
  for (std::int32_t i = 0; i < actionsNode->children.Count(); ++i) {
    XmlNode* const action = actionsNode->children.ItemAt(i);
    const char* const event = action->GetAttribute("event");
    if (event != nullptr && std::strcmp(event, eventName.data) == 0) ExecuteAction(*action);
  }
}
