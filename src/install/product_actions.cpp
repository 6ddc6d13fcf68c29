// The actions that deal with products and the shell: nested installations, starting an
// installed product, shortcuts.
#include "driver/create_shortcut.h"
#include "driver/install_product.h"
#include "install/actions.h"
#include "install/process.h"
#include "install/registry.h"
#include "install/script_words.h"
#include "system/path.h"

ActionOutcome UnpackProduct(InstallScript& script, XmlNode& action) {
  const String path = script.ExpandPath(action.GetAttributeString(script_words::kFilename));
  if (path.length <= 0 || !PathExists(path)) {
    if (InstallObserver* observer = script.observer(); observer != nullptr && path.length > 0) {
      observer->InstallationBegun(path, script.depth() + 1);
      observer->InstallationEnded(InstallOutcome::kNoDelivery);
    }
    return ActionOutcome::kNothingToDo;
  }
  if (script.depth() >= script_words::kMaxNestedInstallations) {
    if (InstallObserver* observer = script.observer()) {
      observer->InstallationBegun(path, script.depth() + 1);
      observer->InstallationEnded(InstallOutcome::kTooDeep);
    }
    return ActionOutcome::kFailed;
  }
  const InstallOutcome outcome = InstallProduct(path, script.observer(), script.depth() + 1);
  return outcome == InstallOutcome::kInstalled ? ActionOutcome::kDone : ActionOutcome::kFailed;
}

ActionOutcome RunProduct(InstallScript& /*script*/, XmlNode& action) {
  const String id = action.GetAttributeString(script_words::kId);
  const String version = action.GetAttributeString(script_words::kVersion);
  String installPath;
  String exeName;
  ReadProductRecord(id, version, installPath, exeName);
  if (installPath.length <= 0 || exeName.length <= 0) return ActionOutcome::kNothingToDo;
  const String program = CombinePath(installPath, exeName);
  return StartProcess(program.data, TEXT("")) ? ActionOutcome::kDone : ActionOutcome::kFailed;
}

ActionOutcome CreateShortcutAction(InstallScript& script, XmlNode& action) {
  const String target = script.ExpandPath(action.GetAttributeString(script_words::kTarget));
  const String shortcut =
      script.ExpandPath(action.GetAttributeString(script_words::kShortcutFilename));
  return CreateShortcut(target, shortcut) ? ActionOutcome::kDone : ActionOutcome::kFailed;
}
