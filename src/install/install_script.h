// InstallScript: one loaded "InstallScript.xml" of a package, and its run.
//
// Loading parses the text into `root` and finds the sections anywhere in the document
// (the first in document order wins, names compared exactly): `Installation` with its
// direct children `AppPath` (folder macros expanded into `appPath`) and `Exe` (kept as
// written in `exe`), `Files` and `Actions`. A missing section is treated as empty.
//
// The script borrows its package, which the caller destroys after the run and before
// the script; nothing here touches the package after Run returns. The tree keeps copies
// of everything it needs from the text. Single-threaded; a nested installation builds
// its own InstallScript while this one runs.
#pragma once

#include "package/resource_package.h"
#include "system/ansi_string.h"
#include "system/wide_string.h"
#include "xml/xml_node.h"
#include "xml/xml_parser.h"

class InstallScript {
 public:
  XmlParser parser;
  // The unnamed document node; owns the whole tree.
  XmlNode root;
  // Point into the tree; null when the section is missing.
  XmlNode* filesNode = nullptr;
  XmlNode* actionsNode = nullptr;
  // Borrowed; must outlive Run.
  System::IO::ResourcePackage* package;
  // The application folder, folder macros expanded; empty when absent.
  String appPath;
  // The product's executable, relative to `appPath`, not expanded; empty when absent.
  String exe;

  // `scriptText` must stay alive until construction returns. Throws std::bad_alloc when
  // memory ran out before the whole script was parsed.
  InstallScript(const AnsiString& scriptText, System::IO::ResourcePackage* package);
  InstallScript(const InstallScript&) = delete;
  InstallScript& operator=(const InstallScript&) = delete;

  // `path` with every "%AppPath%" replaced by `appPath`, then the folder macros expanded.
  String ExpandPath(const String& path) const;

  // "Install.Before" actions, the Files pass, the product's start with
  // "-firstRun -zandrel", "Install.After" actions. True when the product's files are in
  // place: only then is the product started and are the "Install.After" actions run,
  // so that a product is never reported installed when it is not.
  bool Run();
  // Writes every entry of `Files` that the package holds beside its target under a
  // staging name (creating folders as needed), then, when all are written completely,
  // puts each in place in one step (package/staging.h). True when every such entry is in
  // place. When one cannot be staged, the staged files are removed and no target has
  // changed; when one cannot be put in place (a file in use), the others still are.
  bool RunFilesPass();
  // The target path of the `Files` element `file` ("%AppPath%" when it has no
  // destination); `*name` receives its entry name.
  String FileTarget(XmlNode& file, AnsiString* name) const;
  // Executes, in document order, every action whose `event` equals `eventName`.
  void RunEvent(const AnsiString& eventName);
  // Performs one action by its `type`; an unknown or missing type does nothing.
  void ExecuteAction(XmlNode& action);
};
