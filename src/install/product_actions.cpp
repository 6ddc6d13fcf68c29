// The actions that deal with products and the shell: nested installations, starting an
// installed product, shortcuts.
#include "driver/create_shortcut.h"
#include "driver/install_product.h"
#include "install/actions.h"
#include "install/process.h"
#include "install/registry.h"
#include "system/path.h"

namespace {

// A product that delivers and unpacks another, which does the same, and so on, would
// exhaust the stack: an unpack that would start the 17th nested level does nothing.
constexpr int kMaxNestedInstallations = 16;
int nestedInstallations = 0;

}  // namespace

void UnpackProduct(InstallScript& script, XmlNode& action) {
  const String path = script.ExpandPath(action.GetAttributeString("filename"));
  if (path.length <= 0 || !PathExists(path)) return;
  if (nestedInstallations >= kMaxNestedInstallations) return;
  ++nestedInstallations;
  InstallProduct(path);
  --nestedInstallations;
}

void RunProduct(InstallScript& /*script*/, XmlNode& action) {
  const String id = action.GetAttributeString("id");
  const String version = action.GetAttributeString("version");
  String installPath;
  String exeName;
  ReadProductRecord(id, version, installPath, exeName);
  if (installPath.length <= 0 || exeName.length <= 0) return;
  const String program = CombinePath(installPath, exeName);
  StartProcess(program.data, TEXT(""), nullptr);
}

void CreateShortcutAction(InstallScript& script, XmlNode& action) {
  const String target = script.ExpandPath(action.GetAttributeString("target"));
  const String shortcut = script.ExpandPath(action.GetAttributeString("shortcutFilename"));
  CreateShortcut(target, shortcut);
}
