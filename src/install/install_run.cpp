// The run of a loaded script: events, the Files pass and the product's start.
#include "install/install_script.h"
#include "install/process.h"
#include "install/script_words.h"

bool InstallScript::Run() {
  RunEvent(script_words::kInstallBefore);
  // A product whose files are not all in place is neither started nor completed: the
  // delivery is kept for another attempt (see InstallProduct).
  if (!RunFilesPass()) return false;

  if (exe_.length > 0) {
    const String program = ProgramPath();
    String arguments;
    arguments.AssignFromAnsi(
        script_words::kFirstRunArguments,
        static_cast<std::int32_t>(sizeof script_words::kFirstRunArguments - 1));
    const bool started = StartProcess(program.data, arguments.data);
    if (setting_.observer != nullptr) setting_.observer->ProductStarted(program, started);
  }

  RunEvent(script_words::kInstallAfter);
  return true;
}

void InstallScript::RunEvent(const char* eventName) {
  ForEachAction(eventName, [&](XmlNode& action) {
    const ActionOutcome outcome = ExecuteAction(action);
    if (setting_.observer != nullptr) {
      setting_.observer->ActionPerformed(eventName, action.GetAttribute(script_words::kType),
                                         outcome);
    }
  });
}
