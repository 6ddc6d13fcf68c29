// The actions of install scripts (script_words.h names them and their attributes). Each
// reads its attributes from the action element (`GetAttributeString`, absent ones giving
// empty text), expands the ones that are paths with the script's ExpandPath, and reports
// nothing but its outcome to the run: a failure is passed over and the run goes on.
#pragma once

#include "install/install_observer.h"
#include "install/install_script.h"
#include "xml/xml_node.h"

// "App.Run": starts `target` (expanded) with the command line `args` (as written).
ActionOutcome RunApp(InstallScript& script, XmlNode& action);
// "App.Close": posts WM_CLOSE to the first top-level window titled `windowTitle`.
ActionOutcome CloseApp(InstallScript& script, XmlNode& action);
// "App.CloseAllKelmoraApps": broadcasts the registered message "Kelmora.CloseApp".
ActionOutcome CloseAllKelmoraApps(InstallScript& script, XmlNode& action);
// "Registry.WriteValue": writes one "dword" or text value under HKLM or HKCU.
ActionOutcome WriteRegistryValue(InstallScript& script, XmlNode& action);
// "Product.Run": starts an installed product found through its version record.
ActionOutcome RunProduct(InstallScript& script, XmlNode& action);
// "Shortcut.Create": creates a shell shortcut.
ActionOutcome CreateShortcutAction(InstallScript& script, XmlNode& action);
// "Product.Unpack": installs a nested delivered product, up to
// script_words::kMaxNestedInstallations levels deep.
ActionOutcome UnpackProduct(InstallScript& script, XmlNode& action);
