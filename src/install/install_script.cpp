#include "install/install_script.h"

#include <new>

#include "install/script_words.h"
#include "system/folder_macros.h"
#include "system/path.h"
#include "xml/xml_parser.h"

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

InstallScript::InstallScript(const AnsiString& scriptText, System::IO::ResourcePackage* package,
                             const Setting& setting)
    : setting_(setting), root_(nullptr), package_(package) {
  XmlParser parser;
  parser.Observe(setting.parsing);
  parser.Parse(scriptText, root_);
  // A part of the script is not run as if it were the whole: the installation ends here
  // as it does for any allocation that fails.
  if (parser.ranOutOfMemory()) throw std::bad_alloc();
  installationNode_ = root_.FindByName(script_words::kInstallation);
  appPath_ = ExpandFolderMacros(ChildText(installationNode_, script_words::kAppPath));
  exe_ = ChildText(installationNode_, script_words::kExe);
  filesNode_ = root_.FindByName(script_words::kFiles);
  actionsNode_ = root_.FindByName(script_words::kActions);
}

String InstallScript::ExpandPath(const String& path) const {
  String macro;
  macro.AssignFromAnsi(script_words::kAppPathMacro,
                       static_cast<std::int32_t>(sizeof script_words::kAppPathMacro - 1));
  return ExpandFolderMacros(path.Replace(macro, appPath_));
}

String InstallScript::ProgramPath() const {
  if (exe_.length <= 0) return String(TEXT(""));
  return CombinePath(appPath_, exe_);
}
