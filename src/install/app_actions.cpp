// The actions that deal with other applications: start one, close one, close them all.
#include "install/actions.h"
#include "install/process.h"
#include "install/script_words.h"
#include "platform/ce.h"

namespace {

ActionOutcome DoneIf(bool done) { return done ? ActionOutcome::kDone : ActionOutcome::kFailed; }

}  // namespace

ActionOutcome RunApp(InstallScript& script, XmlNode& action) {
  const String target = script.ExpandPath(action.GetAttributeString(script_words::kTarget));
  const String args = action.GetAttributeString(script_words::kArgs);
  return DoneIf(StartProcess(target.data, args.data));
}

// Messages are posted, not sent: a hung application must not hold up the installation.
ActionOutcome CloseApp(InstallScript& /*script*/, XmlNode& action) {
  const String title = action.GetAttributeString(script_words::kWindowTitle);
  const HWND window = FindWindowW(nullptr, title.data);
  if (window == nullptr) return ActionOutcome::kNothingToDo;
  return DoneIf(PostMessageW(window, WM_CLOSE, 0, 0) != 0);
}

ActionOutcome CloseAllKelmoraApps(InstallScript& /*script*/, XmlNode& /*action*/) {
  const UINT closeRequest = RegisterWindowMessageW(TEXT("Kelmora.CloseApp"));
  if (closeRequest == 0) return ActionOutcome::kFailed;
  return DoneIf(PostMessageW(HWND_BROADCAST, closeRequest, 0, 0) != 0);
}
