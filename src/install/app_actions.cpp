// The actions that deal with other applications: start one, close one, close them all.
#include "install/actions.h"
#include "install/process.h"
#include "platform/ce.h"

void RunApp(InstallScript& script, XmlNode& action) {
  const String target = script.ExpandPath(action.GetAttributeString("target"));
  const String args = action.GetAttributeString("args");
  StartProcess(target.data, args.data, nullptr);
}

// Messages are posted, not sent: a hung application must not hold up the installation.
void CloseApp(InstallScript& /*script*/, XmlNode& action) {
  const String title = action.GetAttributeString("windowTitle");
  const HWND window = FindWindowW(nullptr, title.data);
  if (window != nullptr) PostMessageW(window, WM_CLOSE, 0, 0);
}

void CloseAllKelmoraApps(InstallScript& /*script*/, XmlNode& /*action*/) {
  const UINT closeRequest = RegisterWindowMessageW(TEXT("Kelmora.CloseApp"));
  if (closeRequest != 0) PostMessageW(HWND_BROADCAST, closeRequest, 0, 0);
}
