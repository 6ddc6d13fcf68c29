#include "install/install_script.h"

#include <new>

#include "system/folder_macros.h"

namespace {

// The text of the first direct child `name` of `parent`, as wide text; empty when the
// parent or the child is missing or the child has no text.
String ChildText(XmlNode* parent, const char* name) {
  const XmlNode* child = parent == nullptr ? nullptr : parent->children.FindChild(name);
  String text;
  if (child == nullptr) {
    text.AssignFromAnsi(nullptr, 0);
  } else {
    text.AssignFromAnsi(child->text.data, child->text.length);
  }
  return text;
}

}  // namespace

InstallScript::InstallScript(const AnsiString& scriptText, System::IO::ResourcePackage* package)
    : root(nullptr), package(package) {
  parser.Parse(scriptText, root);
  // A part of the script is not run as if it were the whole: the installation ends here
  // as it does for any allocation that fails.
  if (parser.ranOutOfMemory()) throw std::bad_alloc();
  XmlNode* const installation = root.FindByName("Installation");
  appPath = ExpandFolderMacros(ChildText(installation, "AppPath"));
  exe = ChildText(installation, "Exe");
  filesNode = root.FindByName("Files");
  actionsNode = root.FindByName("Actions");
}

String InstallScript::ExpandPath(const String& path) const {
  return ExpandFolderMacros(path.Replace(String(TEXT("%AppPath%")), appPath));
}
