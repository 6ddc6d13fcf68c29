// The run of a loaded script: events, the Files pass and the product's start.
#include <cstring>
#include <utility>

#include "install/install_script.h"
#include "install/process.h"
#include "package/extraction.h"
#include "system/path.h"

void InstallScript::Run() {
  RunEvent(AnsiString("Install.Before"));

  if (filesNode != nullptr) {
    // The folder the previous entry made sure of: entries for it skip the check.
    String checkedFolder;
    for (std::int32_t i = 0; i < filesNode->children.Count(); ++i) {
      XmlNode* const file = filesNode->children.ItemAt(i);
      AnsiString name(file->GetAttribute("name"));
      AnsiString destination(file->GetAttribute("destination"));
      if (destination.length == 0) destination.AssignCString("%AppPath%");
      String wideName;
      wideName.AssignFromAnsi(name.data, name.length);
      String wideDestination;
      wideDestination.AssignFromAnsi(destination.data, destination.length);
      // "%AppPath%" is replaced after the join, so the join sees the macro, not the folder.
      String target = ExpandPath(CombinePath(wideDestination, wideName));
      ExtractEntry(*package, std::move(name), std::move(target), checkedFolder);
    }
  }

  if (exe.length > 0) {
    const String program = CombinePath(appPath, exe);
    StartProcess(program.data, TEXT("-firstRun -zandrel"), nullptr);
  }

  RunEvent(AnsiString("Install.After"));
}

void InstallScript::RunEvent(const AnsiString& eventName) {
  if (actionsNode == nullptr) return;
  for (std::int32_t i = 0; i < actionsNode->children.Count(); ++i) {
    XmlNode* const action = actionsNode->children.ItemAt(i);
    const char* const event = action->GetAttribute("event");
    if (event != nullptr && std::strcmp(event, eventName.data) == 0) ExecuteAction(*action);
  }
}
