// InstallScript: one loaded install script of a package, and its run.
//
// Loading parses the text into a tree and finds the sections anywhere in the document
// (the first in document order wins, names compared exactly): `Installation` with its
// direct children `AppPath` (folder macros expanded into appPath()) and `Exe` (kept as
// written in exe()), `Files` and `Actions`. A missing section is treated as empty. The
// words are those of install/script_words.h.
//
// The script borrows its package, which the caller destroys after the run and before
// the script; nothing here touches the package after Run returns. The tree keeps copies
// of everything it needs from the text. Single-threaded; a nested installation builds
// its own InstallScript while this one runs.
#pragma once

#include <cstdint>
#include <cstring>

#include "install/install_observer.h"
#include "install/script_words.h"
#include "package/resource_package.h"
#include "system/ansi_string.h"
#include "system/wide_string.h"
#include "xml/parse_observer.h"
#include "xml/xml_node.h"

// How a script is loaded and run besides its text and package.
struct ScriptSetting {
  int depth = 0;                        // nested installations around this one
  InstallObserver* observer = nullptr;  // told what the run does; borrowed
  XmlParseObserver* parsing = nullptr;  // told where elements begin; borrowed
};

class InstallScript {
 public:
  using Setting = ScriptSetting;

  // `scriptText` must stay alive until construction returns. Throws std::bad_alloc when
  // memory ran out before the whole script was parsed.
  InstallScript(const AnsiString& scriptText, System::IO::ResourcePackage* package,
                const Setting& setting = {});
  InstallScript(const InstallScript&) = delete;
  InstallScript& operator=(const InstallScript&) = delete;

  // The application folder, folder macros expanded; empty when absent.
  const String& appPath() const { return appPath_; }
  // The product's executable, relative to appPath(), not expanded; empty when absent.
  const String& exe() const { return exe_; }
  // The unnamed document node, which owns the whole tree, and the sections found in it;
  // a missing section is null.
  XmlNode& root() { return root_; }
  XmlNode* installation() const { return installationNode_; }
  XmlNode* files() const { return filesNode_; }
  XmlNode* actions() const { return actionsNode_; }
  // The nested installations around this one.
  int depth() const { return setting_.depth; }
  // Null when nobody observes the run.
  InstallObserver* observer() const { return setting_.observer; }

  // `path` with every "%AppPath%" replaced by appPath(), then the folder macros expanded.
  String ExpandPath(const String& path) const;
  // The target path of the `Files` element `file` ("%AppPath%" when it has no
  // destination); `*name` receives its entry name.
  String FileTarget(XmlNode& file, AnsiString* name) const;
  // The path the product's executable is started by; empty without Exe.
  String ProgramPath() const;
  // Calls `visit(XmlNode& action)` for every action whose `event` equals `eventName`, in
  // the order the run performs them.
  template <typename Visit>
  void ForEachAction(const char* eventName, Visit visit) const {
    if (actionsNode_ == nullptr) return;
    for (std::int32_t i = 0; i < actionsNode_->children.Count(); ++i) {
      XmlNode* const action = actionsNode_->children.ItemAt(i);
      const char* const event = action->GetAttribute(script_words::kEvent);
      if (event != nullptr && std::strcmp(event, eventName) == 0) visit(*action);
    }
  }

  // "Install.Before" actions, the Files pass, the product's start with
  // "-firstRun -zandrel", "Install.After" actions. True when the product's files are in
  // place: only then is the product started and are the "Install.After" actions run,
  // so that a product is never reported installed when it is not.
  bool Run();

 private:
  // Writes every entry of `Files` that the package holds beside its target under a
  // staging name (creating folders as needed), then, when all are written completely,
  // puts each in place in one step (package/staging.h). True when every such entry is in
  // place. When one cannot be staged, the staged files are removed and no target has
  // changed; when one cannot be put in place (a file in use), the others still are.
  bool RunFilesPass();
  // Executes, in document order, every action whose `event` equals `eventName`.
  void RunEvent(const char* eventName);
  // Performs one action by its `type`; an unknown or missing type does nothing.
  ActionOutcome ExecuteAction(XmlNode& action);
  // Tells the observer, if any, what became of a file entry.
  void Observe(const AnsiString& name, const String& target, FileOutcome outcome) const {
    if (setting_.observer != nullptr) setting_.observer->FileEntry(name, target, outcome);
  }

  Setting setting_;
  XmlNode root_;
  // Point into the tree; null when the section is missing.
  XmlNode* installationNode_ = nullptr;
  XmlNode* filesNode_ = nullptr;
  XmlNode* actionsNode_ = nullptr;
  // Borrowed; must outlive Run.
  System::IO::ResourcePackage* package_;
  String appPath_;
  String exe_;
};
